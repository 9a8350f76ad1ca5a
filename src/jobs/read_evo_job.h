// The Read EVO job: every file of the title walked in read mode, the boxes
// of the streams found ticked and named, and the frame report.
#pragma once

#include <string>

#include "jobs/job_context.h"

namespace klarvex {

class ReadEvoJob {
 public:
  explicit ReadEvoJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure that ends the job escapes once the buttons are usable again.
  void run();

 private:
  void readOneFile(const std::string& path);
  void buttonsOff();
  void buttonsBack();

  JobContext& context_;
  AppState& state_;
  Host& host_;
  bool rememberedReadXpl_ = false;  // bReadXPL as it was before the read
};

}  // namespace klarvex
