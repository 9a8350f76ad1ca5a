#include "engine/payload_output.h"

#include "base/files.h"

namespace klarvex {

void RawSink::write(const uint8_t* data, int64_t count) { file_.writeAll(data, count); }

void SupSink::beginPacket(std::optional<uint32_t> pts, int32_t) {
  // A record starts at each packet that carries a PTS (even one that
  // rebases to 0); the following packets continue the unit.
  if (pts) WriteSupHeader(file_, *pts - SupTimeBase(minFirstPts_));
}

void SupSink::write(const uint8_t* data, int64_t count) { file_.writeAll(data, count); }

void WriteSupHeader(OutputFile& file, uint32_t presentationTime) {
  uint8_t header[10] = {'S', 'P'};
  for (int i = 0; i < 4; ++i) header[2 + i] = static_cast<uint8_t>(presentationTime >> (8 * i));
  file.writeAll(header, sizeof header);
}

}  // namespace klarvex
