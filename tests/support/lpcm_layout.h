// LPCM test streams: the same samples as a DVD or HD DVD holds them and as
// a WAV file holds them, each written out sample by sample, independently
// of the converter under test.
#pragma once

#include <cstdint>

#include "test_bytes.h"

namespace klarvex::testing {

// Sample k of a test stream: a 24-bit value that differs in every byte from
// its neighbours, cut to the word length (20 bits: the low nibble zero).
inline uint32_t LpcmSampleValue(int k, int bits) {
  uint32_t v = (static_cast<uint32_t>(k) * 0x9E3779u + 0x51A7u) & 0xFFFFFF;
  return bits == 16 ? v >> 8 : bits == 20 ? v & 0xFFFFF0 : v;
}

// `samples` samples as the disc holds them: groups of one sample at 16
// bits, else of two samples (mono) or four, taken in stream order: the high
// words first, then a low byte per sample (24 bits) or a nibble per sample,
// high nibble first (20 bits).
inline Bytes DvdLpcmLayout(int samples, int channels, int bits) {
  const int group = bits == 16 ? 1 : channels == 1 ? 2 : 4;
  const int groupBytes = group * bits / 8;
  Bytes out(static_cast<size_t>(samples / group * groupBytes));
  for (int k = 0; k < samples; ++k) {
    const uint32_t v = LpcmSampleValue(k, bits);
    const uint32_t high = bits == 16 ? v : v >> 8;
    uint8_t* g = out.data() + k / group * groupBytes;
    const int i = k % group;
    g[2 * i] = static_cast<uint8_t>(high >> 8);
    g[2 * i + 1] = static_cast<uint8_t>(high);
    if (bits == 24) g[2 * group + i] = static_cast<uint8_t>(v);
    if (bits == 20) g[2 * group + i / 2] |= static_cast<uint8_t>(i % 2 ? (v >> 4) & 0xF : v & 0xF0);
  }
  return out;
}

// The same samples as WAV holds them: little-endian, 20 bits in 24.
inline Bytes WavLpcmLayout(int samples, int bits) {
  Bytes out;
  for (int k = 0; k < samples; ++k) {
    const uint32_t v = LpcmSampleValue(k, bits);
    for (int b = 0; b < (bits == 16 ? 2 : 3); ++b) out.push_back(static_cast<uint8_t>(v >> (8 * b)));
  }
  return out;
}

}  // namespace klarvex::testing
