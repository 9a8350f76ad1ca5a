#include "navigation/xpl_title.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigation/xpl_chapters.h"

namespace klarvex {
namespace {

using Lines = std::vector<std::string>;

const Lines kPlaylist = {
    "<Playlist displayName=\"Disc\">",
    "  <TitleSet timeBase=\"60fps\" tickBase=\"24fps\">",
    "    <Title id=\"A\" displayName=\"Trailer\" titleDuration=\"00:00:30:00\">",
    "      <Clip src=\"TRAILER.MAP\"/>",
    "    </Title>",
    "    <TITLE id=\"B\" displayName=\"Feature\" titleDuration=\"01:30:00:00\">",
    "      <Clip src=\"FEATURE_1.MAP\"/>",
    "      <Video track=\"1\" mediaAttr=\"1\"/>",
    "      <Video track=\"2\" mediaAttr=\"1\"/>",
    "      <audio track=\"1\" streamNumber=\"3\" mediaAttr=\"1\" description=\"English\"/>",
    "      <Audio track=\"2\" streamNumber=\"3\" mediaAttr=\"2\" description=\"Again\"/>",
    "      <Audio track=\"3\" streamNumber=\"17\" mediaAttr=\"1\" description=\"NoSlot\"/>",
    "      <Audio track=\"4\" streamNumber=\"1\" mediaAttr=\"9\" description=\"NoAttr\"/>",
    "      <Audio track=\"5\" streamNumber=\"1\" mediaAttr=\"2\" langcode=\"fr:01\" description=\"Stereo\"/>",
    "      <Subtitle track=\"1\" streamNumber=\"32\" mediaAttr=\"1\" langcode=\"ja\" description=\"Last\"/>",
    "      <Subtitle track=\"2\" streamNumber=\"0\" mediaAttr=\"1\" description=\"None\"/>",
    "      <Chapter titleTimeBegin=\"00:00:00:00\" displayName=\"Intro\"/>",
    "      <Chapter titleTimeBegin=\"00:05:10:15\" displayName=\"Middle\"/>",
    "    </Title>",
    "    <Title id=\"C\" displayName=\"Extra\">",
    "    </Title>",
    "  </TitleSet>",
    "</Playlist>",
};

XplAttributeTables Tables() {
  XplAttributeTables tables;
  tables.VideoCodecTable[1] = "VC-1";
  tables.AudioAttrTable[1] = "DD+.6ch";
  tables.AudioAttrTable[2] = "DD";
  tables.SubpictureAttrTable[1] = "8bitRLE";
  return tables;
}

TEST(XplTitle, TheTitleNamingTheSourceIsCutOut) {
  Lines lines = kPlaylist;
  ASSERT_TRUE(CutToTitle(lines, "FEATURE_1"));
  EXPECT_EQ(lines.front(), kPlaylist[5]);
  EXPECT_EQ(lines.back(), kPlaylist[18]);
  EXPECT_EQ(lines.size(), 14u);
}

TEST(XplTitle, NoTitleIsChosenWithoutAMatchBelowTheFirstLine) {
  Lines lines = kPlaylist;
  EXPECT_FALSE(CutToTitle(lines, "FEATURE_9"));
  EXPECT_FALSE(CutToTitle(lines, "feature_1"));  // the base name is matched in exact case
  EXPECT_FALSE(CutToTitle(lines, "Playlist"));   // only the first line holds it
  EXPECT_FALSE(CutToTitle(lines, ""));
  EXPECT_EQ(lines, kPlaylist);
}

TEST(XplTitle, WithoutATitleLineAboveNothingIsCutAtTheTop) {
  Lines lines = {"<A>", "<B src=\"X.MAP\"/>", "</Title>", "<C/>"};
  ASSERT_TRUE(CutToTitle(lines, "X"));
  EXPECT_EQ(lines, (Lines{"<A>", "<B src=\"X.MAP\"/>", "</Title>"}));
}

TEST(XplTitle, TreeTracksAndChapters) {
  Lines lines = kPlaylist;
  ASSERT_TRUE(CutToTitle(lines, "FEATURE_1"));
  XplTitleView view = BuildTitleView(lines, Tables(), {"Disc", "60fps", "24fps"});
  EXPECT_EQ(
      view.tree,
      (std::vector<XplTreeNode>{
          {"Info", {"Title: Disc", "Name: Feature", "Duration: 01:30:00:00", "TimeBase: 60fps", "TickBase: 24fps"}},
          {"Video", {"VC-1.s0", "VC-1.s1"}},
          {"Audio", {"DD+.6ch.s02.English", "DD.s00.Stereo"}},
          {"Subtitle", {"8bitRLE.s31.Last"}},
          {"Chapter", {"00:00:00:00: Intro", "00:05:10:15: Middle"}},
      }));
  EXPECT_EQ(view.tracks, (std::vector<XplTrack>{{XplTrackKind::Video, 0, "VC-1.s0"},
                                                {XplTrackKind::Video, 1, "VC-1.s1"},
                                                {XplTrackKind::Audio, 2, "DD+.6ch.s02.English", "", "English"},
                                                {XplTrackKind::Audio, 0, "DD.s00.Stereo", "fr", "Stereo"},
                                                {XplTrackKind::Subtitle, 31, "8bitRLE.s31.Last", "ja", "Last"}}));
  EXPECT_EQ(view.chapters,
            (Lines{"CHAPTER01=00:00:00.000", "CHAPTER01NAME=Intro", "CHAPTER02=00:05:10.250", "CHAPTER02NAME=Middle"}));
}

// Numbers at the ends of int name no slot: dropped, without an overflow.
TEST(XplTitle, TrackAndStreamNumbersWithoutASlotNameNothing) {
  for (const char* number : {"-2147483648", "2147483647", "0"}) {
    const std::string n = number;
    Lines lines = {"<Title displayName=\"T\">", "<Video track=\"" + n + "\" mediaAttr=\"1\"/>",
                   "<Audio streamNumber=\"" + n + "\" mediaAttr=\"1\"/>",
                   "<Subtitle streamNumber=\"" + n + "\" mediaAttr=\"1\"/>", "</Title>"};
    EXPECT_TRUE(BuildTitleView(lines, Tables(), {"Disc", "60fps", "24fps"}).tracks.empty()) << number;
  }
}

TEST(XplTitle, AnEmptyPlaylistTitleGivesNoTitleNode) {
  XplTitleView view = BuildTitleView({"<Title displayName=\"T\">"}, {}, {});
  EXPECT_EQ(view.tree[0].children, (Lines{"Name: T", "Duration: ", "TimeBase: ", "TickBase: "}));
}

TEST(XplChapters, StartTimesAndNumbers) {
  EXPECT_EQ(ChapterStartTime("00:12:34:30"), "00:12:34.500");
  EXPECT_EQ(ChapterStartTime("01:02:03:01"), "01:02:03.016");
  EXPECT_EQ(ChapterStartTime("01:20:00:59"), "01:20:00.983");
  EXPECT_EQ(ChapterStartTime(""), ".000");
  // A frame field outside 0 to 59 is clamped: the time stays well formed.
  EXPECT_EQ(ChapterStartTime("00:00:00:-5"), "00:00:00.000");
  EXPECT_EQ(ChapterStartTime("00:00:01:99"), "00:00:01.983");
  Lines list;
  for (int n = 1; n <= 10; ++n) AddChapter(list, n, "", "");
  EXPECT_EQ(list[18], "CHAPTER10=.000");
  EXPECT_EQ(list[19], "CHAPTER10NAME=");
  EXPECT_EQ(ChapterFileText({"CHAPTER01=00:00:00.000", "CHAPTER01NAME=Intro"}),
            "CHAPTER01=00:00:00.000\r\nCHAPTER01NAME=Intro\r\n");
  EXPECT_EQ(ChapterFileName("/out", "FEATURE_1"), "/out/FEATURE_1.chapters.txt");
  EXPECT_EQ(ChapterFileName("/out/", "FEATURE_1_MERGED"), "/out/FEATURE_1_MERGED.chapters.txt");
  EXPECT_EQ(ChapterFileName("", "FEATURE_1"), "FEATURE_1.chapters.txt");
}

}  // namespace
}  // namespace klarvex
