#include <algorithm>
#include <cmath>

#include "analysers/mpeg2_info.h"
#include "base/markup.h"
#include "base/text_format.h"
#include "jobs/job_context.h"

namespace klarvex {

namespace {

// Only the frame counter, which sees every picture, can tell soft pulldown;
// the analyser saw the first packet alone. So the line joins the stream's
// description here, once however often the report is made.
void ReportPulldown(MessageLog& log, StreamSlot& slot) {
  std::string line = Mpeg2PulldownLine(slot.frameRate, slot.counterCarry.progressiveSequence);
  log.log(line);
  std::string plain = StripTags(line);
  if (std::find(slot.description.begin(), slot.description.end(), plain) == slot.description.end())
    slot.description.push_back(plain);
}

}  // namespace

void JobContext::logframes() {
  StreamTable& streams = state_.engine.streams;
  for (int k = 0; k < StreamTable::kVideoStreams; ++k) {
    StreamSlot& slot = streams.video(k);
    int32_t counted = slot.frameCount;
    double rate = slot.frameRate;
    std::string inStream = " in video stream " + IntText(k) + ".";
    if (counted > 0) {
      if (rate > 0) {
        double days = counted / 86400.0 / rate;
        host_.log(IntText(counted) + " counted frames ([b]" + DurationText(days) + "[/b])" + inStream);
      } else {
        host_.log(IntText(counted) + " frames count" + inStream);
      }
      if (slot.counterCarry.repeatedFields) ReportPulldown(host_, slot);
    }
    if (rate > 0) {
      // Half-way values go to the even neighbour.
      double calculated = std::nearbyint(state_.engine.run.totalSeconds * rate);
      host_.log(IntText(static_cast<int64_t>(calculated)) + " calculated frames" + inStream);
    }
  }
  if (static_cast<int64_t>(streams.video(0).frameCount) + streams.video(1).frameCount > 0) host_.log("");
}

}  // namespace klarvex
