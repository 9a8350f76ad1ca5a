// The Demux job: one file per ticked box, the title's files walked in demux
// mode, and word of the streams the read before it had missed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/stream_table.h"
#include "engine/wav_sink.h"
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
  std::optional<WavFormat> wavFormatOf(const std::string& caption, const StreamIdentity* identity,
                                       const StreamSlot& slot, bool aob);
  std::string extensionOf(Section section, const StreamIdentity* identity, bool asWav) const;
  void demuxOneFile(const std::string& path);
  void noteStreamsTheReadMissed(const StreamTable& read);
  void reportMissedStreams();

  JobContext& context_;
  AppState& state_;
  Host& host_;
  std::vector<std::string> missedStreams_;
};

}  // namespace klarvex
