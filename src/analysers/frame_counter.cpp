#include "analysers/frame_counter.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace klarvex {

namespace {

int PictureCode(VideoKind kind) {
  switch (kind) {
    case VideoKind::Mpeg2: return 0x00;
    case VideoKind::H264: return 0x09;
    case VideoKind::Vc1: return 0x0D;
    case VideoKind::None: break;
  }
  return -1;
}

// A start code 00 00 01 <code> whose first zero is at index i.
inline bool CodeAt(const uint8_t* p, int64_t i, uint8_t code) {
  return p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1 && p[i + 3] == code;
}

// Checks the zero pairs that a vector step found: bit b of `pairs` is set
// when p[at + b] and p[at + b + 1] are both zero.
inline int CodesAtPairs(const uint8_t* p, int64_t at, uint64_t pairs, uint8_t code) {
  int frames = 0;
  while (pairs) {
    int bit = __builtin_ctzll(pairs);
    frames += p[at + bit + 2] == 1 && p[at + bit + 3] == code;
    pairs &= pairs - 1;
  }
  return frames;
}

#if defined(__x86_64__) || defined(__i386__)
// 64 positions a step; a step reads p[i .. i+64], so i + 64 <= n keeps
// every code byte it may look at inside the piece.
__attribute__((target("avx2"))) inline __m256i ZeroPairs32(const uint8_t* p) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
  return _mm256_and_si256(_mm256_cmpeq_epi8(here, zero), _mm256_cmpeq_epi8(next, zero));
}

__attribute__((target("avx2"))) int CountZeroPairsAvx2(const uint8_t* p, int64_t n, uint8_t code, int64_t& i) {
  int frames = 0;
  for (; i + 64 <= n; i += 64) {
    __m256i low = ZeroPairs32(p + i), high = ZeroPairs32(p + i + 32);
    if (_mm256_testz_si256(_mm256_or_si256(low, high), _mm256_or_si256(low, high))) continue;
    uint64_t pairs = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                     static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
    frames += CodesAtPairs(p, i, pairs, code);
  }
  return frames;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// Codes whose first byte lies at an index in [0, n), n = count - 3: all
// four bytes in the piece. Video data rarely holds two zero bytes in a row
// outside start codes, so the search is for zero pairs, many bytes a step.
int CountWithinPiece(const uint8_t* p, int64_t count, uint8_t code) {
  const int64_t n = count - 3;
  int frames = 0;
  int64_t i = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2()) frames += CountZeroPairsAvx2(p, n, code, i);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    int pairs = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, zero), _mm_cmpeq_epi8(next, zero)));
    if (pairs) frames += CodesAtPairs(p, i, static_cast<uint32_t>(pairs), code);
  }
#endif
  for (; i < n; ++i) frames += CodeAt(p, i, code);
  return frames;
}

}  // namespace

int CountVideoFrames(const uint8_t* piece, int64_t count, VideoKind kind, FrameCounterCarry& carry) {
  int code = PictureCode(kind);
  if (count <= 0 || code < 0) return 0;
  int frames = 0;

  // Codes that end in the first three bytes may begin in the carried tail.
  uint32_t rolling = carry.tail;
  int64_t head = count < 3 ? count : 3;
  for (int64_t i = 0; i < head; ++i) {
    rolling = rolling << 8 | piece[i];
    if (rolling == (0x00000100u | static_cast<uint32_t>(code))) ++frames;
  }

  if (count > 3) frames += CountWithinPiece(piece, count, static_cast<uint8_t>(code));

  // Keep the last three bytes of the stream for the next piece.
  if (count >= 3) {
    carry.tail = static_cast<uint32_t>(piece[count - 3]) << 16 | piece[count - 2] << 8 | piece[count - 1];
  } else {
    carry.tail = rolling & 0xFFFFFF;
  }
  return frames;
}

}  // namespace klarvex
