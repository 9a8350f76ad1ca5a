// The playlist jobs: Read XPL (the playlist's tags into the XPL tab, and the
// title of the source applied to the stream marks and boxes) and the export
// of its chapter list.
#pragma once

#include <optional>

#include "jobs/job_context.h"
#include "navigation/xpl_title.h"

namespace klarvex {

class XplJob {
 public:
  explicit XplJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure to open or read escapes once the buttons are usable again.
  void read();
  // A failure escapes; the list is offered again either way.
  void writeChapters();
  // For a job that keeps the read's streams (Make MKV): the playlist read
  // into the tab, and the source's title, when one names it, giving the
  // streams their languages and names; boxes and stream marks untouched.
  std::optional<XplTitleView> readTitleLabels();

 private:
  // The playlist read into the tab and cut to the source's title.
  std::optional<XplTitleView> scanTitle();

  JobContext& context_;
  AppState& state_;
  Host& host_;
};

}  // namespace klarvex
