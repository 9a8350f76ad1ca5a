#pragma once

#include <cstdint>
#include <string>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

StreamFacts Mpeg2Info(const ByteView& view, int64_t start, int64_t count, uint32_t pts, int videoStream,
                      MessageLog& log);

// The description line of a stream whose frame pictures repeat fields
// (soft 2:3 pulldown), which only the frame counter sees: the film rate is
// 4/5 of the coded frame rate, 2/5 in a progressive sequence (frames shown
// twice and three times); none is named when the frame rate is unknown.
std::string Mpeg2PulldownLine(double frameRate, bool progressiveSequence);

}  // namespace klarvex
