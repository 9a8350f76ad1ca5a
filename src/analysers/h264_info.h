#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes the stream from the first SPS of the piece. The frame rate to
// count with is the one its VUI timing gives, 24000/1001 when it gives
// none (the exact rate then stays unknown).
StreamFacts H264Info(const ByteView& view, int64_t start, int64_t count, int videoStream, MessageLog& log);

}  // namespace klarvex
