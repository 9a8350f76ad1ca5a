#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>

#include "base/errors.h"
#include "base/markup.h"
#include "jobs/jobs.h"
#include "ps_writer.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;

Bytes Pictures(uint8_t code, int count) {
  Bytes es;
  for (int i = 0; i < count; ++i) {
    es.insert(es.end(), {0x00, 0x00, 0x01, code});
    es.insert(es.end(), 40, static_cast<uint8_t>(0x80 + i % 64));
  }
  return es;
}

class ReadEvoJobTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }

  // A title file: navigation pack, one VC-1 (or other) video stream,
  // AC-3 audio 0 and subpicture 0.
  std::string writeTitleFile(const std::string& name, uint16_t vob, int pictures, uint8_t videoExt = 0x55) {
    ProgramStreamWriter w;
    NavPackInfo nav;
    nav.vobNumber = vob;
    nav.vobStartPtm = 90000;
    nav.vobEndPtm = 90000 + 45045;  // 0.5005 s
    nav.audioSync = {1};
    nav.subSync = {1};
    w.navPack(nav);
    w.vc1(videoExt, Pictures(0x0D, pictures), {90000});
    w.audio(0x80, Bytes(500, 0x11), {90000});
    w.subpicture(0x20, Bytes{0x00, 0x30, 0x01}, {90000});
    std::string path = dir.file(name);
    w.writeTo(path);
    return path;
  }

  void chooseSource(const std::string& path) {
    state.eEVOfile = path;
    jobs.EVOadj();
  }

  Lines linesFrom(const std::string& first) const {
    for (size_t i = 0; i < host.lines.size(); ++i)
      if (host.lines[i] == first) return Lines(host.lines.begin() + static_cast<std::ptrdiff_t>(i), host.lines.end());
    return {};
  }

  TempDir dir;
  AppState state;
  RecordingHost host;
  Jobs jobs{state, host};
};

TEST_F(ReadEvoJobTest, SingleFileIsReadAndItsBoxesLabelled) {
  chooseSource(writeTitleFile("MOVIE.EVO", 1, 3));
  state.buttons.bReadXPL = false;
  jobs.bReadEVOClick();

  EXPECT_EQ(state.names.SourceBase, "MOVIE");
  EXPECT_EQ(host.lines[0], ".");
  EXPECT_EQ(host.lines[1], "Opening file [b]MOVIE.EVO[/b]");
  EXPECT_EQ(host.lines[2], "Reading...");
  EXPECT_EQ(host.lines[3], "File size: 0 Mbytes.");
  Lines tail = linesFrom("Done.");
  EXPECT_EQ(tail, (Lines{"Done.", "", "3 frames count in video stream 0.", ""}));
  EXPECT_EQ(host.panel[0], "Ready");
  EXPECT_EQ(host.panel[1], "");

  EXPECT_EQ(state.videoBoxes[0].caption, "VC-1.stream.0");
  EXPECT_TRUE(state.videoBoxes[0].enabled && state.videoBoxes[0].ticked);
  EXPECT_EQ(state.videoBoxes[1].caption, "No video stream");
  EXPECT_FALSE(state.videoBoxes[1].enabled);
  EXPECT_EQ(state.audioBoxes[0].caption, "DD.stream.00");
  EXPECT_EQ(state.audioBoxes[1].caption, "No audio stream");
  EXPECT_EQ(state.subBoxes[0].caption, "Subpicture.00");
  EXPECT_EQ(state.subBoxes[1].caption, "No subpicture");

  EXPECT_TRUE(state.buttons.bReadEVO);
  EXPECT_FALSE(state.buttons.bReadXPL) << "restored as it was before the read";
  EXPECT_TRUE(state.buttons.bDemux);
  EXPECT_TRUE(state.buttons.bRebuild);
  EXPECT_TRUE(state.buttons.bbEVO && state.buttons.bbXPL);
  EXPECT_FALSE(state.buttons.bCancel);
  EXPECT_FALSE(state.jobRunning);
}

