#include "navigation/xpl_scanner.h"

#include <algorithm>

namespace klarvex {

void XplTagScanner::feed(const uint8_t* bytes, int64_t count) {
  for (int64_t i = 0; i < count; ++i) scan(bytes[i]);
}

void XplTagScanner::scan(uint8_t c) {
  if (c == '<') {
    insideTag_ = true;
    ++depth_;
  }
  if (insideTag_) appendInside(c);
  if (c == '/' && last_ == '<') {
    // A closing tag stands one level left of its content.
    depth_ -= 2;
    tagLine_.erase(0, 2);
  }
  if (c == '>') finishLine();
  beforeLast_ = last_;
  last_ = c;
}

// Line ends and tabs become one blank, never two in a row.
void XplTagScanner::appendInside(uint8_t c) {
  if (c > 31)
    tagLine_ += static_cast<char>(c);
  else if (tagLine_.empty() || tagLine_.back() != ' ')
    tagLine_ += ' ';
}

void XplTagScanner::finishLine() {
  insideTag_ = false;
  sink_(tagLine_);
  tagLine_.clear();
  // Empty elements, declarations and comments open no level.
  if (last_ == '/' || last_ == '?') --depth_;
  if (beforeLast_ == '-' && last_ == '-') --depth_;
  // A real playlist nests a handful of levels; a damaged one may open
  // thousands, and an indent of two blanks a level would make its lines
  // grow with the square of the file. Deeper levels share the last indent.
  constexpr int kDeepestIndent = 64;
  if (depth_ > 0) tagLine_.assign(static_cast<size_t>(std::min(depth_, kDeepestIndent)) * 2, ' ');
}

}  // namespace klarvex
