#include "engine/stream_table.h"

namespace klarvex {

static int BaseOf(Section section) {
  switch (section) {
    case Section::Video: return StreamTable::kVideoBase;
    case Section::Audio: return StreamTable::kAudioBase;
    case Section::Subpicture: return StreamTable::kSubpictureBase;
  }
  return StreamTable::kVideoBase;
}

StreamSlot& StreamTable::slot(Section section, int n) { return entry(BaseOf(section) + n); }
const StreamSlot& StreamTable::slot(Section section, int n) const { return entry(BaseOf(section) + n); }

void StreamTable::resetForWalk() {
  for (int i = 1; i <= kEntries; ++i) {
    StreamSlot& s = entries_[static_cast<size_t>(i)];
    s.streamId = -1;
    s.detailsShown = false;
    s.firstPtsKnown = false;
    s.description.clear();
    s.channels = s.sampleRate = s.bitsPerSample = 0;
    s.counterCarry.clear();
  }
}

}  // namespace klarvex
