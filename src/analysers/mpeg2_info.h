#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysers/byte_view.h"
#include "base/message_log.h"

namespace klarvex {

// What the first sequence header of the piece gives beyond its log lines;
// zero or none where the piece ends before the field.
struct Mpeg2Facts {
  std::optional<double> frameRate;
  int width = 0, height = 0;  // horizontal_size_value, vertical_size_value
};

Mpeg2Facts Mpeg2Info(const ByteView& view, int64_t start, int64_t count, uint32_t pts, int videoStream,
                     MessageLog& log);

// The description line of a stream whose frame pictures repeat fields
// (soft 2:3 pulldown), which only the frame counter sees: the film rate is
// 4/5 of the coded frame rate, 2/5 in a progressive sequence (frames shown
// twice and three times); none is named when the frame rate is unknown.
std::string Mpeg2PulldownLine(double frameRate, bool progressiveSequence);

}  // namespace klarvex