TEST_F(ReadEvoJobTest, TitleOfTwoFilesIsReadInOneRun) {
  std::string first = writeTitleFile("FEATURE_1.EVO", 1, 4);
  writeTitleFile("FEATURE_2.EVO", 2, 6, 0x56);
  chooseSource(first);
  state.buttons.bReadXPL = true;
  state.options.cbDetails = false;
  jobs.bReadEVOClick();

  EXPECT_EQ(state.names.SourceBase, "FEATURE_1_MERGED");
  Lines opening;
  for (const auto& line : host.lines)
    if (line.rfind("Opening file", 0) == 0) opening.push_back(line);
  EXPECT_EQ(opening, (Lines{"Opening file [b]FEATURE_1.EVO[/b]", "Opening file [b]FEATURE_2.EVO[/b]"}));
  // The boxes and the counts cover both files.
  EXPECT_EQ(state.videoBoxes[0].caption, "VC-1.stream.0");
  EXPECT_EQ(state.videoBoxes[1].caption, "VC-1.stream.1");
  EXPECT_EQ(state.engine.streams.video(0).frameCount, 4);
  EXPECT_EQ(state.engine.streams.video(1).frameCount, 6);
  EXPECT_DOUBLE_EQ(state.engine.run.totalSeconds, 2 * 45045 / 90000.0);
  EXPECT_TRUE(state.buttons.bReadXPL);

  // Without "Continue with the next EVO" only the first file is read.
  host.lines.clear();
  state.options.cbContinue = false;
  jobs.bReadEVOClick();
  EXPECT_EQ(state.names.SourceBase, "FEATURE_1");
  EXPECT_EQ(state.videoBoxes[0].caption, "VC-1.stream.0");
}

TEST_F(ReadEvoJobTest, FileWithoutStreamsLeavesEverythingDisabled) {
  ProgramStreamWriter w;
  w.paddingPack();
  std::string path = dir.file("EMPTY.EVO");
  w.writeTo(path);
  chooseSource(path);
  jobs.bReadEVOClick();
  state.forEachBox([](const StreamBox& b) { EXPECT_FALSE(b.enabled || b.ticked); });
  EXPECT_FALSE(state.buttons.bDemux);
  EXPECT_FALSE(state.buttons.bRebuild);
  EXPECT_EQ(linesFrom("Done."), (Lines{"Done.", ""}));
}

TEST_F(ReadEvoJobTest, SourceThatCannotBeOpenedEndsTheJobButLeavesTheButtonsUsable) {
  chooseSource(dir.file("MISSING.EVO"));
  state.buttons.bReadXPL = true;
  try {
    jobs.bReadEVOClick();
    FAIL() << "no failure";
  } catch (const KlarvexError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.file("MISSING.EVO") + "\". No such file or directory");
  }
  EXPECT_TRUE(state.buttons.bReadEVO);
  EXPECT_TRUE(state.buttons.bReadXPL);
  EXPECT_TRUE(state.buttons.bbEVO && state.buttons.bbXPL);
  EXPECT_FALSE(state.buttons.bDemux);
  EXPECT_FALSE(state.engine.input.isOpen());
  EXPECT_FALSE(state.jobRunning);
  EXPECT_TRUE(linesFrom("Done.").empty());

  // The user can try again at once.
  chooseSource(writeTitleFile("MOVIE.EVO", 1, 1));
  jobs.bReadEVOClick();
  EXPECT_EQ(state.videoBoxes[0].caption, "VC-1.stream.0");
}

TEST_F(ReadEvoJobTest, NamesWithBracketsAreShownWhole) {
  chooseSource(writeTitleFile("[2009] Movie [b].EVO", 1, 1));
  jobs.bReadEVOClick();
  EXPECT_EQ(host.lines[1], "Opening file [b][[2009] Movie [[b].EVO[/b]");
  EXPECT_EQ(host.panel[0], "Ready");
}

TEST_F(ReadEvoJobTest, AutoClearEmptiesTheLogFirst) {
  chooseSource(writeTitleFile("MOVIE.EVO", 1, 1));
  host.lines = {"old"};
  state.options.cbAutoClear = true;
  jobs.bReadEVOClick();
  EXPECT_EQ(host.clears, 1);
  EXPECT_NE(host.lines[0], "old");
}

TEST_F(ReadEvoJobTest, AobMlpBoxIsStillCaptionedFromItsId) {
  ProgramStreamWriter w(Flavor::DvdAudio);
  w.audio(0xA1, Bytes(3000, 0x22), {90000});
  std::string path = dir.file("ATS_01_1.AOB");
  w.writeTo(path);
  chooseSource(path);
  state.buttons.bRebuild = false;
  jobs.bReadEVOClick();
  EXPECT_EQ(state.audioBoxes[1].caption, "LPCM.stream.01");
  EXPECT_TRUE(state.buttons.bDemux);
  EXPECT_FALSE(state.buttons.bRebuild) << "Rebuild is for EVO sources";
}

// ---- stream boxes and buttons ----

