#pragma once

#include <cstdint>
#include <optional>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

// What the LPCM header says of the audio; 0 where a code has no value.
struct LpcmFormat {
  int channels = 0;
  int sampleRate = 0;  // Hz
  int bitsPerSample = 0;
};

// Describes an LPCM stream from the 7 header bytes that the walker consumed
// in front of `start` (read back from the view); a piece of no bytes gives nothing.
LpcmFormat LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log);

}  // namespace klarvex
