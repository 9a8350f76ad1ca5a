#include "analysers/vc1_info.h"

namespace klarvex {

// Placeholder until the analyser lands: describes nothing.
std::optional<double> Vc1Info(const ByteView& view, int64_t start, int64_t count, int videoStream, MessageLog& log) {
  (void)view;
  (void)start;
  (void)count;
  (void)log;
  return std::nullopt;
}

}  // namespace klarvex
