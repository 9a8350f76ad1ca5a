#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "jobs/jobs.h"
#include "jobs/output_names.h"
#include "ps_writer.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;
using Write = std::function<void(ProgramStreamWriter&)>;

// The pack the writer makes at position `index` of a file: what a rebuilt
// pack must equal, SCR included.
Bytes PackAt(size_t index, const Write& write, Flavor flavor = Flavor::HdDvd) {
  ProgramStreamWriter w(flavor);
  w.setScr(index * ProgramStreamWriter::scrStep(flavor));
  write(w);
  return w.bytes();
}

Bytes PackOf(const Bytes& file, size_t index) {
  auto from = file.begin() + static_cast<std::ptrdiff_t>(index * kPackSize);
  return Bytes(from, from + kPackSize);
}

NavPackInfo Nav(uint32_t start, uint32_t end, uint8_t audioBound, std::vector<uint16_t> audioSync,
                std::vector<uint32_t> subSync = {}, uint16_t vob = 1) {
  NavPackInfo info;
  info.vobNumber = vob;
  info.vobStartPtm = start;
  info.vobEndPtm = end;
  info.audioBound = audioBound;
  info.audioSync = std::move(audioSync);
  info.subSync = std::move(subSync);
  return info;
}

class RebuildJobTest : public WriteJobTest {
 protected:
  void expectIdleAgain() const {
    EXPECT_TRUE(state.buttons.bDemux && state.buttons.bRebuild);
    EXPECT_FALSE(state.buttons.bCancel);
    EXPECT_FALSE(state.engine.run.WriteJobRunning);
    EXPECT_FALSE(state.jobRunning);
    EXPECT_FALSE(state.engine.input.isOpen());
    EXPECT_EQ(host.panel[0], "Ready");
  }

  // Demuxes the title read last; the files of the ticked boxes, in box order.
  std::vector<Bytes> demuxTicked() {
    jobs.bDemuxClick();
    std::vector<Bytes> files;
    auto collect = [&](Section section, int count, const std::string& ext) {
      for (int n = 0; n < count; ++n)
        if (state.box(section, n).ticked)
          files.push_back(ReadAll(OutputFileName(state.names.OutputPrefix, state.box(section, n).caption, ext)));
    };
    collect(Section::Video, 2, state.options.eVideoExt);
    collect(Section::Audio, 16, state.options.eAudioExt);
    collect(Section::Subpicture, 32, state.options.eSubExt);
    return files;
  }
};

// --- Selection, renumbering and the navigation packs ---------------------

