#include "engine/navigation_patch.h"

#include <array>
#include <cstring>

namespace klarvex {

namespace {

constexpr int64_t kPackSize = 2048;

// Pack offsets of the bytes patched.
namespace at {
constexpr int64_t kAudioBound = 23;       // system header: audio_bound in bits 7-2
constexpr int64_t kVideoBound = 24;       // system header: video_bound in bits 4-0
constexpr int64_t kDsiSignature = 0x509;  // 01 BF 02 F3 01: the DSI packet in its place
constexpr int64_t kDsiBase = 0x50E;
constexpr int64_t kVobStartPtm = 0x53A;
constexpr int64_t kVobEndPtm = 0x53E;
constexpr int64_t kAudioSync = 0x720;  // 8 entries of 2 bytes
constexpr int64_t kSubSync = 0x730;    // 32 entries of 4 bytes
static_assert(kVobStartPtm == kDsiBase + dsi::kVobStartPtm && kVobEndPtm == kDsiBase + dsi::kVobEndPtm);
static_assert(kAudioSync == kDsiBase + dsi::kAudioSyncHdDvd && kSubSync == kDsiBase + dsi::kSubSyncHdDvd);
}  // namespace at

constexpr std::array<uint8_t, 5> kDsiSignature{0x01, 0xBF, 0x02, 0xF3, 0x01};
constexpr int kAudioSyncEntries = 8, kSubSyncEntries = 32;

uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

bool HasDsiInPlace(const uint8_t* pack, int64_t n) {
  return n == kPackSize && std::memcmp(pack + at::kDsiSignature, kDsiSignature.data(), kDsiSignature.size()) == 0;
}

void PatchDsi(uint8_t* pack, const StreamCounts& kept, const VobTimes& times) {
  PutBe32(pack + at::kVobStartPtm, times.start);
  PutBe32(pack + at::kVobEndPtm, times.end);
  for (int i = kept.audio; i < kAudioSyncEntries; ++i) std::memset(pack + at::kAudioSync + 2 * i, 0, 2);
  for (int i = kept.subpicture; i < kSubSyncEntries; ++i) std::memset(pack + at::kSubSync + 4 * i, 0, 4);
}

}  // namespace

VobTimes VobTimesOf(const uint8_t* pack) { return {Be32(pack + at::kVobStartPtm), Be32(pack + at::kVobEndPtm)}; }

void PatchNavigationPack(uint8_t* pack, int64_t n, const StreamCounts& kept, const VobTimes& times) {
  if (n > at::kAudioBound)
    pack[at::kAudioBound] = static_cast<uint8_t>((pack[at::kAudioBound] & 0x03) | (kept.audio << 2));
  if (n > at::kVideoBound) pack[at::kVideoBound] = static_cast<uint8_t>((pack[at::kVideoBound] & 0xE0) | kept.video);
  if (HasDsiInPlace(pack, n)) PatchDsi(pack, kept, times);
}

}  // namespace klarvex
