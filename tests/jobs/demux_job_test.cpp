#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "full_disk.h"
#include "jobs/jobs.h"
#include "jobs/output_names.h"
#include "lpcm_layout.h"
#include "ps_writer.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;

using DemuxJobTest = WriteJobTest;

TEST_F(DemuxJobTest, EveryKindIsWrittenWithoutItsHeaders) {
  Bytes video = Cat({Bytes{0, 0, 1, 0x0D}, Data(5000, 1)});
  Bytes ac3a = Data(3000, 2), dts = Data(2500, 3), ac3b = Data(1000, 4);
  Bytes lpcm = Data(4000, 5), truehd = Data(4500, 6), eac3 = Data(2200, 7);
  ProgramStreamWriter w;
  w.vc1(0x55, video, {90000});
  w.audio(0x80, ac3a, {90000});
  w.audio(0x88, dts, {90000});  // same audio stream 0: into the same file
  w.audio(0x80, ac3b);
  w.audio(0xA2, lpcm, {90000});
  w.audio(0xB3, truehd, {90000});
  w.audio(0xC4, eac3, {90000});
  std::string source = dir.file("MOVIE.EVO");
  w.writeTo(source);
  readTitle(source);
  jobs.bDemuxClick();

  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_EQ(ReadAll(output("MOVIE.VC-1.stream.0.mpv")), video);
  EXPECT_EQ(ReadAll(output("MOVIE.DD.stream.00.mpa")), Cat({ac3a, dts, ac3b}));
  EXPECT_EQ(ReadAll(output("MOVIE.LPCM.stream.02.mpa")), lpcm);
  EXPECT_EQ(ReadAll(output("MOVIE.MLP.stream.03.mpa")), truehd);
  EXPECT_EQ(ReadAll(output("MOVIE.DD+.stream.04.mpa")), eac3);

  Lines expected = {
      "Creating " + output("MOVIE.VC-1.stream.0.mpv"),
      "Creating " + output("MOVIE.DD.stream.00.mpa"),
      "Creating " + output("MOVIE.LPCM.stream.02.mpa"),
      "Creating " + output("MOVIE.MLP.stream.03.mpa"),
      "Creating " + output("MOVIE.DD+.stream.04.mpa"),
      "Opening file [b]MOVIE.EVO[/b]",
      "File size: 0 Mbytes.",
      "Demuxing MOVIE.EVO",
      "Done.",
      "",
      "1 frames count in video stream 0.",
      "",
  };
  EXPECT_EQ(host.lines, expected);
  EXPECT_EQ(host.panel[0], "Ready");
  EXPECT_TRUE(state.buttons.bDemux && state.buttons.bRebuild);
  EXPECT_FALSE(state.engine.run.WriteJobRunning);
  EXPECT_FALSE(state.buttons.bCancel);
}

TEST_F(DemuxJobTest, ThreeFileTitleIsAppendedInOrder) {
  Bytes parts[3] = {Data(3000, 1), Data(5000, 2), Data(700, 3)};
  const char* names[3] = {"FEATURE_1.EVO", "FEATURE_2.EVO", "FEATURE_3.EVO"};
  for (int i = 0; i < 3; ++i) {
    ProgramStreamWriter w;
    w.audio(0xC0, parts[i], {90000u + 90000u * static_cast<unsigned>(i)});
    w.writeTo(dir.file(names[i]));
  }
  readTitle(dir.file("FEATURE_1.EVO"));
  state.options.eWorkdir = out + "/";  // a closing slash gives the same names
  jobs.bDemuxClick();
  EXPECT_EQ(ReadAll(output("FEATURE_1_MERGED.DD+.stream.00.mpa")), Cat({parts[0], parts[1], parts[2]}));
  int opened = 0;
  for (const auto& line : host.lines) opened += line.rfind("Opening file", 0) == 0;
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(host.lines[0], "Creating " + output("FEATURE_1_MERGED.DD+.stream.00.mpa"));
}