TEST_F(RebuildJobTest, KeepsTheTickedStreamsRenumberedWithNavigationPacksToMatch) {
  const NavPackInfo nav = Nav(90000, 270000, 4, {1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11});
  const Bytes v = Data(500, 1), a80 = Data(300, 2), a81 = Data(300, 3), a82 = Data(300, 4), a88 = Data(300, 5);
  const Bytes s21 = Data(200, 6), s34 = Data(200, 7), a81b = Data(300, 8);
  const std::vector<Write> packs = {
      [&](auto& w) { w.navPack(nav); },
      [&](auto& w) { w.video(0xE0, v, {90000}); },
      [&](auto& w) { w.audio(0x80, a80, {90000}); },
      [&](auto& w) { w.audio(0x81, a81, {90000}); },
      [&](auto& w) { w.audio(0x82, a82, {90000}); },
      [&](auto& w) { w.audio(0x88, a88, {90000}); },  // audio stream 0 too, recorded as 0x80
      [&](auto& w) { w.subpicture(0x21, s21, {90000}); },
      [&](auto& w) { w.subpicture(0x34, s34, {90000}); },
      [&](auto& w) { w.advPack(Data(100, 9)); },
      [&](auto& w) { w.navPack(nav); },
      [&](auto& w) { w.audio(0x81, a81b); },
  };
  ProgramStreamWriter w;
  for (const Write& p : packs) p(w);
  const std::string source = dir.file("T.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].ticked = state.audioBoxes[2].ticked = state.subBoxes[20].ticked = false;
  jobs.bRebuildClick();

  const NavPackInfo patched = Nav(90000, 270000, 1, {1, 0, 0, 0, 0, 0, 0, 0}, {9, 0, 0});
  const Bytes source_bytes = w.bytes();
  Bytes expected =
      Cat({PackAt(0, [&](auto& x) { x.navPack(patched); }), PackOf(source_bytes, 1),
           PackAt(3, [&](auto& x) { x.audio(0x80, a81, {90000}); }),
           PackOf(source_bytes, 5),  // the 0x88 packs keep their id
           PackAt(6, [&](auto& x) { x.subpicture(0x20, s21, {90000}); }),
           PackAt(9, [&](auto& x) { x.navPack(patched); }), PackAt(10, [&](auto& x) { x.audio(0x80, a81b); })});
  const std::string rebuilt = out + "/T.rebuilt.EVO";
  EXPECT_EQ(ReadAll(rebuilt), expected);
  EXPECT_EQ(host.lines, (Lines{"Creating " + rebuilt, "Opening file [b]T.EVO[/b]", "File size: 0 Mbytes.",
                               "Rebuilding...", "Done.", ""}));
  EXPECT_EQ(host.panel[1], "");
  expectIdleAgain();

  // "Rebuild ADV_PCKs": the advanced pack is kept as it was.
  state.options.cbRBAdvanced = true;
  jobs.bRebuildClick();
  Bytes withAdv = ReadAll(rebuilt);
  ASSERT_EQ(withAdv.size(), expected.size() + kPackSize);
  EXPECT_EQ(Bytes(withAdv.begin() + 5 * kPackSize, withAdv.begin() + 6 * kPackSize), PackOf(source_bytes, 8));

  // Read back: exactly the kept streams, under their new numbers.
  readTitle(rebuilt);
  const StreamTable& t = state.engine.streams;
  EXPECT_EQ(t.video(0).streamId, 0xE0);
  EXPECT_EQ(t.audio(0).streamId, 0x80);
  for (int n = 1; n < 16; ++n) EXPECT_EQ(t.audio(n).streamId, -1) << n;
  EXPECT_EQ(t.subpicture(0).streamId, 0x20);
  for (int n = 1; n < 32; ++n) EXPECT_EQ(t.subpicture(n).streamId, -1) << n;
}

TEST_F(RebuildJobTest, MpegAudioIsKeptWhateverTheBoxOfTheDolbyDigitalPlusStreamOfItsNumber) {
  const Bytes mpa = Data(400, 1), c0 = Data(300, 2), c1 = Data(300, 3);
  ProgramStreamWriter w;
  w.navPack(Nav(90000, 180000, 2, {1, 2}));
  w.mpegAudio(0xC0, mpa, {90000});
  w.audio(0xC0, c0, {90000});
  w.audio(0xC1, c1, {90000});
  const std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].ticked = false;  // E-AC-3 C0, not the MPEG audio C0
  jobs.bRebuildClick();
  NavPackInfo patched = Nav(90000, 180000, 1, {1, 0});
  patched.videoBound = 0;
  Bytes expected = Cat({PackAt(0, [&](auto& x) { x.navPack(patched); }), PackOf(w.bytes(), 1),
                        PackAt(3, [&](auto& x) { x.audio(0xC0, c1, {90000}); })});
  EXPECT_EQ(ReadAll(out + "/M.rebuilt.EVO"), expected);
}

// Renumbering keeps a stream's coding: DTS 0x89 kept alone is DTS 0x88.
TEST_F(RebuildJobTest, KeptDtsStreamIsRenumberedAsDts) {
  const Bytes dts = Data(300, 2);
  ProgramStreamWriter w;
  w.navPack(Nav(90000, 180000, 2, {1, 2}));
  w.audio(0x80, Data(300, 1), {90000});
  w.audio(0x89, dts, {90000});
  w.writeTo(dir.file("A.EVO"));
  readTitle(dir.file("A.EVO"));
  state.audioBoxes[0].ticked = false;
  jobs.bRebuildClick();
  const Bytes rebuilt = ReadAll(out + "/A.rebuilt.EVO");
  ASSERT_EQ(rebuilt.size(), 2 * kPackSize);
  EXPECT_EQ(PackOf(rebuilt, 1), PackAt(2, [&](auto& x) { x.audio(0x88, dts, {90000}); }));
}

