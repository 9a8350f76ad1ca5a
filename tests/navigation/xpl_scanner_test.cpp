#include "navigation/xpl_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigation/xpl_tables.h"
#include "navigation/xpl_text.h"

namespace klarvex {
namespace {

using Lines = std::vector<std::string>;

Lines Scan(const std::vector<std::string>& pieces) {
  Lines lines;
  XplTagScanner scanner([&lines](const std::string& line) { lines.push_back(line); });
  for (const std::string& piece : pieces)
    scanner.feed(reinterpret_cast<const uint8_t*>(piece.data()), static_cast<int64_t>(piece.size()));
  return lines;
}

TEST(XplText, GetAttrIgnoresCaseAndTakesTheQuotedValue) {
  EXPECT_EQ(GetAttr("<Chapter displayname=\"Intro\"/>", "displayName"), "Intro");
  EXPECT_EQ(GetAttr("<Chapter DISPLAYNAME = \"A b\" x=\"y\"/>", "displayName"), "A b");
  EXPECT_EQ(GetAttr("<Chapter titleTimeBegin=\"1\"/>", "displayName"), "");
  // The name may hit inside a longer word: the first occurrence counts.
  EXPECT_EQ(GetAttr("<Audio xtrack=\"7\" track=\"2\"/>", "track"), "7");
  EXPECT_EQ(GetAttr("<Title displayName=\"unclosed/>", "displayName"), "");
}

TEST(XplText, GetAttrLooksOnly255CharactersPastTheName) {
  const std::string near = "<T name=\"" + std::string(252, 'v') + "\"/>";  // closing quote is the 255th
  EXPECT_EQ(GetAttr(near, "name"), std::string(252, 'v'));
  const std::string far = "<T name=\"" + std::string(253, 'v') + "\"/>";
  EXPECT_EQ(GetAttr(far, "name"), "");
}

TEST(XplText, NumbersAndPadding) {
  EXPECT_EQ(GetIntAttr("<Audio streamNumber=\"12\"/>", "streamNumber"), 12);
  EXPECT_EQ(GetIntAttr("<Audio streamNumber=\"1x\"/>", "streamNumber"), 0);
  EXPECT_EQ(GetIntAttr("<Audio streamNumber=\"99999999999\"/>", "streamNumber"), 0);
  EXPECT_EQ(GetIntAttr("<Audio/>", "streamNumber"), 0);
  EXPECT_EQ(GetIntAttr("<Audio streamNumber=\"-3\"/>", "streamNumber"), -3);
  EXPECT_EQ(PadNum(2, 2), "02");
  EXPECT_EQ(PadNum(16, 3), "016");
  EXPECT_EQ(PadNum(123, 2), "123");
}

TEST(XplScanner, TagsAreIndentedByNestingAndClosingTagsStepLeft) {
  Lines lines =
      Scan({"<?xml version=\"1.0\"?>\r\n<!-- note -->\r\n<A>\r\n  <B x=\"1\">text</B>\r\n"
            "  <C/>\r\n  <D>\r\n    <E/>\r\n  </D>\r\n</A>\r\n"});
  EXPECT_EQ(lines, (Lines{"<?xml version=\"1.0\"?>", "<!-- note -->", "<A>", "  <B x=\"1\">", "  </B>", "  <C/>",
                          "  <D>", "    <E/>", "  </D>", "</A>"}));
}

// 20,000 levels of "<>" in 40 KB: the indent stops at 64 levels, so the
// lines hold a few MB, not gigabytes.
TEST(XplScanner, DeepNestingIndentsNoFurtherThan64Levels) {
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "<>";
  Lines lines = Scan({deep});
  ASSERT_EQ(lines.size(), 20000u);
  EXPECT_EQ(lines[64], std::string(128, ' ') + "<>");
  EXPECT_EQ(lines.back(), lines[64]);
}

TEST(XplScanner, LineBreaksInsideATagBecomeOneBlank) {
  Lines lines = Scan({"<Title\r\n   id=\"1\"\t\tname=\"x\">"});
  EXPECT_EQ(lines, (Lines{"<Title    id=\"1\" name=\"x\">"}));
}

TEST(XplScanner, ATagSpanningTwoPiecesIsWhole) {
  std::string file = std::string(262140, ' ') + "<Chapter displayName=\"Intro\"/><Next/>";
  Lines lines = Scan({file.substr(0, 262144), file.substr(262144)});
  EXPECT_EQ(lines, (Lines{"<Chapter displayName=\"Intro\"/>", "<Next/>"}));
  // A comment's end split between pieces still closes its level.
  EXPECT_EQ(Scan({"<!-- a -", "-><B/>"}), (Lines{"<!-- a -->", "<B/>"}));
}

TEST(XplTables, WordsMatchInExactCaseAndFillTheTables) {
  XplAttributeTables tables;
  XplPlaylistValues values;
  for (const char* line :
       {"<Playlist displayName=\"Disc\">", "  <TitleSet timeBase=\"60fps\" tickBase=\"24fps\">",
        "<AudioAttributeItem index=\"1\" codec=\"DD+\" channels=\"6\"/>",
        "<AudioAttributeItem index=\"2\" codec=\"DTS\"/>", "<audioattributeitem index=\"3\" codec=\"LPCM\"/>",
        "<VideoAttributeItem index=\"8\" codec=\"VC-1\"/>", "<SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>",
        "<playlist displayName=\"ignored\">"})
    ApplyAttributeLine(line, tables, values);
  EXPECT_EQ(values.title, "Disc");
  EXPECT_EQ(values.timeBase, "60fps");
  EXPECT_EQ(values.tickBase, "24fps");
  EXPECT_EQ(tables.AudioAttrTable[1], "DD+.6ch");
  EXPECT_EQ(tables.AudioAttrTable[2], "DTS");
  EXPECT_EQ(tables.AudioAttrTable[3], "");
  EXPECT_EQ(tables.VideoCodecTable[8], "VC-1");
  EXPECT_EQ(tables.SubpictureAttrTable[1], "2bitRLE");
}

TEST(XplTables, ClosingTagsKeepTheValuesAndBadIndexesAreDropped) {
  XplAttributeTables tables;
  XplPlaylistValues values;
  for (const char* line :
       {"<Playlist displayName=\"Disc\">", "<TitleSet timeBase=\"60fps\" tickBase=\"24fps\">", "  </TitleSet>",
        "</Playlist>", "<VideoAttributeItem index=\"0\" codec=\"A\"/>", "<VideoAttributeItem index=\"9\" codec=\"B\"/>",
        "<VideoAttributeItem index=\"-1\" codec=\"C\"/>"})
    ApplyAttributeLine(line, tables, values);
  EXPECT_EQ(values.title, "Disc");
  EXPECT_EQ(values.timeBase, "60fps");
  EXPECT_EQ(values.tickBase, "24fps");
  for (const std::string& entry : tables.VideoCodecTable) EXPECT_EQ(entry, "");
}

}  // namespace
}  // namespace klarvex
