#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes the stream from the first sequence header of the piece (none:
// only the coding is known).
StreamFacts Vc1Info(const ByteView& view, int64_t start, int64_t count, int videoStream, MessageLog& log);

}  // namespace klarvex
