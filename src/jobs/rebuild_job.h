// The Rebuild job: the output file, the files of the title and what the log
// says of them; the packs themselves are the engine's RebuildPass.
#pragma once

#include <string>

#include "engine/rebuild_pass.h"
#include "jobs/job_context.h"

namespace klarvex {

class RebuildJob {
 public:
  explicit RebuildJob(JobContext& context) : context_(context), state_(context.state()), host_(context.host()) {}

  // A failure is logged as one red line and the job ends normally.
  void run();

 private:
  void rebuildOneFile(const std::string& path, RebuildPass& pass);

  JobContext& context_;
  AppState& state_;
  Host& host_;
};

}  // namespace klarvex
