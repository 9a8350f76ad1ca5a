#include <cmath>

#include "base/text_format.h"
#include "jobs/jobs.h"

namespace klarvex {

void Jobs::logframes() {
  const StreamTable& streams = state_.engine.streams;
  for (int k = 0; k < StreamTable::kVideoStreams; ++k) {
    int32_t counted = streams.video(k).frameCount;
    double rate = streams.video(k).frameRate;
    std::string inStream = " in video stream " + IntText(k) + ".";
    if (counted > 0) {
      if (rate > 0) {
        double days = counted / 86400.0 / rate;
        host_.log(IntText(counted) + " counted frames ([b]" + DurationText(days) + "[/b])" + inStream);
      } else {
        host_.log(IntText(counted) + " frames count" + inStream);
      }
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
