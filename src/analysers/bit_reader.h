// Big-endian bit reader over the ReadBuffer, with the Exp-Golomb codes of
// H.264 clause 9.1. State: `position` is the index of the next byte to be
// loaded, `window` holds the next bits from bit 31 down with its low
// `consumed` bits zero. Missing bytes read as zero.
#pragma once

#include <cstdint>

#include "analysers/byte_view.h"

namespace klarvex {

class BitReader {
 public:
  explicit BitReader(ByteView view) : view_(view) {}

  int32_t position = 0;
  uint32_t window = 0;
  int32_t consumed = 0;

  // window = the 4 bytes at position; position += 4; consumed = 0.
  void LoadWindow();
  // Starts reading at byte `index` (position = index, then LoadWindow).
  void LoadAt(int32_t index) {
    position = index;
    LoadWindow();
  }
  void SkipBits(int n);
  // The next n bits (1 to 32), first bit most significant; then SkipBits(n).
  uint32_t ReadBits(int n);
  bool ReadFlag() { return ReadBits(1) != 0; }
  // Unsigned and signed Exp-Golomb codes. A run of zero bits that reaches
  // the end of the loaded bytes stops there and gives 0.
  uint32_t ReadUE();
  int32_t ReadSE();

  // Absolute index, in bits, of the next bit to be read.
  int64_t bitPosition() const { return (static_cast<int64_t>(position) - 4) * 8 + consumed; }
  bool pastEnd() const { return bitPosition() >= view_.loaded * 8; }
  const ByteView& view() const { return view_; }

 private:
  ByteView view_;
};

}  // namespace klarvex
