#pragma once

#include <cstdint>
#include <optional>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

// Describes the stream from the first SPS of the piece; returns the frame
// rate that its VUI timing gives, 24000/1001 when it gives none.
std::optional<double> H264Info(const ByteView& view, int64_t start, int64_t count, int videoStream, MessageLog& log);

}  // namespace klarvex
