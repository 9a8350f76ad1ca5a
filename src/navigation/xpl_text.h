// Attribute look-ups in a tag line: plain text searches, no XML parsing.
#pragma once

#include <string>
#include <string_view>

namespace klarvex {

// The value of attribute `name` in `line`: the name is searched ignoring
// case (it may hit inside a longer word), then the text between the first
// pair of double quotes after the "=" that follows it, within 255
// characters. Empty when the name is absent or no value closes in reach.
std::string GetAttr(std::string_view line, std::string_view name);

// GetAttr read as a decimal number; 0 when missing or not a number.
int GetIntAttr(std::string_view line, std::string_view name);

// Decimal text of `number`, "0" put in front up to `width` characters.
std::string PadNum(int number, int width);

// A whole text read as a decimal int (optional sign); `fallback` otherwise.
int DecimalOr(std::string_view text, int fallback);

}  // namespace klarvex
