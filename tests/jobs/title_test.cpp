// A title of several files read, listed and demuxed as one: streams that
// only some files carry, a file that begins inside a video frame, and the
// subpicture times based on the title's earliest audio or video PTS.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>

#include "ps_writer.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;
using TitleTest = WriteJobTest;

struct TitleCase {
  const char* name;
  std::vector<uint8_t> firstFileSubs, secondFileSubs;
};

// Each file: a navigation pack, then (second file only) the rest of a video
// frame cut at the file's start, with no PTS; video, audio, and one
// subpicture unit per stream 0.5 s into the file.
void WriteFile(const std::string& path, uint32_t start, bool cutFrame, const std::vector<uint8_t>& subs) {
  ProgramStreamWriter w;
  NavPackInfo nav;
  nav.vobStartPtm = start;
  nav.vobEndPtm = start + 90000;
  w.navPack(nav);
  if (cutFrame) w.video(0xE0, Data(3000, 9));
  w.video(0xE0, Data(1000, 1), {start + 3003, start});
  w.audio(0x80, Data(500, 2), {start});
  if (!cutFrame) {
    const std::array<uint8_t, 3> lpcm24Bit51{0x00, 0x85, 0x80};  // 24 bits, 48 kHz, 6 channels
    w.audio(0xA1, Data(600, 3), {start}, &lpcm24Bit51);
  }
  for (uint8_t id : subs) w.subpicture(id, Data(100, id), {start + 45000});
  w.writeTo(path);
}

Bytes SupRecord(uint32_t time, const Bytes& unit) {
  Bytes record{'S', 'P'};
  for (int i = 0; i < 4; ++i) record.push_back(static_cast<uint8_t>(time >> (8 * i)));
  record.insert(record.end(), 4, 0);
  return Cat({record, unit});
}

TEST_F(TitleTest, EveryStreamOfEveryFileIsListedAndDemuxedTimedFromTheTitlesStart) {
  const TitleCase cases[] = {
      {"subpicture 1 only in the first file", {0x20, 0x21}, {0x20}},
      {"subpicture 1 only in the second file", {0x20}, {0x20, 0x21}},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool details : {true, false}) {
      WriteFile(dir.file("FEATURE_1.EVO"), 900000, false, c.firstFileSubs);
      WriteFile(dir.file("FEATURE_2.EVO"), 990000, true, c.secondFileSubs);
      state.options.cbDetails = details;
      state.eEVOfile = dir.file("FEATURE_1.EVO");
      jobs.EVOadj();
      jobs.bReadEVOClick();
      const Lines read = host.lines;

      EXPECT_TRUE(state.subBoxes[1].ticked);
      EXPECT_EQ(state.subBoxes[1].caption, "Subpicture.01");
      const bool inFirst = c.firstFileSubs.size() == 2;
      EXPECT_EQ(state.engine.streams.subpicture(1).firstPts, (inFirst ? 900000u : 990000u) + 45000);
      EXPECT_EQ(state.engine.streams.video(0).firstPts, 903003u) << "the first file's, not the last";
      EXPECT_EQ(state.engine.run.minFirstPts, 900000u);
      // The LPCM format and facts of the first file stay with the title's
      // stream; without details nothing was analysed.
      const StreamSlot& lpcm = state.engine.streams.audio(1);
      if (details) {
        EXPECT_EQ(std::vector<int>({lpcm.channels, lpcm.sampleRate, lpcm.bitsPerSample}),
                  std::vector<int>({6, 48000, 24}));
      }
      EXPECT_EQ(lpcm.facts.coding, details ? "LPCM" : "");
      EXPECT_EQ(lpcm.facts.bitRate, details ? 48000 * 24 * 6 : 0);
      if (details) {
        // The second file's video is named with the PTS of its first packet
        // that has one, its description right behind.
        auto found = std::find(read.begin(), read.end(), "   First PTS = [re]000F26EB[/re]  ([re]+1033[/re]ms)");
        ASSERT_NE(found, read.end());
        EXPECT_EQ(*(found - 1), "[b]MPEG-2[/b] video stream 0 found!");
        EXPECT_EQ(std::count_if(read.begin(), read.end(),
                                [](const std::string& l) { return l.find("00000000") != std::string::npos; }),
                  0);
      }

      host.lines.clear();
      jobs.bDemuxClick();
      EXPECT_TRUE(jobs.missedStreams().empty());
      EXPECT_EQ(state.engine.streams.audio(1).facts.bitRate, details ? 48000 * 24 * 6 : 0) << "kept over the demux";
      const Bytes unit1 = Data(100, 0x21);
      EXPECT_EQ(ReadAll(output("FEATURE_1_MERGED.Subpicture.01.sup")), SupRecord((inFirst ? 0 : 90000) + 45000, unit1));
      EXPECT_EQ(ReadAll(output("FEATURE_1_MERGED.Subpicture.00.sup")),
                Cat({SupRecord(45000, Data(100, 0x20)), SupRecord(135000, Data(100, 0x20))}));
      EXPECT_EQ(ReadAll(output("FEATURE_1_MERGED.MPEG-2.stream.0.mpv")),
                Cat({Data(1000, 1), Data(3000, 9), Data(1000, 1)}));
    }
  }
}

