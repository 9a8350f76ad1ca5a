#include "navigation/xpl_text.h"

#include <charconv>

#include "base/text_format.h"

namespace klarvex {

namespace {

constexpr size_t kValueReach = 255;

std::string_view AfterFirst(std::string_view text, char c) {
  size_t at = text.find(c);
  return at == std::string_view::npos ? text : text.substr(at + 1);
}

}  // namespace

std::string GetAttr(std::string_view line, std::string_view name) {
  size_t at = UpperCase(std::string(line)).find(UpperCase(std::string(name)));
  if (at == std::string::npos) return "";
  std::string_view rest = line.substr(at + name.size()).substr(0, kValueReach);
  rest = AfterFirst(AfterFirst(rest, '='), '"');
  size_t close = rest.find('"');
  return close == std::string_view::npos ? "" : std::string(rest.substr(0, close));
}

int DecimalOr(std::string_view text, int fallback) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return fallback;
  return value;
}

int GetIntAttr(std::string_view line, std::string_view name) { return DecimalOr(GetAttr(line, name), 0); }

std::string PadNum(int number, int width) {
  std::string text = IntText(number);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  return text;
}

}  // namespace klarvex