TEST_F(ReadEvoJobTest, BoxesFollowTicksAndRebuildOnlyForEvo) {
  state.eEVOfile = "/x/a.evo";  // lower case counts as .EVO
  jobs.Resetcbs();
  EXPECT_FALSE(state.buttons.bDemux);
  state.audioBoxes[15].ticked = true;
  jobs.cbVideoClick();
  EXPECT_TRUE(state.buttons.bDemux);
  EXPECT_TRUE(state.buttons.bRebuild);
  state.audioBoxes[15].ticked = false;
  jobs.cbVideoClick();
  EXPECT_FALSE(state.buttons.bDemux);
  EXPECT_FALSE(state.buttons.bRebuild);

  state.eEVOfile = "/x/VTS_01_1.VOB";
  state.videoBoxes[7].ticked = true;  // boxes without a stream count too
  jobs.cbVideoClick();
  EXPECT_TRUE(state.buttons.bDemux);
  EXPECT_FALSE(state.buttons.bRebuild) << "left unchanged for a VOB";
  state.buttons.bRebuild = true;
  state.videoBoxes[7].ticked = false;
  jobs.cbVideoClick();
  EXPECT_TRUE(state.buttons.bRebuild);
}

// A read started with an empty source box (the window's command line may)
// fails on its open; Read EVO then stays off, as the empty box leaves it.
TEST_F(ReadEvoJobTest, ReadWithAnEmptySourceBoxLeavesReadEvoDisabled) {
  chooseSource("");
  EXPECT_THROW(jobs.bReadEVOClick(), KlarvexError);
  EXPECT_FALSE(state.buttons.bReadEVO);
  EXPECT_TRUE(state.buttons.bbEVO && state.buttons.bbXPL);
  EXPECT_FALSE(state.jobRunning);
}

TEST_F(ReadEvoJobTest, SourceInADiscFolderFindsItsPlaylist) {
  state.eEVOfile = "/disc/HVDVD_TS/FEATURE_1.EVO";
  jobs.EVOadj();
  EXPECT_EQ(state.names.SourceDir, "/disc/HVDVD_TS/");
  EXPECT_EQ(state.names.SourceName, "FEATURE_1.EVO");
  EXPECT_EQ(state.names.SourceBase, "FEATURE_1");
  EXPECT_EQ(state.eXPLfile, "/disc/ADV_OBJ/VPLST000.XPL");
  EXPECT_TRUE(state.buttons.bReadEVO);
  EXPECT_TRUE(state.buttons.bReadXPL);

  // A lower-case folder is not the disc's; the derived playlist stays known.
  state.eEVOfile = "/other/hvdvd_ts/X.EVO";
  jobs.EVOadj();
  EXPECT_EQ(state.eXPLfile, "VPLST000.XPL");
  EXPECT_EQ(state.names.XplDir, "/disc/ADV_OBJ/");
  EXPECT_TRUE(state.buttons.bReadXPL);

  state.eEVOfile = "";
  jobs.EVOadj();
  EXPECT_FALSE(state.buttons.bReadEVO);
  EXPECT_EQ(state.names.SourceName, "");
}

TEST_F(ReadEvoJobTest, OutputPrefixWithAndWithoutClosingSlash) {
  state.eEVOfile = dir.file("MOVIE.EVO");
  jobs.EVOadj();
  jobs.formOutputNames();
  EXPECT_EQ(state.names.OutputPrefix, "MOVIE");
  state.options.eWorkdir = "/out";
  jobs.formOutputNames();
  EXPECT_EQ(state.names.OutputPrefix, "/out/MOVIE");
  state.options.eWorkdir = "/out/";
  jobs.formOutputNames();
  EXPECT_EQ(state.names.OutputPrefix, "/out/MOVIE");
}

TEST_F(ReadEvoJobTest, CancelAsksOnlyDuringAWriteJob) {
  jobs.bCancelClick();
  EXPECT_TRUE(state.engine.run.StopRequested);
  EXPECT_TRUE(host.questions.empty());

  state.engine.run.StopRequested = false;
  state.engine.run.WriteJobRunning = true;
  host.confirmAnswer = false;
  jobs.bCancelClick();
  EXPECT_FALSE(state.engine.run.StopRequested);
  EXPECT_EQ(host.questions, (Lines{"Are you sure to stop demuxing?"}));
  host.confirmAnswer = true;
  jobs.bCancelClick();
  EXPECT_TRUE(state.engine.run.StopRequested);
  EXPECT_EQ(host.lines, (Lines{"Cancelled."}));
}

TEST_F(ReadEvoJobTest, FastCheckBoxEnablesItsSize) {
  state.options.cbFastCheck = false;
  jobs.cbFastCheckClick();
  EXPECT_FALSE(state.fastSizeEnabled());
  state.options.cbFastCheck = true;
  jobs.cbFastCheckClick();
  EXPECT_TRUE(state.fastSizeEnabled());
}

