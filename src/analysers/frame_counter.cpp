#include "analysers/frame_counter.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace klarvex {

namespace {

constexpr uint8_t kMpeg2Picture = 0x00;
constexpr uint8_t kMpeg2Extension = 0xB5;
// extension_start_code_identifier, the high 4 bits of the byte after B5
constexpr int kSequenceExtensionId = 1;
constexpr int kPictureCodingExtensionId = 8;
// Bytes after B5 looked at: the picture coding extension's 4th holds
// repeat_first_field.
constexpr int kExtensionBytes = 4;

int PictureCode(VideoKind kind) {
  switch (kind) {
    case VideoKind::Mpeg2:
      return kMpeg2Picture;
    case VideoKind::H264:
      return 0x09;
    case VideoKind::Vc1:
      return 0x0D;
    case VideoKind::None:
      break;
  }
  return -1;
}

// Calls visit(at + b) for each set bit b of `pairs`, lowest first.
template <typename Visit>
inline void VisitPairs(int64_t at, uint64_t pairs, Visit& visit) {
  while (pairs) {
    visit(at + __builtin_ctzll(pairs));
    pairs &= pairs - 1;
  }
}

#if defined(__x86_64__) || defined(__i386__)
// A step over positions [i, i + k) reads p[i .. i+k], so i + k <= n keeps
// every byte it looks at inside the piece.
__attribute__((target("avx2"))) inline __m256i ZeroPairs32(const uint8_t* p) {
  const __m256i zero = _mm256_setzero_si256();
  __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
  return _mm256_and_si256(_mm256_cmpeq_epi8(here, zero), _mm256_cmpeq_epi8(next, zero));
}

// Whether any of the 128 positions from p holds a zero pair: the larger
// byte of each pair is zero only there.
__attribute__((target("avx2"))) inline __m256i LargerOfPairs32(const uint8_t* p) {
  return _mm256_max_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                         _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1)));
}

__attribute__((target("avx2"))) inline bool AnyZeroPair128(const uint8_t* p) {
  __m256i least = _mm256_min_epu8(_mm256_min_epu8(LargerOfPairs32(p), LargerOfPairs32(p + 32)),
                                  _mm256_min_epu8(LargerOfPairs32(p + 64), LargerOfPairs32(p + 96)));
  __m256i zeros = _mm256_cmpeq_epi8(least, _mm256_setzero_si256());
  return !_mm256_testz_si256(zeros, zeros);
}

template <typename Visit>
__attribute__((target("avx2"))) inline void ZeroPairs64(const uint8_t* p, int64_t i, Visit& visit) {
  __m256i low = ZeroPairs32(p + i), high = ZeroPairs32(p + i + 32);
  if (_mm256_testz_si256(_mm256_or_si256(low, high), _mm256_or_si256(low, high))) return;
  uint64_t pairs = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                   static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
  VisitPairs(i, pairs, visit);
}

// Most of video data holds no pair for hundreds of bytes, so the search
// goes 128 positions a step and looks closer only where there is one.
template <typename Visit>
__attribute__((target("avx2"))) void ZeroPairsAvx2(const uint8_t* p, int64_t n, int64_t& i, Visit& visit) {
  for (; i + 128 <= n; i += 128) {
    if (!AnyZeroPair128(p + i)) continue;
    ZeroPairs64(p, i, visit);
    ZeroPairs64(p, i + 64, visit);
  }
  for (; i + 64 <= n; i += 64) ZeroPairs64(p, i, visit);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// Calls visit(i), in rising order, for each i in [0, n) where p[i] and
// p[i + 1] are both zero; the caller keeps p[i + 3] inside the piece. Video
// data rarely holds two zero bytes in a row outside start codes, so the
// search is for zero pairs, many bytes a step.
template <typename Visit>
void ForEachZeroPair(const uint8_t* p, int64_t n, Visit visit) {
  int64_t i = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (HasAvx2()) ZeroPairsAvx2(p, n, i, visit);
#endif
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    int pairs = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, zero), _mm_cmpeq_epi8(next, zero)));
    if (pairs) VisitPairs(i, static_cast<uint32_t>(pairs), visit);
  }
#endif
  for (; i < n; ++i)
    if (p[i] == 0 && p[i + 1] == 0) visit(i);
}