TEST_F(RebuildJobTest, DemuxOfTheRebuiltTitleEqualsDemuxOfTheSameStreamsFromTheSource) {
  ProgramStreamWriter w;
  w.navPack(Nav(90000, 270000, 3, {1, 2, 3}, {4, 5}));
  w.vc1(0x55, Cat({Bytes{0, 0, 1, 0x0D}, Data(5000, 1)}), {90000});
  for (uint8_t id : {0x80, 0x81, 0x82}) w.audio(id, Data(3000, id), {90000});
  w.subpicture(0x21, Data(2500, 4), {90000});
  w.subpicture(0x22, Data(900, 5), {90000});
  w.audio(0x81, Data(4000, 6));
  w.vc1(0x55, Data(3000, 7));
  const std::string source = dir.file("D.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].ticked = state.audioBoxes[2].ticked = state.subBoxes[1].ticked = false;
  std::vector<Bytes> fromSource = demuxTicked();
  jobs.bRebuildClick();
  readTitle(out + "/D.rebuilt.EVO");
  std::vector<Bytes> fromRebuilt = demuxTicked();
  ASSERT_EQ(fromSource.size(), 3u);
  EXPECT_EQ(fromRebuilt, fromSource);
}

TEST_F(RebuildJobTest, SecondVc1StreamKeptAloneBecomesTheFirst) {
  const Bytes v55 = Data(400, 1), v56 = Data(400, 2);
  ProgramStreamWriter w;
  w.navPack(Nav(90000, 180000, 0, {}));
  w.vc1(0x55, v55, {90000});
  w.vc1(0x56, v56, {90000});
  const std::string source = dir.file("V.EVO");
  w.writeTo(source);
  readTitle(source);
  state.videoBoxes[0].ticked = false;
  jobs.bRebuildClick();
  NavPackInfo patched = Nav(90000, 180000, 0, {});
  Bytes expected =
      Cat({PackAt(0, [&](auto& x) { x.navPack(patched); }), PackAt(2, [&](auto& x) { x.vc1(0x55, v56, {90000}); })});
  EXPECT_EQ(ReadAll(out + "/V.rebuilt.EVO"), expected);
}

TEST_F(RebuildJobTest, DvdVobPassesUnchangedAndOnlyPackBlocksAreWritten) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  w.navPack(Nav(90000, 180000, 2, {1, 2}));
  w.video(0xE0, Data(300, 1), {90000});
  w.audio(0x80, Data(300, 2), {90000});
  w.audio(0x81, Data(300, 3), {90000});
  const Bytes vob = w.bytes();
  w.raw(Bytes(kPackSize, 0x11));  // not a pack: left out
  ProgramStreamWriter tail(Flavor::DvdVideo);
  tail.paddingPack();
  const Bytes partial(tail.bytes().begin(), tail.bytes().begin() + 1000);
  w.raw(partial);  // a partial last block that starts like a pack: written as it is
  const std::string source = dir.file("V.VOB");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].ticked = false;
  jobs.bRebuildClick();
  EXPECT_EQ(ReadAll(out + "/V.rebuilt.EVO"), Cat({vob, partial}));
}

// --- Titles of several files ------------------------------------------------

class RebuildTitleTest : public RebuildJobTest {
 protected:
  // One file of a title: navigation pack, video with PTS and DTS, two AC-3 streams.
  static void WriteFile(ProgramStreamWriter& w, const NavPackInfo& nav, uint32_t pts, int seed) {
    w.navPack(nav);
    w.video(0xE0, Data(300, static_cast<uint8_t>(seed)), {pts + 3003, pts});
    w.audio(0x80, Data(200, static_cast<uint8_t>(seed + 1)), {pts});
    w.audio(0x81, Data(200, static_cast<uint8_t>(seed + 2)), {pts});
  }

