#include "jobs/jobs.h"

#include "base/text_format.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

constexpr const char* kPlaylistName = "VPLST000.XPL";

}  // namespace

void Jobs::EVOadj() {
  SourceNames& names = state_.names;
  state_.buttons.bReadEVO = !state_.eEVOfile.empty();
  names.SourceName = FileNamePart(state_.eEVOfile);
  names.SourceBase = CutExt(names.SourceName);
  names.SourceDir = FolderPart(state_.eEVOfile);
  state_.eXPLfile = kPlaylistName;
  // A source in a disc's video folder has its playlist in the sibling ADV_OBJ.
  const std::string videoFolder = "HVDVD_TS/";
  const std::string& dir = names.SourceDir;
  if (dir.size() >= videoFolder.size() &&
      dir.compare(dir.size() - videoFolder.size(), videoFolder.size(), videoFolder) == 0) {
    names.XplDir = dir.substr(0, dir.size() - videoFolder.size()) + "ADV_OBJ/";
    names.XplName = kPlaylistName;
    state_.eXPLfile = names.XplDir + names.XplName;
  }
  state_.buttons.bReadXPL = !names.XplName.empty();
  host_.stateChanged();
}

void Jobs::cbFastCheckClick() {
  host_.stateChanged();  // the size box follows the tick
}

void Jobs::bCancelClick() {
  RunState& run = state_.engine.run;
  if (!run.WriteJobRunning) {
    run.StopRequested = true;
    return;
  }
  if (host_.confirm("Are you sure to stop demuxing?")) {
    run.StopRequested = true;
    host_.log("Cancelled.");
  }
}

void Jobs::Resetcbs() { context_.Resetcbs(); }
void Jobs::cbVideoClick() { context_.cbVideoClick(); }
void Jobs::logframes() { context_.logframes(); }
void Jobs::formOutputNames() { context_.formOutputNames(); }

}  // namespace klarvex
