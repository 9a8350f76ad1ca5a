#include <optional>

#include "base/errors.h"
#include "base/markup.h"
#include "base/output_file.h"
#include "base/text_format.h"
#include "engine/rebuild_pass.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

constexpr int64_t kMiB = 1048576;
constexpr size_t kOutputBuffer = static_cast<size_t>(kMiB);

}  // namespace

void Jobs::bRebuildClick() {
  if (!state_.mayStartJob()) return;  // one job at a time: they share the source and the table
  JobGuard guard(state_.jobRunning);
  runRebuildJob();
}

void Jobs::rebuildOneFile(const std::string& path, RebuildPass& pass) {
  const std::string name = FileNamePart(path);
  host_.log("Opening file [b]" + Literal(name) + "[/b]");
  host_.slog("Opening", 0);
  InputFile& input = state_.engine.input;
  input.open(path);  // releases the previous file of the title first
  host_.log("File size: " + IntText(input.size() / kMiB) + " Mbytes.");
  host_.log("Rebuilding...");
  host_.slog("Rebuilding " + name, 0);
  pass.pass(name);
}

void Jobs::runRebuildJob() {
  Engine& engine = state_.engine;
  startWriteJob();
  formOutputNames();

  std::optional<KlarvexError> failure;
  OutputFile output;
  try {
    const std::string path = FitFileName(state_.names.OutputPrefix + ".rebuilt.EVO");
    output.create(path, sourceFiles());
    output.setBuffer(kOutputBuffer);
    host_.log("Creating " + Literal(path));
    RebuildPass pass(engine, *this, output);
    forEachFileOfTitle([&](const std::string& file) { rebuildOneFile(file, pass); });
  } catch (const KlarvexError& e) {
    failure = e;
    setCancelEnabled(false);
  }
  engine.input.close();
  try {
    if (output.isOpen()) output.close();  // keeps what was written, whatever happened
  } catch (const KlarvexError& e) {
    if (!failure) failure = e;
  }
  finishWriteJob(failure, false);  // no frame report after a rebuild
}

}  // namespace klarvex