// ---- frame report ----

// The last id of each subpicture range names stream 31.
TEST_F(ReadEvoJobTest, LastSubpictureIdsAreFound) {
  const std::pair<uint8_t, std::string> cases[] = {{0x3F, "[b]Subpicture[/b] stream 31 found!"},
                                                   {0x7F, "[b]Extended subpicture[/b] stream 31 found!"}};
  for (const auto& [id, found] : cases) {
    ProgramStreamWriter w;
    w.subpicture(id, Bytes{0x00, 0x30, 0x01}, {90000});
    w.writeTo(dir.file("S.EVO"));
    host.lines.clear();
    chooseSource(dir.file("S.EVO"));
    jobs.bReadEVOClick();
    EXPECT_NE(std::find(host.lines.begin(), host.lines.end(), found), host.lines.end()) << found;
    EXPECT_EQ(state.engine.streams.subpicture(31).streamId, id);
  }
}

class FrameReportTest : public ReadEvoJobTest {
 protected:
  void set(int k, int32_t count, double rate) {
    state.engine.streams.video(k).frameCount = count;
    state.engine.streams.video(k).frameRate = rate;
  }
};

TEST_F(FrameReportTest, CountedAndCalculatedFrames) {
  set(0, 172651, 24000.0 / 1001);
  state.engine.run.totalSeconds = 7200.0;
  jobs.logframes();
  EXPECT_EQ(host.lines, (Lines{"172651 counted frames ([b]2:00:00.985[/b]) in video stream 0.",
                               "172627 calculated frames in video stream 0.", ""}));
}

TEST_F(FrameReportTest, TwoStreamsInOrderAndUnknownRates) {
  set(0, 100, 25);
  set(1, 50, 0);
  state.engine.run.totalSeconds = 4.0;
  jobs.logframes();
  EXPECT_EQ(host.lines, (Lines{"100 counted frames ([b]0:00:04.000[/b]) in video stream 0.",
                               "100 calculated frames in video stream 0.", "50 frames count in video stream 1.", ""}));
}

TEST_F(FrameReportTest, NothingCountedShowsOnlyCalculatedLines) {
  set(0, 0, 0);
  set(1, 0, 50);
  state.engine.run.totalSeconds = 0.05;  // 2.5 frames: a half rounds to even
  jobs.logframes();
  EXPECT_EQ(host.lines, (Lines{"2 calculated frames in video stream 1."}));

  host.lines.clear();
  set(1, 0, 0);
  jobs.logframes();
  EXPECT_TRUE(host.lines.empty());
}

TEST_F(FrameReportTest, SoftPulldownCountsFieldsAndJoinsTheDescription) {
  // Sequence header 720x480, 4:3, 29.97 fps; sequence extension with
  // progressive_sequence 0; four pictures whose coding extensions
  // (8F FF F3 tt 80: frame picture) set repeat_first_field (tt = 82) on
  // every other one: 3 + 2 + 3 + 2 fields, 5 frames.
  Bytes es = {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x24, 0xFF, 0xFF, 0xE0, 0, 0, 1, 0xB5, 0x14, 0x82, 0, 1, 0, 0};
  for (uint8_t flags : {0x82, 0x00, 0x82, 0x00})
    es.insert(es.end(), {0, 0, 1, 0x00, 0x00, 0x0F, 0xFF, 0xF8, 0, 0, 1, 0xB5, 0x8F, 0xFF, 0xF3, flags, 0x80});
  ProgramStreamWriter w;
  NavPackInfo nav;
  nav.vobStartPtm = 90000;
  nav.vobEndPtm = 90000 + 5 * 3003;
  w.navPack(nav);
  w.video(0xE0, es, {90000});
  chooseSource(dir.file("FILM.EVO"));
  w.writeTo(state.eEVOfile);
  jobs.bReadEVOClick();

  const std::string pulldown = "   2:3 pulldown: film at [bl]23.976[/bl] fps";
  EXPECT_EQ(linesFrom("Done."), (Lines{"Done.", "", "5 counted frames ([b]0:00:00.167[/b]) in video stream 0.",
                                       pulldown, "5 calculated frames in video stream 0.", ""}));
  jobs.logframes();
  const std::vector<std::string>& description = state.engine.streams.video(0).description;
  EXPECT_EQ(std::count(description.begin(), description.end(), StripTags(pulldown)), 1)
      << "once however often reported";
  EXPECT_EQ(description.back(), "   2:3 pulldown: film at 23.976 fps");
}
}  // namespace
}  // namespace klarvex::testing
