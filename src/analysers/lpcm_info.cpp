#include "analysers/lpcm_info.h"

namespace klarvex {

// Placeholder until the analyser lands: describes nothing.
void LpcmInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log) {
  (void)view;
  (void)start;
  (void)count;
  (void)log;
  
}

}  // namespace klarvex