TEST_F(DemuxJobTest, SubpictureRecordsKeepAHeaderAtTimeZero) {
  Bytes a = Data(300, 1), b = Data(200, 2);
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 3), {90000});
  w.subpicture(0x21, a, {90000});  // the title's earliest PTS: rebases to 0
  w.subpicture(0x21, b, {99000});
  std::string source = dir.file("S.EVO");
  w.writeTo(source);
  readTitle(source);
  jobs.bDemuxClick();
  Bytes expected = Cat({Bytes{'S', 'P', 0, 0, 0, 0, 0, 0, 0, 0}, a, Bytes{'S', 'P', 0x28, 0x23, 0, 0, 0, 0, 0, 0}, b});
  EXPECT_EQ(ReadAll(output("S.Subpicture.01.sup")), expected);

  // The base does not depend on what the read shows: the same times
  // without "Detailed info".
  state.options.cbDetails = false;
  readTitle(source);
  jobs.bDemuxClick();
  EXPECT_EQ(ReadAll(output("S.Subpicture.01.sup")), expected);
}

// A unit split over two packets, a video packet with a PTS between them:
// the second part carries no PTS of its own and continues the one record.
TEST_F(DemuxJobTest, SubpictureUnitSplitAroundAVideoPacketIsOneRecord) {
  const Bytes a = Data(300, 1), b = Data(200, 2);
  ProgramStreamWriter w;
  w.video(0xE0, Data(100, 3), {90000});
  w.subpicture(0x20, a, {90000});
  w.video(0xE0, Data(100, 4), {93003});
  w.subpicture(0x20, b);
  w.writeTo(dir.file("S.EVO"));
  readTitle(dir.file("S.EVO"));
  jobs.bDemuxClick();
  EXPECT_EQ(ReadAll(output("S.Subpicture.00.sup")), Cat({Bytes{'S', 'P', 0, 0, 0, 0, 0, 0, 0, 0}, a, b}));
}

TEST_F(DemuxJobTest, OnlyTickedBoxesGetFilesAndNoneIsCreatedWhenNothingIsTicked) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  w.audio(0x81, Data(100, 2), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].ticked = false;
  jobs.bDemuxClick();
  EXPECT_FALSE(std::filesystem::exists(output("M.DD.stream.00.mpa")));
  EXPECT_TRUE(std::filesystem::exists(output("M.DD.stream.01.mpa")));

  state.audioBoxes[1].ticked = false;
  host.lines.clear();
  jobs.bDemuxClick();
  EXPECT_EQ(host.lines[0], "Opening file [b]M.EVO[/b]") << "the walk runs all the same";
  EXPECT_TRUE(hasLine("Done."));
}

TEST_F(DemuxJobTest, CaptionsCannotLeadOutOfTheOutputFolder) {
  EXPECT_EQ(SafeCaption("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafeCaption(".."), "__");
  EXPECT_EQ(SafeCaption("a\\b\x01"
                        "c"),
            "a_b_c");
  EXPECT_EQ(SafeCaption("DD+.6ch.s02.English"), "DD+.6ch.s02.English");

  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].caption = "/../escape";
  jobs.bDemuxClick();
  EXPECT_TRUE(std::filesystem::exists(output("M._.._escape.mpa")));
}

TEST_F(DemuxJobTest, CollidingNamesFailTheSecondCreationAndReadNothing) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  w.audio(0x81, Data(100, 2), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[0].caption = state.audioBoxes[1].caption = "Same";
  jobs.bDemuxClick();
  std::string path = output("M.Same.mpa");
  EXPECT_EQ(host.lines, (Lines{"Creating " + path,
                               "[re]Cannot create file \"" + path + "\". Device or resource busy[/re]", "Done.", ""}));
  EXPECT_TRUE(jobs.lastFailure());
  EXPECT_TRUE(state.buttons.bDemux && state.buttons.bRebuild);
  EXPECT_FALSE(state.engine.run.WriteJobRunning);
  EXPECT_FALSE(state.jobRunning);
}

TEST_F(DemuxJobTest, MissingOutputFolderIsOneRedLine) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.options.eWorkdir = dir.file("nowhere");
  jobs.bDemuxClick();
  std::string path = dir.file("nowhere/M.DD.stream.00.mpa");
  ASSERT_GE(host.lines.size(), 1u);
  EXPECT_EQ(host.lines[0], "[re]Cannot create file \"" + path + "\". No such file or directory[/re]");
  EXPECT_TRUE(hasLine("Done."));
  EXPECT_FALSE(state.engine.input.isOpen());

  // The next job works.
  state.options.eWorkdir = out;
  jobs.bDemuxClick();
  EXPECT_FALSE(jobs.lastFailure());
}

