#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "jobs/jobs.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;

const char* const kPlaylist =
    "<?xml version=\"1.0\"?>\r\n"
    "<Playlist displayName=\"Disc\">\r\n"
    "  <MediaAttributeList>\r\n"
    "    <VideoAttributeItem index=\"1\" codec=\"VC-1\"/>\r\n"
    "    <AudioAttributeItem index=\"1\" codec=\"DD+\" channels=\"6\"/>\r\n"
    "    <AudioAttributeItem index=\"2\" codec=\"DTS\"/>\r\n"
    "    <SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>\r\n"
    "  </MediaAttributeList>\r\n"
    "  <TitleSet timeBase=\"60fps\" tickBase=\"24fps\">\r\n"
    "    <Title displayName=\"Feature\" titleDuration=\"01:30:00:00\">\r\n"
    "      <Clip src=\"file:///dvddisc/HVDVD_TS/FEATURE_1.MAP\"/>\r\n"
    "      <Video track=\"1\" mediaAttr=\"1\"/>\r\n"
    "      <Video track=\"2\" mediaAttr=\"1\"/>\r\n"
    "      <Audio track=\"1\" streamNumber=\"3\" mediaAttr=\"1\" description=\"English\"/>\r\n"
    "      <Audio track=\"2\" streamNumber=\"3\" mediaAttr=\"2\" description=\"Twice\"/>\r\n"
    "      <Audio track=\"3\" streamNumber=\"1\" mediaAttr=\"2\" langcode=\"de:01\" description=\"[Director]\"/>\r\n"
    "      <Subtitle track=\"1\" streamNumber=\"2\" mediaAttr=\"1\" description=\"English\"/>\r\n"
    "      <Chapter titleTimeBegin=\"00:00:00:00\" displayName=\"Intro\"/>\r\n"
    "      <Chapter titleTimeBegin=\"00:05:10:15\" displayName=\"Middle\"/>\r\n"
    "      <Chapter titleTimeBegin=\"01:20:00:59\" displayName=\"End\"/>\r\n"
    "    </Title>\r\n"
    "  </TitleSet>\r\n"
    "</Playlist>\r\n";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ReadXplJobTest : public ::testing::Test {
 protected:
  std::string writePlaylist(const std::string& text) {
    std::filesystem::create_directories(dir.file("ADV_OBJ"));
    std::string path = dir.file("ADV_OBJ/VPLST000.XPL");
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  void read(const std::string& source, const std::string& playlist) {
    state.eEVOfile = source;
    jobs.EVOadj();
    state.eXPLfile = playlist;
    jobs.XPLadj();
    jobs.bReadXPLClick();
  }

  TempDir dir;
  AppState state;
  RecordingHost host;
  Jobs jobs{state, host};
};

TEST_F(ReadXplJobTest, TheTitleOfTheSourceNamesTheBoxesAndFillsTheTab) {
  state.buttons.bReadEVO = true;
  std::string playlist = writePlaylist(kPlaylist);
  read(dir.file("HVDVD_TS/FEATURE_1.EVO"), playlist);

  EXPECT_EQ(host.lines,
            (Lines{"Open VPLST000.XPL", "Filesize: " + std::to_string(std::string(kPlaylist).size()) + " bytes",
                   "VC-1.s0 found!", "VC-1.s1 found!", "DD+.6ch.s02.English found!", "DTS.s00.[[Director] found!",
                   "2bitRLE.s01.English found!", "Done.", ""}));
  EXPECT_EQ(host.panel[0], "Ready");
  EXPECT_EQ(host.panel[1], "");
  EXPECT_EQ(host.progress.front(), std::to_string(std::string(kPlaylist).size()) + "/" +
                                       std::to_string(std::string(kPlaylist).size()) + " bytes");

  EXPECT_EQ(state.audioBoxes[2].caption, "DD+.6ch.s02.English");
  EXPECT_TRUE(state.audioBoxes[2].enabled && state.audioBoxes[2].ticked);
  EXPECT_EQ(state.audioBoxes[0].caption, "DTS.s00.[Director]");
  EXPECT_EQ(state.audioBoxes[1].caption, "No audio stream");
  EXPECT_FALSE(state.audioBoxes[1].enabled);
  EXPECT_EQ(state.videoBoxes[0].caption, "VC-1.s0");
  EXPECT_EQ(state.videoBoxes[1].caption, "No video stream");  // only cbVideo0 takes a playlist name
  EXPECT_FALSE(state.videoBoxes[1].ticked);
  EXPECT_EQ(state.subBoxes[1].caption, "2bitRLE.s01.English");
  // The language and name a muxer gives the tracks; cleared with the boxes.
  EXPECT_EQ(state.label(Section::Audio, 0).language, "de");
  EXPECT_EQ(state.label(Section::Audio, 0).name, "[Director]");
  EXPECT_EQ(state.label(Section::Subpicture, 1).name, "English");

  const StreamTable& streams = state.engine.streams;
  EXPECT_EQ(streams.video(1).streamId, 1);
  EXPECT_EQ(streams.audio(2).streamId, 1);
  EXPECT_EQ(streams.audio(1).streamId, -1);
  EXPECT_EQ(streams.subpicture(0).streamId, -1);

  const XplModel& xpl = state.xpl;
  EXPECT_EQ(xpl.mXPL.front(), "    <Title displayName=\"Feature\" titleDuration=\"01:30:00:00\">");
  EXPECT_EQ(xpl.mXPL.back(), "    </Title>");
  EXPECT_TRUE(xpl.mXPLVisible);
  EXPECT_EQ(xpl.tvXPL[0].children,
            (Lines{"Title: Disc", "Name: Feature", "Duration: 01:30:00:00", "TimeBase: 60fps", "TickBase: 24fps"}));
  EXPECT_EQ(xpl.mChapter.size(), 6u);

  EXPECT_TRUE(xpl.bWriteChaps);
  EXPECT_TRUE(state.buttons.bReadXPL && state.buttons.bReadEVO && state.buttons.bbEVO && state.buttons.bbXPL);
  EXPECT_TRUE(state.buttons.bDemux);
  EXPECT_EQ(state.activePage, 3);
  EXPECT_FALSE(state.engine.input.isOpen());
  EXPECT_FALSE(state.jobRunning);
}

TEST_F(ReadXplJobTest, WithoutAMatchingTitleTheWholePlaylistStaysAndTheTreeIsKept) {
  std::string playlist = writePlaylist(kPlaylist);
  read(dir.file("HVDVD_TS/FEATURE_1.EVO"), playlist);
  const std::vector<XplTreeNode> earlierTree = state.xpl.tvXPL;
  host.lines.clear();
  state.eEVOfile = dir.file("HVDVD_TS/OTHER.EVO");
  jobs.EVOadj();
  state.buttons.bReadEVO = false;
  jobs.bReadXPLClick();

  EXPECT_EQ(host.lines, (Lines{"Open VPLST000.XPL",
                               "Filesize: " + std::to_string(std::string(kPlaylist).size()) + " bytes", "Done.", ""}));
  EXPECT_EQ(state.xpl.mXPL.size(), 23u);
  EXPECT_EQ(state.xpl.mXPL[0], "<?xml version=\"1.0\"?>");
  EXPECT_EQ(state.xpl.tvXPL, earlierTree);
  EXPECT_TRUE(state.xpl.mChapter.empty());
  EXPECT_FALSE(state.xpl.bWriteChaps);
  EXPECT_FALSE(state.buttons.bReadEVO);  // given back as it was
  state.forEachBox([](const StreamBox& b) { EXPECT_FALSE(b.enabled || b.ticked); });
  EXPECT_EQ(state.engine.streams.audio(2).streamId, -1);
}

TEST_F(ReadXplJobTest, AMissingPlaylistFailsWithTheButtonsBack) {
  state.buttons.bReadEVO = true;
  state.xpl.mChapter = {"CHAPTER01=00:00:00.000", "CHAPTER01NAME=Intro"};  // from an earlier read
  state.xpl.bWriteChaps = true;
  const std::string missing = dir.file("ADV_OBJ/VPLST000.XPL");
  state.eXPLfile = missing;
  jobs.XPLadj();
  try {
    jobs.bReadXPLClick();
    FAIL() << "no failure";
  } catch (const KlarvexError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_TRUE(host.lines.empty());
  EXPECT_TRUE(state.buttons.bReadXPL && state.buttons.bReadEVO && state.buttons.bbEVO && state.buttons.bbXPL);
  EXPECT_TRUE(state.xpl.bWriteChaps);
  EXPECT_FALSE(state.jobRunning);
}

TEST_F(ReadXplJobTest, ATagAcrossTwoPiecesOfTheFileIsReadWhole) {
  std::string text = kPlaylist;
  size_t title = text.find("<Title ");
  text.insert(title, 262144 - title - 4, ' ');  // "<Title" starts 4 bytes before the piece ends
  read(dir.file("HVDVD_TS/FEATURE_1.EVO"), writePlaylist(text));
  EXPECT_EQ(state.xpl.tvXPL[0].children[1], "Name: Feature");
  EXPECT_EQ(host.progress, (Lines{"262144/" + std::to_string(text.size()) + " bytes",
                                  std::to_string(text.size()) + "/" + std::to_string(text.size()) + " bytes", ""}));
}

TEST_F(ReadXplJobTest, PlaylistFolderGivesTheSourceFolder) {
  state.eXPLfile = "/disc/ADV_OBJ/VPLST000.XPL";
  jobs.XPLadj();
  EXPECT_EQ(state.names.XplName, "VPLST000.XPL");
  EXPECT_EQ(state.names.XplDir, "/disc/ADV_OBJ/");
  EXPECT_EQ(state.names.SourceDir, "/disc/HVDVD_TS/");
  EXPECT_TRUE(state.buttons.bReadXPL);
  state.names.SourceDir = "/keep/";
  state.eXPLfile = "/disc/adv_obj/";
  jobs.XPLadj();
  EXPECT_EQ(state.names.SourceDir, "/keep/");
  EXPECT_FALSE(state.buttons.bReadXPL);
}

TEST_F(ReadXplJobTest, AChosenPlaylistIsReadWithAutoRead) {
  state.eEVOfile = dir.file("HVDVD_TS/FEATURE_1.EVO");
  jobs.EVOadj();
  state.options.cbAutoRead = false;
  const std::string playlist = writePlaylist(kPlaylist);
  jobs.XplChosen(playlist);
  EXPECT_EQ(state.eXPLfile, playlist);
  EXPECT_TRUE(host.lines.empty());
  state.options.cbAutoRead = true;
  jobs.XplChosen(playlist);
  EXPECT_EQ(host.lines.front(), "Open VPLST000.XPL");
  EXPECT_EQ(state.audioBoxes[2].caption, "DD+.6ch.s02.English");
}

TEST_F(ReadXplJobTest, ChaptersAreWrittenWithCrLfAndReplacedOnTheSecondWrite) {
  read(dir.file("HVDVD_TS/FEATURE_1.EVO"), writePlaylist(kPlaylist));
  state.options.eWorkdir = dir.path();
  host.lines.clear();
  jobs.bWriteChapsClick();
  jobs.bWriteChapsClick();
  const std::string name = dir.path() + "/FEATURE_1.chapters.txt";
  EXPECT_EQ(Slurp(name),
            "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Intro\r\nCHAPTER02=00:05:10.250\r\nCHAPTER02NAME=Middle\r\n"
            "CHAPTER03=01:20:00.983\r\nCHAPTER03NAME=End\r\n");
  EXPECT_EQ(host.lines, (Lines{"Chapters info writed to " + name, "Chapters info writed to " + name}));
  EXPECT_TRUE(state.xpl.bWriteChaps);
}

TEST_F(ReadXplJobTest, AChapterFileThatCannotBeCreatedIsReported) {
  read(dir.file("HVDVD_TS/FEATURE_1.EVO"), writePlaylist(kPlaylist));
  state.options.eWorkdir = dir.file("missing");
  host.lines.clear();
  EXPECT_THROW(jobs.bWriteChapsClick(), KlarvexError);
  EXPECT_TRUE(host.lines.empty());
  EXPECT_TRUE(state.xpl.bWriteChaps);
}

TEST_F(ReadXplJobTest, TheSamplePlaylistDescribesTheSampleTitle) {
  read(KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO", KLARVEX_SAMPLES "/ADV_OBJ/VPLST000.XPL");
  EXPECT_EQ(state.xpl.tvXPL[1].children, (Lines{"VC-1.s0", "AVC.s1"}));
  EXPECT_EQ(state.xpl.tvXPL[2].children.size(), 5u);
  EXPECT_EQ(state.xpl.tvXPL[3].children.size(), 2u);
  EXPECT_EQ(state.xpl.mChapter.size(), 8u);
  EXPECT_EQ(state.audioBoxes[0].caption, "DD+.6ch.s00.English");
}

// Read EVO, then Read XPL: the boxes take the playlist's names, and the
// streams keep what the read found, so the Demux forms (extensions by
// coding, LPCM as WAV) still know each stream's coding.
TEST_F(ReadXplJobTest, APlaylistReadAfterTheTitleKeepsWhatTheReadFound) {
  state.eEVOfile = KLARVEX_SAMPLES "/HVDVD_TS/FEATURE_1.EVO";
  state.options.cbContinue = false;
  jobs.EVOadj();
  jobs.bReadEVOClick();
  read(state.eEVOfile, KLARVEX_SAMPLES "/ADV_OBJ/VPLST000.XPL");
  state.options.eWorkdir = dir.path();
  state.options.cbCodecExt = state.options.cbLpcmWav = true;
  jobs.bDemuxClick();
  ASSERT_FALSE(jobs.lastFailure());
  for (const char* name : {"FEATURE_1.VC-1.s0.vc1", "FEATURE_1.DD+.6ch.s00.English.eac3",
                           "FEATURE_1.LPCM.2ch.s04.Commentary.wav", "FEATURE_1.8bitRLE.s01.Francais.sup"})
    EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
}

}  // namespace
}  // namespace klarvex::testing
