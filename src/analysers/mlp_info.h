#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

// Describes a Dolby TrueHD or DVD-Audio MLP stream from the major sync
// headers in its first payload piece (all but the piece's last byte); the
// facts are the first major sync's. TrueHD states no word length there.
StreamFacts MlpInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log);

}  // namespace klarvex
