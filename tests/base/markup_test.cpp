#include "base/markup.h"

#include <gtest/gtest.h>

#include <string>

namespace klarvex {
namespace {

constexpr uint32_t kBlue = 0xFF0000;  // 0x00BBGGRR
constexpr uint32_t kRed = 0x0000FF;

void ExpectRun(const StyledRun& run, size_t start, size_t length, TagEffectKind kind, uint32_t colour = 0) {
  EXPECT_EQ(run.start, start);
  EXPECT_EQ(run.length, length);
  EXPECT_EQ(run.effect.kind, kind);
  EXPECT_EQ(run.effect.colour, colour);
}

TEST(MarkupParse, BlueValueInLine) {
  MarkupLine line = ParseMarkup("Frame rate = [bl]23.976[/bl] fps");
  EXPECT_EQ(line.text, "Frame rate = 23.976 fps");
  ASSERT_EQ(line.runs.size(), 1u);
  ExpectRun(line.runs[0], 13, 6, TagEffectKind::Colour, kBlue);
}

TEST(MarkupParse, TwoRunsAndBold) {
  MarkupLine two = ParseMarkup("[bl]16[/bl] bits, [bl]DTS ES[/bl]");
  EXPECT_EQ(two.text, "16 bits, DTS ES");
  ASSERT_EQ(two.runs.size(), 2u);
  ExpectRun(two.runs[0], 0, 2, TagEffectKind::Colour, kBlue);
  ExpectRun(two.runs[1], 9, 6, TagEffectKind::Colour, kBlue);

  MarkupLine bold = ParseMarkup("Opening file [b]name[/b]");
  EXPECT_EQ(bold.text, "Opening file name");
  ASSERT_EQ(bold.runs.size(), 1u);
  ExpectRun(bold.runs[0], 13, 4, TagEffectKind::Bold);
  EXPECT_EQ(StripTags("Opening file [b]X.EVO[/b]"), "Opening file X.EVO");
}

TEST(MarkupParse, UnknownNameResetsButIsRemoved) {
  MarkupLine line = ParseMarkup("a [B]x[/B] b");
  EXPECT_EQ(line.text, "a x b");
  ASSERT_EQ(line.runs.size(), 1u);
  ExpectRun(line.runs[0], 2, 1, TagEffectKind::Reset);
}

TEST(MarkupParse, TagEffects) {
  EXPECT_EQ(EffectOfTag("b").kind, TagEffectKind::Bold);
  EXPECT_EQ(EffectOfTag("i").kind, TagEffectKind::Italic);
  EXPECT_EQ(EffectOfTag("u").kind, TagEffectKind::Underline);
  EXPECT_EQ(EffectOfTag("s1").kind, TagEffectKind::Size10);
  EXPECT_EQ(EffectOfTag("s2").kind, TagEffectKind::Size12);
  EXPECT_EQ(EffectOfTag("bl").colour, kBlue);
  EXPECT_EQ(EffectOfTag("re").colour, kRed);
  EXPECT_EQ(EffectOfTag("re").kind, TagEffectKind::Colour);
  // "c:" takes the hex value as 0x00BBGGRR: 0000FF is red, FF0000 blue.
  EXPECT_EQ(EffectOfTag("c:0000FF").colour, kRed);
  EXPECT_EQ(EffectOfTag("c:FF0000").colour, kBlue);
  EXPECT_EQ(EffectOfTag("c:").kind, TagEffectKind::Colour);
  EXPECT_EQ(EffectOfTag("c:").colour, 0u);
  for (const char* other : {"B", "I", "s3", "c", "blue", "", "/b"})
    EXPECT_EQ(EffectOfTag(other).kind, TagEffectKind::Reset) << other;
}

TEST(MarkupParse, HexToIntSkipsNonDigitsAnyCase) {
  EXPECT_EQ(HexToInt(""), 0u);
  EXPECT_EQ(HexToInt("1cCf0"), 0x1CCF0u);
  EXPECT_EQ(HexToInt("$00-ff:G0"), 0xFF0u);  // '$', '-', ':' and 'G' skipped
  EXPECT_EQ(HexToInt("FFFFFFFF"), 0xFFFFFFFFu);
}

TEST(MarkupParse, TextAfterTagCutTo255) {
  const std::string long300(300, 'x');
  EXPECT_EQ(StripTags(long300), long300);  // no tag: never cut
  EXPECT_EQ(ParseMarkup("abc" + long300).text, "abc" + long300);

  const std::string cut = "abc" + std::string(255, 'x');
  EXPECT_EQ(StripTags("abc[b]" + long300), cut);
  EXPECT_EQ(ParseMarkup("abc[b]" + long300).text, cut);

  // The cut applies from the first tag on: 200 + 4 ("[/b]") + 51 = 255.
  MarkupLine line = ParseMarkup("[b]" + std::string(200, 'x') + "[/b]" + std::string(100, 'y'));
  EXPECT_EQ(line.text, std::string(200, 'x') + std::string(51, 'y'));
  ASSERT_EQ(line.runs.size(), 1u);
  ExpectRun(line.runs[0], 0, 200, TagEffectKind::Bold);
}

TEST(MarkupParse, LiteralNameShownWholeAndBold) {
  const std::string name = "[2009] Movie [b].EVO";
  EXPECT_EQ(Literal(name), "[[2009] Movie [[b].EVO");
  EXPECT_EQ(Literal("plain"), "plain");
  MarkupLine line = ParseMarkup("Opening file [b]" + Literal(name) + "[/b]");
  EXPECT_EQ(line.text, "Opening file " + name);
  ASSERT_EQ(line.runs.size(), 1u);
  ExpectRun(line.runs[0], 13, name.size(), TagEffectKind::Bold);
}

TEST(MarkupParse, StrayBrackets) {
  EXPECT_EQ(StripTags("["), "[");
  EXPECT_EQ(StripTags("50 [ 60"), "50 [ 60");
  EXPECT_EQ(StripTags("end ["), "end [");
  MarkupLine line = ParseMarkup("[bl]x[/bl] and [");
  EXPECT_EQ(line.text, "x and [");
  EXPECT_EQ(line.runs.size(), 1u);

  MarkupLine closing = ParseMarkup("a[/b]b");  // closing tag without its opening
  EXPECT_EQ(closing.text, "ab");
  EXPECT_TRUE(closing.runs.empty());
}

}  // namespace
}  // namespace klarvex
