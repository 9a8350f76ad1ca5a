// libFuzzer target: the log's markup over arbitrary messages. Besides not
// crashing it checks what the pane and the command line rely on: the runs
// lie inside the display text in order, StripTags gives the display text,
// and a value put in through Literal shows exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/markup.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  const klarvex::MarkupLine line = klarvex::ParseMarkup(message);
  Require(line.text.size() <= message.size());
  size_t end = 0;
  for (const klarvex::StyledRun& run : line.runs) {
    Require(run.start >= end);
    Require(run.start + run.length <= line.text.size());
    end = run.start + run.length;
  }
  Require(klarvex::StripTags(message) == line.text);
  (void)klarvex::HexToInt(message);

  const std::string value(message);
  const std::string literal = klarvex::Literal(value);
  const klarvex::MarkupLine shown = klarvex::ParseMarkup("Opening file [b]" + literal + "[/b]");
  // What follows a tag is cut after 255 characters, as in every message:
  // only a value that fits with its closing tag shows whole.
  if (literal.size() + 4 <= 255 && value.find(']') == std::string::npos) {
    Require(shown.text == "Opening file " + value);
    Require(shown.runs.size() == 1);
  }
  return 0;
}