  // The rebuilt file: only 0x81 of the audio, as 0x80, times moved by `shift`.
  static Bytes Expected(const NavPackInfo& nav, uint32_t pts, uint32_t shift, int seed) {
    return Cat({PackAt(0, [&](auto& x) { x.navPack(nav); }),
                PackAt(1,
                       [&](auto& x) {
                         x.video(0xE0, Data(300, static_cast<uint8_t>(seed)), {pts + shift + 3003, pts + shift});
                       }),
                PackAt(3, [&](auto& x) { x.audio(0x80, Data(200, static_cast<uint8_t>(seed + 2)), {pts + shift}); })});
  }

  void writeTitle(const std::vector<NavPackInfo>& navs) {
    for (size_t i = 0; i < navs.size(); ++i) {
      ProgramStreamWriter w;
      WriteFile(w, navs[i], navs[i].vobStartPtm, static_cast<int>(i * 3));
      w.writeTo(dir.file("F_" + std::to_string(i + 1) + ".EVO"));
    }
  }
};

TEST_F(RebuildTitleTest, AdjustedTitleContinuesEachFileAfterTheOnesBefore) {
  const uint32_t d[3] = {180000, 270000, 90000};
  writeTitle({Nav(90000, 90000 + d[0], 2, {1, 2}, {}, 1), Nav(90000, 90000 + d[1], 2, {1, 2}, {}, 2),
              Nav(90000, 90000 + d[2], 2, {1, 2}, {}, 3)});
  readTitle(dir.file("F_1.EVO"));
  state.audioBoxes[0].ticked = false;
  state.options.cbAdjustPTS = true;
  jobs.bRebuildClick();
  // Every file numbered alike; the title ends after all three durations.
  auto nav = [&](uint16_t vob) { return Nav(90000, 90000 + d[0] + d[1] + d[2], 1, {1, 0}, {}, vob); };
  Bytes expected =
      Cat({Expected(nav(1), 90000, 0, 0), Expected(nav(2), 90000, d[0], 3), Expected(nav(3), 90000, d[0] + d[1], 6)});
  EXPECT_EQ(ReadAll(out + "/F_1_MERGED.rebuilt.EVO"), expected);
}

// A demux that walked the whole title before leaves no duration behind for
// the adjusted rebuild to add a second time.
TEST_F(RebuildTitleTest, AdjustedRebuildAfterADemuxEndsTheTitleAfterItsRealDuration) {
  const uint32_t d[2] = {180000, 270000};
  writeTitle({Nav(90000, 90000 + d[0], 2, {1, 2}, {}, 1), Nav(90000, 90000 + d[1], 2, {1, 2}, {}, 2)});
  readTitle(dir.file("F_1.EVO"));
  jobs.bDemuxClick();
  state.audioBoxes[0].ticked = false;
  state.options.cbAdjustPTS = true;
  jobs.bRebuildClick();
  auto nav = [&](uint16_t vob) { return Nav(90000, 90000 + d[0] + d[1], 1, {1, 0}, {}, vob); };
  EXPECT_EQ(ReadAll(out + "/F_1_MERGED.rebuilt.EVO"),
            Cat({Expected(nav(1), 90000, 0, 0), Expected(nav(2), 90000, d[0], 3)}));
}

TEST_F(RebuildTitleTest, FileThatAlreadyContinuesTheTitleIsNotShifted) {
  writeTitle({Nav(90000, 270000, 2, {1, 2}, {}, 1), Nav(270000, 540000, 2, {1, 2}, {}, 2)});
  readTitle(dir.file("F_1.EVO"));
  state.audioBoxes[0].ticked = false;
  state.options.cbAdjustPTS = true;
  jobs.bRebuildClick();
  auto nav = [](uint16_t vob) { return Nav(90000, 540000, 1, {1, 0}, {}, vob); };
  EXPECT_EQ(ReadAll(out + "/F_1_MERGED.rebuilt.EVO"),
            Cat({Expected(nav(1), 90000, 0, 0), Expected(nav(2), 270000, 0, 3)}));
}

