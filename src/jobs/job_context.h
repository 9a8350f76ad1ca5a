// The scaffolding every job runs on: the model and the front end, the files
// of the title, the steps a job's start, its pass over a file and its end
// have in common, and the rules on the stream boxes that several jobs
// apply. It is also what the walker and the rebuild pass ask for the
// options and the user's events.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/output_file.h"
#include "engine/rebuild_pass.h"
#include "engine/walker_host.h"
#include "jobs/app_state.h"
#include "jobs/event_pump.h"
#include "jobs/host.h"

namespace klarvex {

// The caption a stream box gets for a stream: its type name and the box's
// own suffix (VC-1.stream.0, DD+.stream.03, Subpicture.00).
std::string StreamCaption(Section section, int n, int32_t streamId);

// Read EVO announces its pass over a file before the file's size; the
// write jobs (Demux, Rebuild) show "Opening" while the file opens and
// announce their pass after its size.
enum class JobKind { Read, Write };

class JobContext : public WalkerHost, public RebuildHost {
 public:
  JobContext(AppState& state, Host& host) : state_(state), host_(host) {}
  JobContext(const JobContext&) = delete;
  JobContext& operator=(const JobContext&) = delete;

  AppState& state() { return state_; }
  Host& host() { return host_; }

  // --- the stream boxes ---
  // Every box unticked, disabled, with its reset caption.
  void Resetcbs();
  // Demux and Rebuild follow the ticks.
  void cbVideoClick();
  // After a read: the box of every stream found enabled, ticked and named.
  void labelStreamBoxes();
  // The frame counts and durations of both video streams.
  void logframes();

  // --- the title ---
  // The output base name of a job: SourceBase, "_MERGED" when the title
  // continues, and OutputPrefix in the output folder (the Options tab's, or
  // `folder`).
  void formOutputNames() { formOutputNames(state_.options.eWorkdir); }
  void formOutputNames(const std::string& folder);
  // Runs `processFile` on the source and, with "Continue with the next
  // EVO", the files that follow it, until the user stops. The front end
  // hears how far the pass over the whole title has come (a read with the
  // fast check reads only the first part of each file).
  void forEachFileOfTitle(JobKind kind, const std::function<void(const std::string&)>& processFile);
  // Every file a job may read: all files of the title, the playlist and the
  // VTI. No output may be one of them.
  SourceFiles sourceFiles() const;

  // --- steps the jobs share ---
  // The prologue of a pass over one file of the title: the file opened in
  // place of the one before, its name and size in the log, and what the job
  // does with it (`doing` in the log, `status` in the status bar).
  void openTitleFile(const std::string& path, JobKind kind, const std::string& doing, const std::string& status);
  // A walk over the whole title starts: the frame counts and the durations
  // it adds up begin at zero, and no file's VOB is known yet.
  void startTitleWalk();
  // The end of a job: "Done.", a blank line, and "Ready" in the status bar.
  void logDone();
  // A red line in the log, and the same text where the front end shows
  // warnings apart.
  void logWarning(const std::string& text);

  // --- the write jobs (Demux, Rebuild) ---
  void startWriteJob();
  void finishWriteJob(const std::optional<KlarvexError>& failure, bool frameReport);
  const std::optional<KlarvexError>& lastFailure() const { return lastFailure_; }

  // --- WalkerHost and RebuildHost ---
  MessageLog& messages() override { return host_; }
  bool fastCheck() const override { return state_.options.cbFastCheck; }
  int64_t fastCheckMiB() const override { return state_.options.ieFastSize; }
  bool countFrames() const override { return state_.options.cbCountFr; }
  bool detailedInfo() const override { return state_.options.cbDetails; }
  bool streamTicked(Section section, int number) const override;
  std::string sourceExtension() const override;
  bool rebuildAdvancedPacks() const override { return state_.options.cbRBAdvanced; }
  bool adjustPts() const override { return state_.options.cbAdjustPTS; }
  void processEvents() override { host_.processEvents(); }
  // Once per block of a pass: the stop request, and the front end's events
  // whenever the pump says it is time.
  void pollStop() override;
  // The clock the pump goes by (tests give one that a slow source would).
  void setPumpClock(EventPump::Clock clock) { pump_.setClock(std::move(clock)); }
  void repaint() override { host_.repaint(); }
  void setCancelEnabled(bool enabled) override;

 private:
  // The files of the title a pass goes over, and the bytes it will read of each.
  struct TitlePlan {
    std::vector<int64_t> bytes;
    int current = 0;     // index of the file being passed over
    int64_t before = 0;  // the bytes of the files before it
    int64_t total = 0;
  };
  // The regular files of the title from the source on (only the source
  // without `followOn`): a name that is no regular file ends it.
  std::vector<std::string> titleFiles(bool followOn) const;
  TitlePlan planTitle(JobKind kind) const;
  TitleProgress titleProgress() const;
  void pumpEvents();

  AppState& state_;
  Host& host_;
  std::optional<KlarvexError> lastFailure_;
  EventPump pump_;
  TitlePlan plan_;
};

}  // namespace klarvex
