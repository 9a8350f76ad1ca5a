#include "jobs/read_evo_job.h"

#include "base/scope_guard.h"
#include "base/text_format.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex {

void ReadEvoJob::buttonsOff() {
  Buttons& b = state_.buttons;
  b.bReadEVO = false;
  rememberedReadXpl_ = b.bReadXPL;
  b.bReadXPL = false;
  b.bDemux = b.bRebuild = b.bMkv = b.bbEVO = b.bbXPL = false;
  host_.stateChanged();
}

void ReadEvoJob::buttonsBack() {
  Buttons& b = state_.buttons;
  b.bReadEVO = !state_.eEVOfile.empty();  // as EVOadj leaves it: nothing to read again without a path
  b.bReadXPL = rememberedReadXpl_;
  b.bbEVO = b.bbXPL = true;
  b.bCancel = false;  // a walk that failed midway never turned it off
  context_.cbVideoClick();
}

void ReadEvoJob::readOneFile(const std::string& path) {
  if (state_.options.cbDetails) host_.log(".");
  context_.openTitleFile(path, JobKind::Read, "Reading...", "Reading " + FileNamePart(path) + " ");
  InputFile& input = state_.engine.input;
  state_.titleFiles.push_back({path, input.size(), 0});
  demux(state_.engine, context_, WalkMode::Read);
  state_.titleFiles.back().bytesRead = input.position();
}

void ReadEvoJob::run() {
  if (state_.options.cbAutoClear) host_.clear();
  buttonsOff();
  context_.Resetcbs();
  state_.activePage = 0;
  host_.showPage(0);

  Engine& engine = state_.engine;
  context_.startTitleWalk();
  engine.run.minFirstPts = 0xFFFFFFFF;  // the title's start is found anew
  engine.run.firstPtm = 0;
  engine.run.encrypted = false;
  state_.titleFiles.clear();
  context_.formOutputNames();

  StreamTable title;
  title.resetForWalk();
  {
    // A failure ends the job, but the user must be able to try again.
    OnFailure buttonsBackAfterFailure([this] { buttonsBack(); });
    ScopeExit closeInput([&engine] { engine.input.close(); });
    context_.forEachFileOfTitle(JobKind::Read, [&](const std::string& path) {
      readOneFile(path);
      title.addFileStreams(engine.streams);
    });
  }
  engine.streams.takeStreamFacts(title);

  context_.labelStreamBoxes();
  context_.logDone();
  context_.logframes();
  buttonsBack();
}

void Jobs::bReadEVOClick() {
  if (!state_.mayStartJob()) return;  // one job at a time: they share the source and the table
  {
    JobGuard guard(state_.jobRunning);
    readEvo_.run();
  }
  chainAfterRead();
}

// The title set information comes last.
void Jobs::chainAfterRead() {
  if (state_.options.autoProcess == AutoProcess::Demux) bDemuxClick();
  if (state_.options.autoProcess == AutoProcess::Rebuild) bRebuildClick();
  readVTIAfterRead();
}

}  // namespace klarvex
