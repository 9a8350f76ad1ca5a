#include "jobs/rebuild_job.h"

#include <optional>

#include "base/bytes.h"
#include "base/errors.h"
#include "base/markup.h"
#include "base/output_file.h"
#include "base/text_format.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

constexpr size_t kOutputBuffer = static_cast<size_t>(kMiB);

}  // namespace

void RebuildJob::rebuildOneFile(const std::string& path, RebuildPass& pass) {
  const std::string name = FileNamePart(path);
  context_.openTitleFile(path, JobKind::Write, "Rebuilding...", "Rebuilding " + name);
  pass.pass(name);
}

void RebuildJob::run() {
  Engine& engine = state_.engine;
  context_.startWriteJob();
  context_.formOutputNames();

  std::optional<KlarvexError> failure;
  OutputFile output;
  try {
    const std::string path = FitFileName(state_.names.OutputPrefix + ".rebuilt.EVO");
    output.create(path, context_.sourceFiles());
    output.setBuffer(kOutputBuffer);
    host_.log("Creating " + Literal(path));
    RebuildPass pass(engine, context_, output);
    context_.forEachFileOfTitle(JobKind::Write, [&](const std::string& file) { rebuildOneFile(file, pass); });
  } catch (const KlarvexError& e) {
    failure = e;
    context_.setCancelEnabled(false);
  }
  engine.input.close();
  try {
    if (output.isOpen()) output.close();  // keeps what was written, whatever happened
  } catch (const KlarvexError& e) {
    if (!failure) failure = e;
  }
  context_.finishWriteJob(failure, false);  // no frame report after a rebuild
}

void Jobs::bRebuildClick() {
  if (!state_.mayStartJob()) return;  // one job at a time: they share the source and the table
  JobGuard guard(state_.jobRunning);
  rebuild_.run();
}

}  // namespace klarvex