TEST_F(TitleTest, DemuxNamesTheStreamsThatAFastCheckMissed) {
  ProgramStreamWriter w;
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  w.navPack(nav);
  w.audio(0x80, Data(2 * 1048576, 1), {90000});  // 2 MiB before the late subtitle line
  w.subpicture(0x23, Data(100, 2), {900000});
  const std::string source = dir.file("LATE.EVO");
  w.writeTo(source);
  state.options.ieFastSize = 1;
  readTitle(source);
  EXPECT_FALSE(state.subBoxes[3].enabled);
  jobs.bDemuxClick();
  EXPECT_EQ(jobs.missedStreams(), (Lines{"Subpicture.03"}));
  const std::string text =
      "Not written: Subpicture.03. Read EVO did not find this stream; a read without the fast "
      "check finds it.";
  EXPECT_TRUE(hasLine("[re]" + text + "[/re]"));
  EXPECT_EQ(host.warnings, (Lines{text}));

  state.options.cbFastCheck = false;
  readTitle(source);
  EXPECT_TRUE(state.subBoxes[3].ticked);
  jobs.bDemuxClick();
  EXPECT_TRUE(jobs.missedStreams().empty());
  EXPECT_EQ(ReadAll(output("LATE.Subpicture.03.sup")), SupRecord(810000, Data(100, 2)));
}

// A FIFO would block the open for ever: as the next file it ends the title
// with the files before it, as the source it is refused at once.
TEST_F(TitleTest, FifosAreRefusedNotWaitedFor) {
  WriteFile(dir.file("FEATURE_1.EVO"), 900000, false, {0x20});
  ASSERT_EQ(::mkfifo(dir.file("FEATURE_2.EVO").c_str(), 0600), 0);
  state.eEVOfile = dir.file("FEATURE_1.EVO");
  jobs.EVOadj();
  jobs.bReadEVOClick();
  const std::string text = "FEATURE_2.EVO is not a regular file: the title ends with FEATURE_1.EVO";
  EXPECT_TRUE(hasLine("[re]" + text + "[/re]"));
  EXPECT_TRUE(state.subBoxes[0].ticked);
  jobs.bDemuxClick();
  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_EQ(ReadAll(output("FEATURE_1_MERGED.Subpicture.00.sup")), SupRecord(45000, Data(100, 0x20)));
  EXPECT_EQ(host.warnings, (Lines{text, text}));

  const std::string pipe = dir.file("PIPE.EVO");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  state.eEVOfile = pipe;
  jobs.EVOadj();
  try {
    jobs.bReadEVOClick();
    ADD_FAILURE() << "a FIFO was read";
  } catch (const KlarvexError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + pipe + "\". It is a FIFO, not a regular file");
  }
}

// The pass over a title of two files is one progress from 0 to the bytes
// of both (of their first MiB with a fast check of 1 MiB), file by file; on
// a source that takes 40 ms a block the events are handled at least every
// 100 ms of work.
TEST_F(TitleTest, OneProgressOverTheTitleAndEventsOnASlowSource) {
  for (const char* name : {"FEATURE_1.EVO", "FEATURE_2.EVO"}) {
    ProgramStreamWriter w;
    w.navPack(NavPackInfo{});
    w.video(0xE0, Data(3'000'000, 7), {90000});
    w.writeTo(dir.file(name));
  }
  const int64_t fileSize = static_cast<int64_t>(std::filesystem::file_size(dir.file("FEATURE_1.EVO")));
  std::chrono::steady_clock::time_point now{};
  std::vector<std::chrono::steady_clock::time_point> pumps;
  jobs.setPumpClock([&now] { return now += std::chrono::milliseconds(40); });
  host.onProcessEvents = [&] { pumps.push_back(now); };
  const struct {
    const char* job;
    std::function<void()> run;
    int64_t perFile;
  } cases[] = {
      {"read, fast check of 1 MiB", [&] { jobs.bReadEVOClick(); }, 1 << 20},
      {"demux", [&] { jobs.bDemuxClick(); }, fileSize},
  };
  state.eEVOfile = dir.file("FEATURE_1.EVO");
  state.options.ieFastSize = 1;
  jobs.EVOadj();
  for (const auto& c : cases) {
    host.titleProgresses.clear();
    pumps.clear();
    c.run();
    const std::vector<TitleProgress>& seen = host.titleProgresses;
    ASSERT_GE(seen.size(), 4u) << c.job;
    EXPECT_EQ(seen.back().files, 0) << c.job << ": the pass is over";
    int64_t before = 0;
    for (size_t i = 0; i + 1 < seen.size(); ++i) {
      EXPECT_EQ(seen[i].files, 2) << c.job;
      EXPECT_EQ(seen[i].total, 2 * c.perFile) << c.job;
      EXPECT_GE(seen[i].done, before) << c.job;
      EXPECT_LE(seen[i].done, seen[i].file * c.perFile) << c.job;
      before = seen[i].done;
    }
    EXPECT_EQ(seen[seen.size() - 2].done, 2 * c.perFile) << c.job;
    EXPECT_EQ(seen[seen.size() - 2].file, 2) << c.job;
    for (size_t i = 1; i < pumps.size(); ++i)
      EXPECT_LE(pumps[i] - pumps[i - 1], std::chrono::milliseconds(100)) << c.job << " pump " << i;
    EXPECT_GE(pumps.size(), static_cast<size_t>(2 * c.perFile / (256 * 1024) / 2)) << c.job;
  }
}

}  // namespace
}  // namespace klarvex::testing
