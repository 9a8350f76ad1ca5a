#pragma once

#include <cstdint>
#include <optional>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

std::optional<double> H264Info(const ByteView& view, int64_t start, int64_t count, int videoStream, MessageLog& log);

}  // namespace klarvex
