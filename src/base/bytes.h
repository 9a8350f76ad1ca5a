// Bytes: big-endian fields, as MPEG program streams and the disc's tables
// write them, and the mebibyte sizes are counted in.
#pragma once

#include <cstdint>

namespace klarvex {

inline uint16_t ReadBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

inline uint32_t ReadBe32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

inline void WriteBe32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}

// A 5-byte PTS or DTS field (ISO/IEC 13818-1): its low 32 bits, bit 32
// dropped, as every time of the program counts.
inline uint32_t ReadTimestamp(const uint8_t* f) {
  return (uint32_t{f[0]} & 0x06) << 29 | uint32_t{f[1]} << 22 | (uint32_t{f[2]} & 0xFE) << 14 | uint32_t{f[3]} << 7 |
         uint32_t{f[4]} >> 1;
}

// One mebibyte: file sizes in the log, progress steps, buffer sizes.
inline constexpr int64_t kMiB = 1048576;

}  // namespace klarvex
