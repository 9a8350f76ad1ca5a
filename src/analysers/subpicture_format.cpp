#include "analysers/subpicture_format.h"

namespace klarvex {

void SubpictureFormat(const ByteView& view, int64_t start, MessageLog& log) {
  if (view.at(start) == 0 && view.at(start + 1) == 0)
    log.log("   Format = [bl]8bitRLE[/bl]");
  else
    log.log("   Format = [bl]2bitRLE[/bl]");
}

}  // namespace klarvex
