// The playlist cut into tags at "<" and ">", byte by byte, each tag one
// line indented two blanks per nesting level. Text between tags is not
// kept. The state carries over from one piece of the file to the next, so
// a tag may span pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace klarvex {

class XplTagScanner {
 public:
  using LineSink = std::function<void(const std::string& line)>;

  explicit XplTagScanner(LineSink sink) : sink_(std::move(sink)) {}

  void feed(const uint8_t* bytes, int64_t count);

 private:
  void scan(uint8_t c);
  void appendInside(uint8_t c);
  void finishLine();

  LineSink sink_;
  std::string tagLine_;
  int depth_ = 0;
  bool insideTag_ = false;
  uint8_t last_ = 0, beforeLast_ = 0;
};

}  // namespace klarvex
