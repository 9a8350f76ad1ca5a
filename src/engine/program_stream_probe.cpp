#include "engine/program_stream_probe.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/input_file.h"

namespace klarvex {

namespace {

constexpr int64_t kBlock = 256 * 1024;
constexpr int64_t kHeaderBytes = 12;  // enough for MPEG-1's; MPEG-2's markers end in byte 13

// The marker bits after 00 00 01 BA: MPEG-2 '01' ... or MPEG-1 '0010' ...
bool PackMarkers(const uint8_t* h, int64_t available) {
  if (available < kHeaderBytes) return false;
  const bool mpeg2 = (h[4] & 0xC4) == 0x44 && (h[6] & 0x04) && (h[8] & 0x04) && (h[9] & 0x01) && available >= 14 &&
                     (h[12] & 0x03) == 0x03;
  const bool mpeg1 = (h[4] & 0xF1) == 0x21 && (h[6] & 0x01) && (h[8] & 0x01) && (h[9] & 0x80) && (h[11] & 0x01);
  return mpeg2 || mpeg1;
}

}  // namespace

int64_t FindPackHeader(const uint8_t* bytes, int64_t count) {
  static constexpr uint8_t kStart[] = {0x00, 0x00, 0x01, 0xBA};
  for (int64_t at = 0; at + 4 <= count;) {
    const void* found = ::memmem(bytes + at, static_cast<size_t>(count - at), kStart, sizeof kStart);
    if (!found) return -1;
    const int64_t start = static_cast<const uint8_t*>(found) - bytes;
    if (PackMarkers(bytes + start, count - start)) return start;
    at = start + 1;
  }
  return -1;
}

bool HoldsProgramStreamPack(const std::string& path) {
  InputFile file;
  file.open(path);
  // Each block is searched with the last bytes of the one before it, so a
  // header cut by a block's end is found whole.
  constexpr int64_t kCarry = 16;
  auto buffer = std::make_unique<uint8_t[]>(kBlock + kCarry);
  int64_t carried = 0;
  for (;;) {
    const int64_t got = file.read(buffer.get() + carried, kBlock);
    if (got <= 0) return false;
    const int64_t count = carried + got;
    if (FindPackHeader(buffer.get(), count) >= 0) return true;
    carried = std::min(count, kCarry);
    std::memmove(buffer.get(), buffer.get() + count - carried, static_cast<size_t>(carried));
  }
}

}  // namespace klarvex