// --- Failures, Cancel and the chain after a read ------------------------------

TEST_F(RebuildJobTest, MissingOutputFolderIsOneRedLineAndTheNextJobWorks) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  const std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.options.eWorkdir = dir.file("nowhere");
  jobs.bRebuildClick();
  const std::string path = dir.file("nowhere/M.rebuilt.EVO");
  EXPECT_EQ(host.lines,
            (Lines{"[re]Cannot create file \"" + path + "\". No such file or directory[/re]", "Done.", ""}));
  ASSERT_TRUE(jobs.lastFailure());
  expectIdleAgain();

  state.options.eWorkdir = out;
  jobs.bRebuildClick();
  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_EQ(ReadAll(out + "/M.rebuilt.EVO"), w.bytes());
}

TEST_F(RebuildJobTest, NextFileThatIsASocketEndsTheTitleWithTheFirstFileKept) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  w.writeTo(dir.file("F_1.EVO"));
  w.writeTo(dir.file("F_2.EVO"));
  readTitle(dir.file("F_1.EVO"));
  // A socket exists but is no file to read.
  const std::string second = dir.file("F_2.EVO");
  std::filesystem::remove(second);
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(second.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, second.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  jobs.bRebuildClick();
  ::close(fd);
  EXPECT_FALSE(hasLine("Opening file [b]F_2.EVO[/b]"));
  EXPECT_TRUE(hasLine("[re]F_2.EVO is not a regular file: the title ends with F_1.EVO[/re]"));
  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_EQ(host.lines.back(), "");
  EXPECT_EQ(ReadAll(out + "/F_1_MERGED.rebuilt.EVO"), w.bytes());
  expectIdleAgain();
}

TEST_F(RebuildJobTest, WriteErrorKeepsWhatWasWritten) {
  const std::string small = dir.file("small");
  std::filesystem::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a small tmpfs here";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{small};
  ProgramStreamWriter w;
  w.audio(0x80, Data(3 * 1048576, 1), {90000});  // more than the output buffer: fails mid-file
  const std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.options.eWorkdir = small;
  jobs.bRebuildClick();
  EXPECT_TRUE(hasLine("[re]Stream write error[/re]"));
  ASSERT_TRUE(jobs.lastFailure());
  Bytes kept = ReadAll(small + "/M.rebuilt.EVO");
  EXPECT_GT(kept.size(), 0u);
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), w.bytes().begin()));
  expectIdleAgain();
}

TEST_F(RebuildJobTest, CancelKeepsThePacksWrittenSoFar) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(9 * 1048576, 1), {90000});
  const std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  host.onProcessEvents = [&] { jobs.bCancelClick(); };
  jobs.bRebuildClick();
  EXPECT_EQ(host.questions, Lines{"Are you sure to stop demuxing?"});
  ASSERT_FALSE(host.progress.empty());
  EXPECT_EQ(host.progress[0].rfind("Rebuilding M.EVO 4/9 Mbytes, Remaining time: 0:00:0", 0), 0u) << host.progress[0];
  Bytes kept = ReadAll(out + "/M.rebuilt.EVO");
  EXPECT_EQ(kept, Bytes(w.bytes().begin(), w.bytes().begin() + 4 * 1048576));
  auto cancelled = std::find(host.lines.begin(), host.lines.end(), "Cancelled.");
  ASSERT_NE(cancelled, host.lines.end());
  EXPECT_EQ(*(cancelled + 1), "Done.");
  EXPECT_FALSE(jobs.lastFailure());
  expectIdleAgain();
}

TEST_F(RebuildJobTest, AutoRebuildFollowsTheRead) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  const std::string source = dir.file("M.EVO");
  w.writeTo(source);
  state.options.autoProcess = AutoProcess::Rebuild;
  readTitle(source);
  EXPECT_EQ(ReadAll(out + "/M.rebuilt.EVO"), w.bytes());
}

}  // namespace
}  // namespace klarvex::testing
