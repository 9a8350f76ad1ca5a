#pragma once

#include <cstdint>
#include <optional>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

// Describes an LPCM stream from the 7 header bytes that the walker consumed
// in front of `start` (read back from the view); a piece of no bytes gives nothing.
void LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log);

}  // namespace klarvex
