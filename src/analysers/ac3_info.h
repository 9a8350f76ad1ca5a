#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes the stream from the first header of the piece that has a
// usable rate; the facts are that header's (none: nothing is known).
StreamFacts Ac3Info(const ByteView& view, int64_t start, int64_t count, int audioStream, MessageLog& log);

}  // namespace klarvex
