#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// The format line of a subpicture stream: HD DVD 8-bit RLE units begin
// with two zero bytes, DVD 2-bit RLE units with their (non-zero) size.
StreamFacts SubpictureFormat(const ByteView& view, int64_t start, MessageLog& log);

}  // namespace klarvex
