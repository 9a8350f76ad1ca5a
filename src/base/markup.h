// The light markup of log messages: "[b]bold[/b]", "[bl]blue[/bl]",
// "[re]red[/re]" and a few more. A message is shown with its tags removed
// and each tagged run styled.
//
// A value that may hold "[" (a file name) is put into a message through
// `Literal`, which doubles each "["; "[[" then stands for a plain "[" and is
// never read as a tag, so such names are shown whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace klarvex {

enum class TagEffectKind { Bold, Italic, Underline, Size10, Size12, Colour, Reset };

struct TagEffect {
  TagEffectKind kind = TagEffectKind::Reset;
  // For Colour: lowest byte red, then green, then blue (0x00BBGGRR).
  uint32_t colour = 0;
};

// The effect of a tag name: "b", "i", "u", "s1", "s2", "c:<hex>", "bl",
// "re"; any other name resets the run to the default appearance.
TagEffect EffectOfTag(std::string_view name);

struct StyledRun {
  size_t start = 0;  // index into the display text
  size_t length = 0;
  TagEffect effect;
};

struct MarkupLine {
  std::string text;             // the message with its tags removed
  std::vector<StyledRun> runs;  // tagged stretches of `text`
};

// Splits a message into its display text and styled runs. The text that
// follows a tag's "]" is cut to 255 characters, as the log always did;
// a message without tags is never cut.
MarkupLine ParseMarkup(std::string_view message);

// The message without its tags (the display text of ParseMarkup).
std::string StripTags(std::string_view message);

// Value of the hexadecimal digits in `digits`; other characters are skipped.
uint32_t HexToInt(std::string_view digits);

// A value for use inside a message: every "[" doubled so it shows as itself.
std::string Literal(std::string_view value);

}  // namespace klarvex
