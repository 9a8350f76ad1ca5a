#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes every core frame header of the piece; the facts are the first
// one's, the coding DTS-HD when an extension substream shows in the piece.
StreamFacts DtsInfo(const ByteView& view, int64_t start, int64_t count, int audioStream, MessageLog& log);

}  // namespace klarvex
