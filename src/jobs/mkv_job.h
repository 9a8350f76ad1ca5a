// Make MKV: the chosen streams of the title in one Matroska file. The
// streams are demuxed into a folder of their own inside the output folder
// (LPCM as WAV, DVD subpictures as VobSub, names by coding), then
// MKVToolNix's mkvmerge takes them, each with its delay against the first
// video, its language and name (playlist or IFO), with the chapters and the
// title's name, into BASE.mkv. The folder goes once mkvmerge succeeded; it
// stays, and the log says where, when not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jobs/demux_job.h"
#include "jobs/job_context.h"
#include "jobs/read_xpl_job.h"

namespace klarvex {

struct MkvTrack {
  std::string path;
  std::string language;  // ISO 639 code; empty: none given
  std::string name;      // empty: none given
  int64_t delayMs = 0;   // where the track starts against the first video
  bool isDefault = false;
};

struct MkvPlan {
  std::string output;
  std::string title;     // empty: none
  std::string chapters;  // a chapter file in the simple CHAPTERnn= form; empty: none
  std::vector<MkvTrack> tracks;
};

inline constexpr const char* kMkvmergeMissing =
    "mkvmerge was not found on PATH: Make MKV needs MKVToolNix (Debian package mkvtoolnix)";

// mkvmerge's arguments for `plan`, the program itself left out. Each file
// holds one track, its track 0; progress comes as "#GUI#progress N%".
std::vector<std::string> MkvmergeArguments(const MkvPlan& plan);
// The percentage of a "#GUI#progress 45%" line, or -1 for another line.
int MkvmergeProgress(const std::string& line);

class MkvJob {
 public:
  MkvJob(JobContext& context, DemuxJob& demux, XplJob& xpl)
      : context_(context), state_(context.state()), host_(context.host()), demux_(demux), xpl_(xpl) {}

  // A failure is logged as one red line and the job ends normally, as
  // Demux does; lastFailure() gives it.
  void run();
  // The Matroska file of the last run that succeeded; empty otherwise.
  const std::string& written() const { return written_; }

 private:
  struct Labels;
  void makeFile(const std::string& mkvmerge, const MkvPlan& plan, const std::string& folder);
  MkvPlan plan(const std::string& output, const std::string& folder, const Labels& labels);
  void keepLeftOut(const std::string& outputFolder);
  void runMkvmerge(const std::string& mkvmerge, const MkvPlan& plan);

  JobContext& context_;
  AppState& state_;
  Host& host_;
  DemuxJob& demux_;
  XplJob& xpl_;
  std::string written_;
  std::vector<DemuxedStream> leftOut_;  // streams Matroska can't carry
};

}  // namespace klarvex
