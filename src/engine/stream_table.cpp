#include "engine/stream_table.h"

namespace klarvex {

static int BaseOf(Section section) {
  switch (section) {
    case Section::Video:
      return StreamTable::kVideoBase;
    case Section::Audio:
      return StreamTable::kAudioBase;
    case Section::Subpicture:
      return StreamTable::kSubpictureBase;
  }
  return StreamTable::kVideoBase;
}

int StreamTable::entryNumber(Section section, int n) { return BaseOf(section) + n; }
StreamSlot& StreamTable::slot(Section section, int n) { return entry(BaseOf(section) + n); }
const StreamSlot& StreamTable::slot(Section section, int n) const { return entry(BaseOf(section) + n); }

void StreamTable::resetFrameCounts() {
  for (int n = 0; n < kVideoStreams; ++n) {
    video(n).frameCount = 0;
    video(n).counterCarry.clear();
  }
}

void StreamTable::resetForWalk() {
  for (int i = 1; i <= kEntries; ++i) {
    StreamSlot& s = entries_[static_cast<size_t>(i)];
    s.streamId = -1;
    s.detailsShown = false;
    s.foundText = {};
    s.firstPtsKnown = false;
    s.description.clear();
    s.channels = s.sampleRate = s.bitsPerSample = 0;
    s.facts = {};
    s.counterCarry.nextFile();
  }
}

namespace {

void CopyStreamFacts(StreamSlot& to, const StreamSlot& from) {
  to.streamId = from.streamId;
  to.firstPtsKnown = from.firstPtsKnown;
  to.firstPts = from.firstPts;
  to.description = from.description;
  to.channels = from.channels;
  to.sampleRate = from.sampleRate;
  to.bitsPerSample = from.bitsPerSample;
  to.facts = from.facts;
}

}  // namespace

void StreamTable::addFileStreams(const StreamTable& file) {
  for (int i = 1; i <= kEntries; ++i) {
    StreamSlot& title = entry(i);
    const StreamSlot& found = file.entry(i);
    if (found.streamId < 0) continue;
    if (title.streamId < 0) {
      CopyStreamFacts(title, found);
      continue;
    }
    if (!title.firstPtsKnown && found.firstPtsKnown) {
      title.firstPtsKnown = true;
      title.firstPts = found.firstPts;
    }
    if (title.description.empty() && !found.description.empty()) {
      title.description = found.description;
      title.channels = found.channels;
      title.sampleRate = found.sampleRate;
      title.bitsPerSample = found.bitsPerSample;
      title.facts = found.facts;
    }
  }
}

void StreamTable::takeStreamFacts(const StreamTable& title) {
  for (int i = 1; i <= kEntries; ++i) CopyStreamFacts(entry(i), title.entry(i));
}

}  // namespace klarvex
