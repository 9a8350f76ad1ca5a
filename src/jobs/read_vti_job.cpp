#include "base/markup.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"
#include "navigation/vti_reader.h"
#include "navigation/vti_view.h"

namespace klarvex {

void Jobs::bReadVTIClick() {
  if (!state_.options.cbReadVTI) return;
  readVTI(state_.names.SourceDir + kVtiName);
}

// The title set information is an extra beside the read: a damaged one is
// reported, and the read, and a Demux or Rebuild chained to it, stand.
void Jobs::readVTIAfterRead() {
  if (!state_.options.cbReadVTI || !IsRegularFile(state_.names.SourceDir + kVtiName)) return;
  try {
    bReadVTIClick();
  } catch (const KlarvexError& e) {
    logWarning(e.fullText());
  }
}

void Jobs::readVTI(const std::string& path) {
  if (!state_.mayStartJob()) return;  // the file would take the shared input stream from a job
  const std::string name = FileNamePart(path);
  if (!IsRegularFile(path)) {
    host_.log(Literal(name) + " not found");
    return;
  }
  JobGuard guard(state_.jobRunning);
  host_.log("Reading [b]" + Literal(name) + "[/b]");
  InputFile& input = state_.engine.input;
  VtiModel& vti = state_.vti;
  try {
    input.open(path);
    ReadVtiTables(input, state_.names.SourceName, vti, host_);
  } catch (...) {
    input.close();
    host_.stateChanged();
    throw;
  }
  input.close();
  if (vti.cbEVOname.selected < 0 && !vti.cbEVOname.items.empty()) vti.cbEVOname.selected = 0;
  cbEVOnameChange();
  host_.log("Done.");
  host_.log("");
  host_.slog("Ready", 0);
  host_.slog("", 1);
}

void Jobs::cbEVOnameChange() {
  RefreshEvob(state_.vti);
  host_.stateChanged();
}

void Jobs::cbAttrNoChange() {
  RefreshAttr(state_.vti);
  host_.stateChanged();
}

}  // namespace klarvex
