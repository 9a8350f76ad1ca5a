#include "engine/stream_report.h"

#include "base/markup.h"
#include "base/text_format.h"

namespace klarvex {

void DescriptionLog::log(const std::string& message) {
  log_.log(message);
  description_.push_back(StripTags(message));
}

void AnnounceStream(MessageLog& log, StreamSlot& slot, int number) {
  log.log(std::string(slot.foundText) + IntText(number) + " found!");
  slot.foundText = {};
}

void AnnounceWaitingStreams(MessageLog& log, StreamTable& streams) {
  for (Section section : {Section::Video, Section::Audio, Section::Subpicture})
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      StreamSlot& slot = streams.slot(section, n);
      if (!slot.foundText.empty()) AnnounceStream(log, slot, n);
    }
}

void ReportFirstPts(MessageLog& log, StreamSlot& slot, uint8_t idByte, uint32_t firstPtm) {
  slot.detailsShown = true;
  const uint32_t pts = slot.firstPts;
  std::string line = "   First PTS = [re]" + HexText(pts, 8) + "[/re]";
  if (pts != firstPtm) {
    // A stream that starts before the title's start PTM has a negative delay.
    int32_t ticks = static_cast<int32_t>(pts - firstPtm);
    if (ticks < 0)
      line += "  ([re]-" + IntText((firstPtm - pts) / 90) + "[/re]ms)";
    else
      line += "  ([re]+" + IntText((pts - firstPtm) / 90) + "[/re]ms)";
  }
  log.log(line);
  log.log("   Substream id = " + HexText(idByte, 2));
}

}  // namespace klarvex
