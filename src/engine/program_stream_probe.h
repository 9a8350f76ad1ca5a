// Whether a file is an MPEG program stream at all: a walk over anything
// else would take stray 00 00 01 xx bytes for packets and "find" streams.
#pragma once

#include <cstdint>
#include <string>

namespace klarvex {

// The first MPEG-2 or MPEG-1 pack header (00 00 01 BA with the marker bits
// of either) in `path`, read in big blocks from the start until one is
// found: a disc's file has one in its first bytes, a file of something else
// is read to its end. Throws "Cannot open file ..." or "Stream read
// error" naming the file.
bool HoldsProgramStreamPack(const std::string& path);

// The same test on bytes in memory: the offset of the first pack header in
// `bytes`, or -1.
int64_t FindPackHeader(const uint8_t* bytes, int64_t count);

}  // namespace klarvex