// Calls code(value, end) for each start code 00 00 01 <value> that ends in
// the piece, in stream order; `end` is the index of <value>. Codes that end
// in the first three bytes may begin in the carried tail, which is then
// updated.
template <typename OnCode>
void ForEachStartCode(const uint8_t* piece, int64_t count, FrameCounterCarry& carry, OnCode code) {
  uint32_t rolling = carry.tail;
  int64_t head = count < 3 ? count : 3;
  for (int64_t i = 0; i < head; ++i) {
    rolling = rolling << 8 | piece[i];
    if ((rolling & 0xFFFFFF00u) == 0x100u) code(static_cast<uint8_t>(rolling), i);
  }
  if (count > 3) {
    ForEachZeroPair(piece, count - 3, [&](int64_t i) {
      if (piece[i + 2] == 1) code(piece[i + 3], i + 3);
    });
  }
  // Keep the last three bytes of the stream for the next piece.
  if (count >= 3) {
    carry.tail = static_cast<uint32_t>(piece[count - 3]) << 16 | piece[count - 2] << 8 | piece[count - 1];
  } else {
    carry.tail = rolling & 0xFFFFFF;
  }
}

// Keeps an MPEG-2 stream's field count in the carry: two fields at each
// picture start code, changed by the picture coding extension after it.
class Mpeg2Fields {
 public:
  Mpeg2Fields(const uint8_t* piece, int64_t count, FrameCounterCarry& carry)
      : piece_(piece), count_(count), carry_(carry) {}

  // An extension cut by the end of the last piece goes on in this one.
  void finishCutExtension() {
    if (carry_.extensionWanted > 0) gather(0);
  }

  void onCode(uint8_t value, int64_t end) {
    if (value == kMpeg2Picture) {
      carry_.fields += 2;
      carry_.pictureOpen = true;
    } else if (value == kMpeg2Extension) {
      startExtension(end + 1);
    }
  }

 private:
  // Rare beside slice start codes: kept out of the scanning loop.
  [[gnu::noinline]] void startExtension(int64_t from) {
    carry_.extension = 0;
    carry_.extensionWanted = kExtensionBytes;
    gather(from);
  }

  void gather(int64_t from) {
    for (int64_t i = from; i < count_ && carry_.extensionWanted > 0; ++i, --carry_.extensionWanted)
      carry_.extension = carry_.extension << 8 | piece_[i];
    if (carry_.extensionWanted == 0) decode(carry_.extension);
  }

  // `bytes`: the four bytes after B5, the first in the high byte.
  void decode(uint32_t bytes) {
    int id = static_cast<int>(bytes >> 28);
    if (id == kSequenceExtensionId) {
      // profile_and_level_indication(8) then progressive_sequence(1)
      carry_.progressiveSequence = (bytes >> 19 & 1) != 0;
    } else if (id == kPictureCodingExtensionId && carry_.pictureOpen) {
      // 3rd byte: f_code[1][1](4) intra_dc_precision(2) picture_structure(2);
      // 4th byte: top_field_first(1) ... repeat_first_field(1) chroma_420_type(1).
      carry_.pictureOpen = false;
      int structure = static_cast<int>(bytes >> 8 & 3);
      bool topFirst = (bytes >> 7 & 1) != 0, repeat = (bytes >> 1 & 1) != 0;
      if (structure == 1 || structure == 2) {
        carry_.fields -= 1;  // one field of a pair: the pair is one frame
      } else if (structure == 3 && repeat) {
        carry_.repeatedFields = true;
        carry_.fields += !carry_.progressiveSequence ? 1 : topFirst ? 4 : 2;
      }
    }
  }

  const uint8_t* piece_;
  int64_t count_;
  FrameCounterCarry& carry_;
};

int CountMpeg2Frames(const uint8_t* piece, int64_t count, FrameCounterCarry& carry) {
  const int64_t framesBefore = carry.fields / 2;
  Mpeg2Fields fields(piece, count, carry);
  fields.finishCutExtension();
  ForEachStartCode(piece, count, carry, [&](uint8_t value, int64_t end) { fields.onCode(value, end); });
  return static_cast<int>(carry.fields / 2 - framesBefore);
}

}  // namespace

int CountVideoFrames(const uint8_t* piece, int64_t count, VideoKind kind, FrameCounterCarry& carry) {
  int code = PictureCode(kind);
  if (count <= 0 || code < 0) return 0;
  if (kind == VideoKind::Mpeg2) return CountMpeg2Frames(piece, count, carry);
  int frames = 0;
  ForEachStartCode(piece, count, carry, [&](uint8_t value, int64_t) { frames += value == code; });
  return frames;
}

}  // namespace klarvex
