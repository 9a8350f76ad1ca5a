// The playlist jobs: Read XPL (the playlist's tags into the XPL tab, and the
// title of the source applied to the stream marks and boxes) and the export
// of its chapter list.
#pragma once

#include "jobs/job_context.h"

namespace klarvex {

class XplJob {
 public:
  explicit XplJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure to open or read escapes once the buttons are usable again.
  void read();
  // A failure escapes; the list is offered again either way.
  void writeChapters();

 private:
  JobContext& context_;
  AppState& state_;
  Host& host_;
};

}  // namespace klarvex
