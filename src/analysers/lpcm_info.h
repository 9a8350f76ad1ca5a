#pragma once

#include <cstdint>
#include <optional>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

void LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log);

}  // namespace klarvex
