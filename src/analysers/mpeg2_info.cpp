#include "analysers/mpeg2_info.h"

namespace klarvex {

// Placeholder until the analyser lands: describes nothing.
std::optional<double> Mpeg2Info(const ByteView& view, int64_t start, int64_t count, uint32_t pts, int videoStream, MessageLog& log) {
  (void)view;
  (void)start;
  (void)count;
  (void)log;
  return std::nullopt;
}

}  // namespace klarvex
