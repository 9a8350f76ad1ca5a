// The Demux job: one file per ticked box, the title's files walked in demux
// mode, and word of the streams the read before it had missed.
#pragma once

#include <string>
#include <vector>

#include "engine/stream_table.h"
#include "engine/vobsub_sink.h"
#include "jobs/job_context.h"

namespace klarvex {

class DemuxOutputs;

class DemuxJob {
 public:
  explicit DemuxJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure is logged as one red line and the job ends normally.
  void run();
  // Streams that the last run met but the read before it had not found,
  // so none of them was written (their would-be captions).
  const std::vector<std::string>& missedStreams() const { return missedStreams_; }

 private:
  void createOutputs(DemuxOutputs& outputs);
  std::string extensionOf(Section section, const StreamSlot& slot) const;
  bool writesVobSub(Section section, const StreamSlot& slot) const;
  void createVobSub(DemuxOutputs& outputs, StreamSlot& slot, int n, const std::string& caption);
  VobSubInfo vobSubInfo(int n);
  void demuxOneFile(const std::string& path);
  void noteStreamsTheReadMissed(const StreamTable& read);
  void reportMissedStreams();

  JobContext& context_;
  AppState& state_;
  Host& host_;
  std::vector<std::string> missedStreams_;
  bool vobSubNoted_ = false;  // the log said what the VobSub index lacks
};

}  // namespace klarvex
