#include "analysers/dts_info.h"

namespace klarvex {

// Placeholder until the analyser lands: describes nothing.
void DtsInfo(const ByteView& view, int64_t start, int64_t count, int audioStream, MessageLog& log) {
  (void)view;
  (void)start;
  (void)count;
  (void)log;
  
}

}  // namespace klarvex
