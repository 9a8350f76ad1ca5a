#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes an LPCM stream from the 7 header bytes that the walker consumed
// in front of `start` (read back from the view); a piece of no bytes gives
// nothing but the coding. A word length or sample rate code with no value
// gives 0, and then no bit rate.
StreamFacts LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log);

}  // namespace klarvex
