#include "analysers/bit_reader.h"

namespace klarvex {

void BitReader::LoadWindow() {
  window = view_.be32(position);
  position += 4;
  consumed = 0;
}

void BitReader::SkipBits(int n) {
  if (n <= 0) return;
  // The window is always the 4 bytes before `position`, shifted left by
  // `consumed`; moving on n bits just moves that frame.
  int64_t total = consumed + n;
  position += static_cast<int32_t>(total / 8);
  consumed = static_cast<int32_t>(total % 8);
  window = view_.be32(static_cast<int64_t>(position) - 4) << consumed;
}

uint32_t BitReader::ReadBits(int n) {
  if (n <= 0) return 0;
  if (n > 32) n = 32;
  // Read from the byte stream itself: with consumed > 0 the window's low
  // bits are not yet loaded, but a 32-bit read must still see them.
  int64_t start = static_cast<int64_t>(position) - 4;
  uint64_t bits = static_cast<uint64_t>(view_.be32(start)) << 8 | view_.at(start + 4);
  uint32_t value =
      static_cast<uint32_t>((bits << consumed) >> (40 - n) & ((n == 32) ? 0xFFFFFFFFull : ((1ull << n) - 1)));
  SkipBits(n);
  return value;
}

uint32_t BitReader::ReadUE() {
  int zeros = 0;
  while (ReadBits(1) == 0) {
    if (pastEnd()) return 0;
    ++zeros;
  }
  if (zeros == 0) return 0;
  if (zeros > 31) zeros = 31;  // no 32-bit value has a longer prefix
  return ReadBits(zeros) + ((1u << zeros) - 1);
}

int32_t BitReader::ReadSE() {
  uint32_t code = ReadUE();
  int64_t magnitude = (static_cast<int64_t>(code) + 1) / 2;
  return static_cast<int32_t>((code & 1) ? magnitude : -magnitude);
}

}  // namespace klarvex
