// Demux-mode output helpers.
#pragma once

#include <cstdint>

namespace klarvex {

class OutputFile;

// The ten-byte header of a .sup record: "SP", the presentation time
// (little-endian, 90 kHz), a zero decoding time.
void WriteSupHeader(OutputFile& file, uint32_t presentationTime);

}  // namespace klarvex
