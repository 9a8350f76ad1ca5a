// Demux-mode output helpers.
#pragma once

#include <cstdint>

namespace klarvex {

class OutputFile;

// The ten-byte header of a .sup record: "SP", the presentation time
// (little-endian, 90 kHz), a zero decoding time.
void WriteSupHeader(OutputFile& file, uint32_t presentationTime);

// What .sup times are rebased on: the earliest first PTS of the title's
// audio and video, or 0 when no read with details has found one.
inline uint32_t SupTimeBase(uint32_t minFirstPts) { return minFirstPts == 0xFFFFFFFF ? 0 : minFirstPts; }

}  // namespace klarvex
