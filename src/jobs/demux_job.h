// The Demux job: one file per ticked box, the title's files walked in demux
// mode, and word of the streams the read before it had missed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/stream_table.h"
#include "engine/vobsub_sink.h"
#include "engine/wav_sink.h"
#include "jobs/job_context.h"
#include "navigation/ifo_title.h"

namespace klarvex {

class DemuxOutputs;

// The earliest first PTS of the title's video, what a player starts the
// title at: every track's delay is measured against it.
std::optional<uint32_t> FirstVideoPts(const StreamTable& streams);
// A stream's first PTS against the title's earliest video PTS, in ms
// (signed: a stream may start before it); none when either is unknown.
std::optional<int64_t> DelayToVideoMs(const StreamTable& streams, Section section, int n);

// A file the last Demux made, and what it holds.
struct DemuxedStream {
  Section section = Section::Video;
  int number = 0;
  std::string path;      // the file a muxer opens (the .idx of a VobSub pair)
  std::string dataPath;  // the .sub of a VobSub pair; empty otherwise
  std::string form;      // "stream" (as carried), "sup", "wav" or "vobsub"
};

// The forms a Demux writes in and where: the Options tab's, or those a job
// built on it asks for (Make MKV: the forms Matroska takes, into a folder
// of its own) without touching the user's options.
struct DemuxForms {
  bool lpcmWav = false;
  bool vobSub = false;
  bool codecExt = false;
  std::string folder;  // empty: the current folder

  static DemuxForms FromOptions(const Options& options) {
    return {options.cbLpcmWav, options.cbVobSub, options.cbCodecExt, options.eWorkdir};
  }
};

class DemuxJob {
 public:
  explicit DemuxJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure is logged as one red line and the job ends normally.
  void run() { run(DemuxForms::FromOptions(state_.options)); }
  void run(const DemuxForms& forms);
  // Streams that the last run met but the read before it had not found,
  // so none of them was written (their would-be captions).
  const std::vector<std::string>& missedStreams() const { return missedStreams_; }
  // The files the last run created, in the order of the boxes.
  const std::vector<DemuxedStream>& written() const { return written_; }

 private:
  struct PlannedOutput;
  std::vector<PlannedOutput> planOutputs();
  void createOutputs(DemuxOutputs& outputs);
  bool writesVobSub(Section section, const StreamSlot& slot) const;
  void createVobSub(DemuxOutputs& outputs, StreamSlot& slot, const PlannedOutput& plan);
  VobSubInfo vobSubInfo(int n);
  std::optional<WavFormat> wavFormatOf(const std::string& caption, const StreamIdentity* identity,
                                       const StreamSlot& slot, bool aob, std::string& whyNot);
  std::string extensionOf(Section section, const StreamIdentity* identity, bool asWav) const;
  void demuxOneFile(const std::string& path);
  void noteStreamsTheReadMissed(const StreamTable& read);
  void reportMissedStreams();

  JobContext& context_;
  AppState& state_;
  Host& host_;
  std::vector<std::string> missedStreams_;
  std::vector<DemuxedStream> written_;
  DemuxForms forms_;
  bool vobSubNoted_ = false;  // the log said what the VobSub index lacks
};

}  // namespace klarvex
