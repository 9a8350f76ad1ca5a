#include "jobs/job_context.h"

#include <algorithm>

#include "base/bytes.h"
#include "base/child_process.h"
#include "base/markup.h"
#include "base/path_kind.h"
#include "base/scope_guard.h"
#include "base/text_format.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {}  // namespace

void JobContext::formOutputNames(const std::string& folder) {
  SourceNames& names = state_.names;
  names.SourceBase = CutExt(names.SourceName);
  if (state_.options.cbContinue && !getnext(state_.eEVOfile).empty()) names.SourceBase += "_MERGED";
  names.OutputPrefix = InFolder(folder, names.SourceBase);
}

std::vector<std::string> JobContext::titleFiles(bool followOn) const {
  std::vector<std::string> files;
  for (std::string file = state_.eEVOfile; !file.empty(); file = getnext(file)) {
    if (!IsRegularFile(file)) break;
    files.push_back(file);
    if (!followOn) break;
  }
  return files;
}

// The files the pass will meet, as forEachFileOfTitle walks them, with
// their sizes as they are now.
JobContext::TitlePlan JobContext::planTitle(JobKind kind) const {
  TitlePlan plan;
  const bool fastCheck = kind == JobKind::Read && state_.options.cbFastCheck;
  for (const std::string& file : titleFiles(state_.options.cbContinue)) {
    int64_t bytes = FileSize(file);
    if (fastCheck) bytes = std::min(bytes, state_.options.ieFastSize * kMiB);
    plan.bytes.push_back(bytes);
    plan.total += bytes;
  }
  return plan;
}

TitleProgress JobContext::titleProgress() const {
  const int files = static_cast<int>(plan_.bytes.size());
  if (plan_.current >= files) return {files, files, plan_.total, plan_.total};
  const InputFile& input = state_.engine.input;
  const int64_t inFile = input.isOpen() ? std::clamp<int64_t>(input.position(), 0, plan_.bytes[plan_.current]) : 0;
  return {plan_.current + 1, files, plan_.before + inFile, plan_.total};
}

void JobContext::pumpEvents() {
  host_.titleProgress(titleProgress());
  host_.processEvents();
}

void JobContext::pollStop() {
  host_.pollStop();
  if (pump_.due()) pumpEvents();
}

void JobContext::forEachFileOfTitle(JobKind kind, const std::function<void(const std::string&)>& processFile) {
  plan_ = planTitle(kind);
  pump_.restart();
  ScopeExit passOver([this] { host_.titleProgress(TitleProgress{}); });
  std::string current = state_.eEVOfile;
  for (size_t index = 0;; ++index) {
    if (index < plan_.bytes.size()) {
      plan_.current = static_cast<int>(index);
      plan_.before = index == 0 ? 0 : plan_.before + plan_.bytes[index - 1];
      // The input still holds the file before: this one starts at nothing read.
      host_.titleProgress({plan_.current + 1, static_cast<int>(plan_.bytes.size()), plan_.before, plan_.total});
    }
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

SourceFiles JobContext::sourceFiles() const {
  SourceFiles sources;
  for (const std::string& file : titleFiles(true)) sources.add(file);
  sources.add(state_.eXPLfile);
  sources.add(state_.names.SourceDir + kVtiName);
  sources.refuseExisting(state_.refuseExistingOutputs);
  return sources;
}

void JobContext::openTitleFile(const std::string& path, JobKind kind, const std::string& doing,
                               const std::string& status) {
  auto announce = [&] {
    host_.log(doing);
    host_.slog(status, 0);
  };
  host_.log("Opening file [b]" + Literal(FileNamePart(path)) + "[/b]");
  if (kind == JobKind::Write) host_.slog("Opening", 0);
  InputFile& input = state_.engine.input;
  input.open(path);  // releases the previous file of the title first
  if (kind == JobKind::Read) announce();
  host_.log("File size: " + IntText(input.size() / kMiB) + " Mbytes.");
  if (kind == JobKind::Write) announce();
}

void JobContext::startTitleWalk() {
  Engine& engine = state_.engine;
  engine.streams.resetFrameCounts();
  engine.run.totalSeconds = 0;
  engine.run.titleDuration = 0;
  engine.run.previousFileVob.reset();
}

void JobContext::logDone() {
  host_.log("Done.");
  host_.log("");
  host_.slog("Ready", 0);
  host_.slog("", 1);
}

void JobContext::logWarning(const std::string& text) {
  host_.log("[re]" + Literal(text) + "[/re]");
  host_.warn(text);
}

// Their buttons off, the log in front, Cancel asking first.
void JobContext::startWriteJob() {
  state_.buttons.bDemux = state_.buttons.bRebuild = state_.buttons.bMkv = false;
  state_.activePage = 0;
  host_.showPage(0);
  state_.engine.run.WriteJobRunning = true;
  lastFailure_.reset();
  host_.stateChanged();
}

// Failed or not: one red line for a failure, and the window usable again as
// after a normal run.
void JobContext::finishWriteJob(const std::optional<KlarvexError>& failure, bool frameReport) {
  if (failure) {
    lastFailure_ = failure;
    host_.log("[re]" + Literal(failure->what()) + "[/re]");
  }
  logDone();
  if (frameReport) logframes();
  state_.buttons.bDemux = state_.buttons.bRebuild = true;
  state_.buttons.bMkv = !FindOnPath("mkvmerge").empty();
  state_.buttons.bCancel = false;  // a walk that failed midway never turned it off
  state_.engine.run.WriteJobRunning = false;
  host_.stateChanged();
}

std::string JobContext::sourceExtension() const { return ExtensionOf(state_.eEVOfile); }

void JobContext::setCancelEnabled(bool enabled) {
  state_.buttons.bCancel = enabled;
  host_.stateChanged();
}

}  // namespace klarvex
