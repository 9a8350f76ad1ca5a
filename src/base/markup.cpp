#include "markup.h"

#include <cctype>

namespace klarvex {

namespace {

constexpr size_t kRestLimit = 255;

uint32_t RgbColour(uint8_t red, uint8_t green, uint8_t blue) {
  return red | (green << 8) | (static_cast<uint32_t>(blue) << 16);
}

// Walks a message left to right. Plain text is copied with "[[" turned into
// "["; a "[" with a "]" after it opens a tag.
class MarkupScanner {
 public:
  explicit MarkupScanner(std::string_view message) : rest_(message) {}

  // Appends plain text to `out` up to the next tag; returns false when the
  // message holds no further tag (all of it was appended).
  bool plainUntilTag(std::string& out) {
    size_t i = 0;
    while (i < rest_.size()) {
      char c = rest_[i];
      if (c != '[') {
        out.push_back(c);
        ++i;
        continue;
      }
      if (i + 1 < rest_.size() && rest_[i + 1] == '[') {
        out.push_back('[');
        i += 2;
        continue;
      }
      size_t close = rest_.find(']', i + 1);
      if (close == std::string_view::npos) {  // a lone "[": shown as it stands
        out.append(rest_.substr(i));
        rest_ = {};
        return false;
      }
      tagName_ = rest_.substr(i + 1, close - i - 1);
      afterTag(close + 1);
      return true;
    }
    rest_ = {};
    return false;
  }

  std::string_view tagName() const { return tagName_; }

 private:
  void afterTag(size_t next) {
    rest_ = rest_.substr(next);
    if (rest_.size() > kRestLimit) rest_ = rest_.substr(0, kRestLimit);
  }

  std::string_view rest_;
  std::string_view tagName_;
};

}  // namespace

TagEffect EffectOfTag(std::string_view name) {
  if (name == "b") return {TagEffectKind::Bold, 0};
  if (name == "i") return {TagEffectKind::Italic, 0};
  if (name == "u") return {TagEffectKind::Underline, 0};
  if (name == "s1") return {TagEffectKind::Size10, 0};
  if (name == "s2") return {TagEffectKind::Size12, 0};
  if (name.substr(0, 2) == "c:") return {TagEffectKind::Colour, HexToInt(name.substr(2))};
  if (name == "bl") return {TagEffectKind::Colour, RgbColour(0, 0, 255)};
  if (name == "re") return {TagEffectKind::Colour, RgbColour(255, 0, 0)};
  return {TagEffectKind::Reset, 0};
}

MarkupLine ParseMarkup(std::string_view message) {
  MarkupLine line;
  MarkupScanner scanner(message);
  while (scanner.plainUntilTag(line.text)) {
    std::string_view name = scanner.tagName();
    if (!name.empty() && name[0] == '/') continue;  // a closing tag without its opening one
    std::string closing = "/" + std::string(name);
    StyledRun run{line.text.size(), 0, EffectOfTag(name)};
    // The run's text reaches to its closing tag; tags met on the way are dropped.
    bool closed = false;
    while (scanner.plainUntilTag(line.text)) {
      if (scanner.tagName() == closing) {
        closed = true;
        break;
      }
    }
    run.length = line.text.size() - run.start;
    if (closed) line.runs.push_back(run);
  }
  return line;
}

std::string StripTags(std::string_view message) { return ParseMarkup(message).text; }

uint32_t HexToInt(std::string_view digits) {
  uint32_t value = 0;
  for (char c : digits) {
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u >= '0' && u <= '9')
      value = value * 16 + static_cast<uint32_t>(u - '0');
    else if (u >= 'A' && u <= 'F')
      value = value * 16 + static_cast<uint32_t>(u - 'A' + 10);
  }
  return value;
}

std::string Literal(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    out.push_back(c);
    if (c == '[') out.push_back('[');
  }
  return out;
}

}  // namespace klarvex