TEST_F(DemuxJobTest, WriteErrorEndsTheJobWithWhatWasWrittenKept) {
  // A 64 KiB file system: the stream does not fit.
  std::string small = dir.file("small");
  std::filesystem::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a small tmpfs here";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{small};

  Bytes audio = Data(3 * 1048576, 1);  // more than the output buffer: fails mid-walk
  ProgramStreamWriter w;
  w.audio(0x80, audio, {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.options.eWorkdir = small;
  jobs.bDemuxClick();
  EXPECT_TRUE(hasLine("[re]Stream write error[/re]"));
  EXPECT_TRUE(jobs.lastFailure());
  ASSERT_TRUE(jobs.lastFailure());
  EXPECT_EQ(jobs.lastFailure()->detail(), "writing \"" + small + "/M.DD.stream.00.mpa\": No space left on device");
  Bytes kept = ReadAll(small + "/M.DD.stream.00.mpa");
  EXPECT_GT(kept.size(), 0u);
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), audio.begin())) << "what was written is the stream's start";
  EXPECT_TRUE(hasLine("Done."));
  EXPECT_FALSE(state.engine.run.WriteJobRunning);
}

TEST_F(DemuxJobTest, FileThatRefusesEveryWriteIsReported) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  testing::FullDisk disk(output("M.DD.stream.00.mpa"));
  jobs.bDemuxClick();
  EXPECT_TRUE(hasLine("[re]Stream write error[/re]"));
}

TEST_F(DemuxJobTest, CancelStopsMidFileKeepsTheOutputAndABoxTickedLateGetsNothing) {
  Bytes audio = Data(9 * 1048576, 1);
  ProgramStreamWriter w;
  w.audio(0x80, audio, {90000});
  w.audio(0x81, Data(1000, 2), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  readTitle(source);
  state.audioBoxes[1].ticked = false;
  host.confirmAnswer = false;
  int pumps = 0;
  host.onProcessEvents = [&] {
    if (++pumps == 1) {
      jobs.bCancelClick();  // answered No: goes on
      state.audioBoxes[1].ticked = true;
    } else if (pumps == 2) {
      host.confirmAnswer = true;
      jobs.bCancelClick();
    }
  };
  jobs.bDemuxClick();
  EXPECT_EQ(host.questions, (Lines{"Are you sure to stop demuxing?", "Are you sure to stop demuxing?"}));
  EXPECT_TRUE(hasLine("Cancelled."));
  EXPECT_TRUE(hasLine("Done."));
  Bytes kept = ReadAll(output("M.DD.stream.00.mpa"));
  EXPECT_GT(kept.size(), 4u * 1048576);
  EXPECT_LT(kept.size(), audio.size());
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), audio.begin()));
  EXPECT_FALSE(std::filesystem::exists(output("M.DD.stream.01.mpa")));
  EXPECT_FALSE(jobs.lastFailure());
  EXPECT_FALSE(state.engine.run.WriteJobRunning);
}

// "LPCM as WAV": the header holds the read's format, the samples are
// converted across packet cuts and a block cut at the end is dropped; a
// stream WAV can't hold is written as carried, and the log says why.
TEST_F(DemuxJobTest, LpcmAsWavWritesTheHeaderAndTheConvertedSamples) {
  const std::array<uint8_t, 3> fiveOne24{0x00, 0x85, 0x80};  // 24 bits, 48 kHz, 6 channels
  const std::array<uint8_t, 3> reserved{0x00, 0xC1, 0x80};   // word length code 3
  const int samples = 6 * 400;                               // 200 blocks of 36 bytes
  Bytes other = Data(1000, 2);
  ProgramStreamWriter w(Flavor::DvdVideo);
  w.audio(0xA0, Cat({DvdLpcmLayout(samples, 6, 24), Bytes(20, 0x55)}), {90000}, &fiveOne24);
  w.audio(0xA1, other, {90000}, &reserved);
  std::string source = dir.file("M.VOB");
  w.writeTo(source);
  readTitle(source);
  state.options.cbLpcmWav = true;
  jobs.bDemuxClick();

  EXPECT_FALSE(jobs.lastFailure());
  const Bytes header = Cat(
      {{'R', 'I', 'F', 'F', 0x80, 0x1C, 0, 0, 'W', 'A', 'V', 'E', 'J', 'U', 'N', 'K', 28, 0, 0, 0},
       Bytes(28, 0),
       {'f',  'm',  't',  ' ',  40,   0,    0,    0,    0xFE, 0xFF, 6,   0,   0x80, 0xBB, 0,    0,    0x00, 0x2F, 0x0D,
        0x00, 18,   0,    24,   0,    22,   0,    24,   0,    0x3F, 0,   0,   0,    0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71, 'd', 'a', 't',  'a',  0x20, 0x1C, 0,    0}});
  EXPECT_EQ(ReadAll(output("M.LPCM.stream.00.wav")), Cat({header, WavLpcmLayout(samples, 24)}));
  EXPECT_EQ(ReadAll(output("M.LPCM.stream.01.mpa")), other);
  const std::string why =
      "Not as WAV: LPCM.stream.01 has a sample rate or word length WAV cannot hold; it is "
      "written as carried.";
  ASSERT_GE(host.lines.size(), 3u);
  EXPECT_EQ(Lines(host.lines.begin(), host.lines.begin() + 3),
            (Lines{"Creating " + output("M.LPCM.stream.00.wav"), "[re]" + why + "[/re]",
                   "Creating " + output("M.LPCM.stream.01.mpa")}));
  EXPECT_EQ(host.warnings, Lines{why});

  // A read without details knows no format.
  state.options.cbDetails = false;
  readTitle(source);
  state.audioBoxes[1].ticked = false;
  host.warnings.clear();
  jobs.bDemuxClick();
  EXPECT_EQ(host.warnings, Lines{"Not as WAV: the read did not describe LPCM.stream.00 (a read with details does); "
                                 "it is written as carried."});
  EXPECT_EQ(ReadAll(output("M.LPCM.stream.00.mpa")).size(), 6u * 400 * 3 + 20);
}

