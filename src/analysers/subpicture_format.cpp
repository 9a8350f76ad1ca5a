#include "analysers/subpicture_format.h"

namespace klarvex {

StreamFacts SubpictureFormat(const ByteView& view, int64_t start, MessageLog& log) {
  StreamFacts facts;
  facts.coding = "Subpicture";
  facts.rleBits = view.at(start) == 0 && view.at(start + 1) == 0 ? 8 : 2;
  log.log(facts.rleBits == 8 ? "   Format = [bl]8bitRLE[/bl]" : "   Format = [bl]2bitRLE[/bl]");
  return facts;
}

}  // namespace klarvex
