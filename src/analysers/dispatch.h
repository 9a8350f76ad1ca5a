// The one place where the walker hands a stream's first payload to the
// analyser of its coding. An analyser reads the piece from the view, writes
// its description lines to the log, and gives back what it found as plain
// values (StreamFacts).
#pragma once

#include <cstdint>

#include "analysers/byte_view.h"
#include "analysers/stream_facts.h"
#include "base/message_log.h"

namespace klarvex {

enum class AnalyserRoute {
  Mpeg2Video,  // with the packet's PTS and the video stream number
  H264Video,   // with the video stream number
  Vc1Video,    // with the video stream number
  Ac3,         // AC-3 and E-AC-3, with the audio stream number
  Dts,         // with the audio stream number
  Mlp,         // TrueHD, and MLP on substream A1 of DVD-Audio
  Lpcm,
  Subpicture,  // the coding (2-bit or 8-bit RLE) from the unit's header
};

struct AnalyserCall {
  AnalyserRoute route;
  int64_t start = 0;     // first payload byte in the view
  int64_t count = 0;     // payload bytes of the packet that lie in the buffer
  uint32_t pts = 0;      // MPEG-2 video only
  int streamNumber = 0;  // video or audio stream number, where the coding needs it
};

// Runs the analyser of `call.route`.
StreamFacts AnalyseFirstPayload(const ByteView& view, const AnalyserCall& call, MessageLog& log);

}  // namespace klarvex
