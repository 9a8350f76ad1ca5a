#include "base/errors.h"
#include "base/markup.h"
#include "base/scope_guard.h"
#include "base/text_format.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

constexpr int64_t kMiB = 1048576;

}  // namespace

void Jobs::readButtonsOff() {
  Buttons& b = state_.buttons;
  b.bReadEVO = false;
  rememberedReadXpl_ = b.bReadXPL;
  b.bReadXPL = false;
  b.bDemux = b.bRebuild = b.bbEVO = b.bbXPL = false;
  host_.stateChanged();
}

void Jobs::readButtonsBack() {
  Buttons& b = state_.buttons;
  b.bReadEVO = true;
  b.bReadXPL = rememberedReadXpl_;
  b.bbEVO = b.bbXPL = true;
  b.bCancel = false;  // a walk that failed midway never turned it off
  cbVideoClick();
}

void Jobs::readOneFile(const std::string& path) {
  const std::string name = FileNamePart(path);
  if (state_.options.cbDetails) host_.log(".");
  host_.log("Opening file [b]" + Literal(name) + "[/b]");
  InputFile& input = state_.engine.input;
  input.open(path);  // releases the previous file of the title first
  host_.log("Reading...");
  host_.slog("Reading " + name + " ", 0);
  host_.log("File size: " + IntText(input.size() / kMiB) + " Mbytes.");
  state_.titleFiles.push_back({path, input.size(), 0});
  demux(state_.engine, *this, WalkMode::Read);
  state_.titleFiles.back().bytesRead = input.position();
}

void Jobs::bReadEVOClick() {
  if (!state_.mayStartJob()) return;  // one job at a time: they share the source and the table
  {
    JobGuard guard(state_.jobRunning);
    runReadJob();
  }
  chainAfterRead();
}

void Jobs::runReadJob() {
  if (state_.options.cbAutoClear) host_.clear();
  readButtonsOff();
  Resetcbs();
  state_.activePage = 0;
  host_.showPage(0);

  Engine& engine = state_.engine;
  engine.streams.resetFrameCounts();
  engine.run.minFirstPts = 0xFFFFFFFF;
  engine.run.firstPtm = 0;
  engine.run.totalSeconds = 0;
  engine.run.titleDuration = 0;
  engine.run.previousFileVob.reset();
  state_.titleFiles.clear();
  formOutputNames();

  StreamTable title;
  title.resetForWalk();
  {
    // A failure ends the job, but the user must be able to try again.
    OnFailure buttonsBack([this] { readButtonsBack(); });
    ScopeExit closeInput([&engine] { engine.input.close(); });
    forEachFileOfTitle([&](const std::string& path) {
      readOneFile(path);
      title.addFileStreams(engine.streams);
    });
  }
  engine.streams.takeStreamFacts(title);

  labelStreamBoxes();
  host_.log("Done.");
  host_.log("");
  host_.slog("Ready", 0);
  host_.slog("", 1);
  logframes();
  readButtonsBack();
}

// "Auto Demux" or "Auto Rebuild" chain a job of their own; the title set
// information comes last.
void Jobs::chainAfterRead() {
  if (state_.options.autoProcess == AutoProcess::Demux) bDemuxClick();
  if (state_.options.autoProcess == AutoProcess::Rebuild) bRebuildClick();
  readVTIAfterRead();
}

}  // namespace klarvex
