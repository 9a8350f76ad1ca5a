#include "base/child_process.h"
#include "base/text_format.h"
#include "engine/stream_ids.h"
#include "jobs/job_context.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

std::string TypeName(Section section, int32_t streamId) {
  if (streamId == -1) {
    switch (section) {
      case Section::Video:
        return "No video stream";
      case Section::Audio:
        return "No audio stream";
      case Section::Subpicture:
        return "No subpicture stream";
    }
  }
  const StreamIdentity* identity = IdentityOfStreamId(streamId);
  if (!identity || identity->section != section) return "";
  return std::string(identity->typeName);
}

std::string BoxSuffix(Section section, int n) {
  if (section == Section::Video) return "." + std::to_string(n);
  return std::string(".") + (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

std::string StreamCaption(Section section, int n, int32_t streamId) {
  return TypeName(section, streamId) + BoxSuffix(section, n);
}

void JobContext::Resetcbs() {
  for (auto& b : state_.videoBoxes) b = StreamBox{false, false, "No video stream"};
  for (auto& b : state_.audioBoxes) b = StreamBox{false, false, "No audio stream"};
  for (auto& b : state_.subBoxes) b = StreamBox{false, false, "No subpicture"};
  state_.labels.fill(StreamLabel{});
  state_.dvdTitleAsked = false;
  state_.dvdTitle.reset();
  cbVideoClick();
}

void JobContext::cbVideoClick() {
  bool anyTicked = false;
  state_.forEachBox([&anyTicked](const StreamBox& b) { anyTicked = anyTicked || b.ticked; });
  state_.buttons.bDemux = anyTicked;
  state_.buttons.bMkv = anyTicked && !FindOnPath("mkvmerge").empty();
  if (UpperCase(ExtensionOf(state_.eEVOfile)) == ".EVO") state_.buttons.bRebuild = anyTicked;
  host_.stateChanged();
}

// After a read: the box of every stream found is enabled, ticked and named
// after the stream's type; the others keep their reset caption.
void JobContext::labelStreamBoxes() {
  auto label = [this](Section section, int count) {
    for (int n = 0; n < count; ++n) {
      StreamBox& b = state_.box(section, n);
      int32_t id = state_.engine.streams.slot(section, n).streamId;
      b.enabled = id >= 0;
      b.ticked = b.enabled;
      if (b.ticked) b.caption = StreamCaption(section, n, id);
    }
  };
  label(Section::Video, StreamTable::kVideoStreams);
  label(Section::Audio, StreamTable::kAudioStreams);
  label(Section::Subpicture, StreamTable::kSubpictureStreams);
  host_.stateChanged();
}

bool JobContext::streamTicked(Section section, int number) const {
  if (section == Section::Video && number >= StreamTable::kVideoStreams) return false;
  return state_.box(section, number).ticked;
}

}  // namespace klarvex
