// A read-only view of the walker's ReadBuffer: the analysers address it by
// index, and a byte beyond what the last read loaded reads as zero, so no
// analyser can read outside the buffer however damaged the stream.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace klarvex {

struct ByteView {
  const uint8_t* data = nullptr;
  int64_t loaded = 0;  // bytes actually read into the buffer

  uint8_t at(int64_t index) const { return index >= 0 && index < loaded ? data[index] : 0; }
  bool holds(int64_t index, int64_t count) const { return index >= 0 && index + count <= loaded; }
  uint16_t be16(int64_t index) const {
    return holds(index, 2) ? ReadBe16(data + index) : static_cast<uint16_t>(at(index) << 8 | at(index + 1));
  }
  uint32_t be32(int64_t index) const {
    if (holds(index, 4)) return ReadBe32(data + index);
    return static_cast<uint32_t>(at(index)) << 24 | static_cast<uint32_t>(at(index + 1)) << 16 |
           static_cast<uint32_t>(at(index + 2)) << 8 | at(index + 3);
  }
};

}  // namespace klarvex
