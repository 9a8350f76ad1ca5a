#include "analysers/frame_counter.h"

#include <cstring>

namespace klarvex {

static int PictureCode(VideoKind kind) {
  switch (kind) {
    case VideoKind::Mpeg2: return 0x00;
    case VideoKind::H264: return 0x09;
    case VideoKind::Vc1: return 0x0D;
    case VideoKind::None: break;
  }
  return -1;
}

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

  // The rest lies wholly in the piece: find each 01 with memchr (most bytes
  // are skipped by the library's vector search) and look around it.
  // A code ending at index j >= 3 has its 01 at j-1 >= 2.
  // Pieces of three bytes or fewer were wholly seen above (and piece + 2
  // must not be formed past their end).
  const uint8_t* end = piece + count - 1;  // the code byte must follow the 01
  const uint8_t* p = count > 3 ? piece + 2 : end;
  while (p < end) {
    const uint8_t* one = static_cast<const uint8_t*>(std::memchr(p, 0x01, static_cast<size_t>(end - p)));
    if (!one) break;
    if (one[-1] == 0 && one[-2] == 0 && one[1] == code) ++frames;
    p = one + 1;
  }

  // Keep the last three bytes of the stream for the next piece.
  if (count >= 3) {
    carry.tail = static_cast<uint32_t>(piece[count - 3]) << 16 | piece[count - 2] << 8 | piece[count - 1];
  } else {
    carry.tail = rolling & 0xFFFFFF;
  }
  return frames;
}

}  // namespace klarvex
