#include "base/markup.h"
#include "base/text_format.h"
#include "jobs/jobs.h"
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
  if (dir.size() >= videoFolder.size() && dir.compare(dir.size() - videoFolder.size(), videoFolder.size(), videoFolder) == 0) {
    names.XplDir = dir.substr(0, dir.size() - videoFolder.size()) + "ADV_OBJ/";
    names.XplName = kPlaylistName;
    state_.eXPLfile = names.XplDir + names.XplName;
  }
  state_.buttons.bReadXPL = !names.XplName.empty();
  host_.stateChanged();
}

void Jobs::cbFastCheckClick() {
  state_.buttons.ieFastSize = state_.options.cbFastCheck;
  host_.stateChanged();
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

void Jobs::setCancelEnabled(bool enabled) {
  state_.buttons.bCancel = enabled;
  host_.stateChanged();
}

std::string Jobs::sourceExtension() const { return ExtensionOf(state_.eEVOfile); }

void Jobs::formOutputNames() {
  SourceNames& names = state_.names;
  names.SourceBase = CutExt(names.SourceName);
  if (state_.options.cbContinue && !getnext(state_.eEVOfile).empty()) names.SourceBase += "_MERGED";
  const std::string& folder = state_.options.eWorkdir;
  if (folder.empty()) names.OutputPrefix = names.SourceBase;
  else names.OutputPrefix = folder + (folder.back() == '/' ? "" : "/") + names.SourceBase;
}

void Jobs::forEachFileOfTitle(const std::function<void(const std::string&)>& processFile) {
  std::string current = state_.eEVOfile;
  for (;;) {
    processFile(current);
    const std::string next = getnext(current);
    if (next.empty() || !state_.options.cbContinue || state_.engine.run.StopRequested) break;
    if (!IsRegularFile(next)) {
      // A FIFO or device named like the next file would hang the read or
      // never end: the title ends with the files before it.
      logWarning(FileNamePart(next) + " is not a regular file: the title ends with " + FileNamePart(current));
      break;
    }
    current = next;
  }
}

SourceFiles Jobs::sourceFiles() const {
  SourceFiles sources;
  for (std::string file = state_.eEVOfile; !file.empty(); file = getnext(file)) {
    if (!IsRegularFile(file)) break;
    sources.add(file);
  }
  sources.add(state_.eXPLfile);
  sources.add(state_.names.SourceDir + kVtiName);
  return sources;
}

// A red line in the log, and the same text where the front end shows
// warnings apart.
void Jobs::logWarning(const std::string& text) {
  host_.log("[re]" + Literal(text) + "[/re]");
  host_.warn(text);
}

// The start of the Demux and Rebuild jobs: their buttons off, the log in
// front, Cancel asking first.
void Jobs::startWriteJob() {
  state_.buttons.bDemux = state_.buttons.bRebuild = false;
  state_.activePage = 0;
  host_.showPage(0);
  state_.engine.run.WriteJobRunning = true;
  lastFailure_.reset();
  host_.stateChanged();
}

// The end of a write job, failed or not: one red line for a failure, and
// the window usable again as after a normal run.
void Jobs::finishWriteJob(const std::optional<KlarvexError>& failure, bool frameReport) {
  if (failure) {
    lastFailure_ = failure;
    host_.log("[re]" + Literal(failure->what()) + "[/re]");
  }
  host_.log("Done.");
  host_.log("");
  host_.slog("Ready", 0);
  host_.slog("", 1);
  if (frameReport) logframes();
  state_.buttons.bDemux = state_.buttons.bRebuild = true;
  state_.buttons.bCancel = false;  // a walk that failed midway never turned it off
  state_.engine.run.WriteJobRunning = false;
  host_.stateChanged();
}

}  // namespace klarvex
