// Counts the pictures of a video stream by their start codes: MPEG-2
// picture start code 00 00 01 00, H.264 access unit delimiter 00 00 01 09,
// VC-1 frame start code 00 00 01 0D.
//
// A stream reaches the counter in pieces (PES payloads, cut again at buffer
// ends). The last three bytes of each video stream are carried from one
// piece to the next, so a start code split between pieces is counted once,
// and a piece that merely begins with 01 00 is not a picture by itself.
#pragma once

#include <cstdint>

#include "analysers/video_kind.h"

namespace klarvex {

struct FrameCounterCarry {
  // The stream's last three bytes in the low 24 bits; the start value
  // matches no start code prefix.
  uint32_t tail = 0xFFFFFF;
  void clear() { tail = 0xFFFFFF; }
};

// Number of picture start codes of `kind` that end inside the piece.
int CountVideoFrames(const uint8_t* piece, int64_t count, VideoKind kind, FrameCounterCarry& carry);

}  // namespace klarvex
