#include "analysers/mlp_info.h"

namespace klarvex {

// Placeholder until the analyser lands: describes nothing.
void MlpInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log) {
  (void)view;
  (void)start;
  (void)count;
  (void)log;
  
}

}  // namespace klarvex