// Against ffmpeg's own decoding of a small DVD-Video stream
// (tools/fixtures/make_lpcm_wav.py): 16, 20 and 24 bits, one to six
// channels, groups cut between packets; each WAV holds the same samples.
TEST_F(DemuxJobTest, LpcmAsWavHoldsWhatFfmpegDecodes) {
  const std::string data = KLARVEX_TEST_DATA;
  readTitle(data + "/lpcm_dvd.vob");
  state.options.cbLpcmWav = true;
  jobs.bDemuxClick();
  EXPECT_FALSE(jobs.lastFailure());
  const std::pair<std::string, size_t> streams[] = {
      {"A0.s16le", 80}, {"A1.s24le", 104}, {"A2.s24le", 104}, {"A3.s24le", 104}, {"A4.s24le", 104}};
  for (int n = 0; n < 5; ++n) {
    const auto& [decoded, header] = streams[n];
    SCOPED_TRACE(decoded);
    const Bytes wav = ReadAll(output("lpcm_dvd.LPCM.stream.0" + std::to_string(n) + ".wav"));
    const Bytes want = ReadAll(data + "/lpcm_dvd." + decoded);
    ASSERT_GT(want.size(), 500u);
    ASSERT_EQ(wav.size(), header + want.size());
    EXPECT_EQ(Bytes(wav.begin() + static_cast<ptrdiff_t>(header), wav.end()), want);
  }
}

// DVD-Audio LPCM has a layout of its own and stays as carried; substream
// A1 of an AOB is MLP, no LPCM at all, and "Extensions by coding" says so.
TEST_F(DemuxJobTest, DvdAudioLpcmIsWrittenAsCarried) {
  Bytes lpcm = Data(600, 1), mlp = Data(500, 2);
  ProgramStreamWriter w(Flavor::DvdAudio);
  w.audio(0xA0, lpcm, {90000});
  w.audio(0xA1, mlp, {90000});
  std::string source = dir.file("M.AOB");
  w.writeTo(source);
  readTitle(source);
  state.options.cbLpcmWav = state.options.cbCodecExt = true;
  jobs.bDemuxClick();
  EXPECT_EQ(ReadAll(output("M.LPCM.stream.00.pcm")), lpcm);
  EXPECT_EQ(ReadAll(output("M.LPCM.stream.01.mlp")), mlp);
  EXPECT_EQ(host.warnings, Lines{"Not as WAV: LPCM.stream.00 is DVD-Audio LPCM; it is written as carried."});
}

TEST_F(DemuxJobTest, AutoDemuxFollowsTheRead) {
  ProgramStreamWriter w;
  w.audio(0x80, Data(100, 1), {90000});
  std::string source = dir.file("M.EVO");
  w.writeTo(source);
  state.options.autoProcess = AutoProcess::Demux;
  readTitle(source);
  EXPECT_TRUE(std::filesystem::exists(output("M.DD.stream.00.mpa")));
}

}  // namespace
}  // namespace klarvex::testing
