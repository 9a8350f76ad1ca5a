// The jobs and the rules around them, over the AppState model. Each public
// routine is what a control's event does in the window; the command line
// calls the same routines. Each job is a unit of its own over the shared
// JobContext; these routines start them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/output_file.h"
#include "engine/pack_walker.h"
#include "engine/walker_host.h"
#include "jobs/app_state.h"
#include "jobs/demux_job.h"
#include "jobs/host.h"
#include "jobs/job_context.h"
#include "jobs/mkv_job.h"
#include "jobs/read_evo_job.h"
#include "jobs/read_xpl_job.h"
#include "jobs/rebuild_job.h"

namespace klarvex {

class Jobs {
 public:
  Jobs(AppState& state, Host& host)
      : state_(state),
        host_(host),
        context_(state, host),
        readEvo_(context_),
        demux_(context_),
        rebuild_(context_),
        xpl_(context_),
        mkv_(context_, demux_, xpl_) {}
  Jobs(const Jobs&) = delete;
  Jobs& operator=(const Jobs&) = delete;

  // A new source path is in eEVOfile: derive the names and the playlist place.
  void EVOadj();
  // The Read EVO job over the whole title. A failure that ends it escapes
  // as KlarvexError once the buttons are usable again.
  void bReadEVOClick();
  // The Demux job: one file per ticked box, the title's files walked in
  // demux mode. A failure is logged as one red line and the job ends
  // normally; lastFailure() gives it to callers that must report it again.
  void bDemuxClick();
  // The Rebuild job: a new EVO, OutputPrefix + ".rebuilt.EVO", holding the
  // packs of the ticked streams renumbered, with navigation packs to match.
  // A failure is handled as in the Demux job.
  void bRebuildClick();
  // Make MKV: the ticked streams in one Matroska file through mkvmerge.
  // A failure is handled as in the Demux job.
  void bMkvClick();
  // The Matroska file the last Make MKV wrote; empty when it wrote none.
  const std::string& mkvWritten() const { return mkv_.written(); }
  const std::optional<KlarvexError>& lastFailure() const { return context_.lastFailure(); }
  // The clock the jobs pump the front end's events by (tests give a slow one).
  void setPumpClock(EventPump::Clock clock) { context_.setPumpClock(std::move(clock)); }
  // Streams that the last Demux met but the read before it had not found,
  // so none of them was written (their would-be captions, e.g. Subpicture.03).
  const std::vector<std::string>& missedStreams() const { return demux_.missedStreams(); }
  const std::vector<DemuxedStream>& demuxed() const { return demux_.written(); }
  // Every stream box unticked, disabled, with its reset caption.
  void Resetcbs();
  // Demux and Rebuild follow the ticks.
  void cbVideoClick();
  // The size box follows "Fast EVO checking".
  void cbFastCheckClick();
  // Cancel: stops a read at once; a write job only after the user confirms.
  void bCancelClick();
  // The frame counts and durations of both video streams.
  void logframes();

  // --- the playlist (XPL) and chapter export ---
  // A new playlist path is in eXPLfile: derive its names, and the source
  // folder when the playlist lies in a disc's ADV_OBJ folder.
  void XPLadj();
  // A playlist picked by browsing or dropped: into the box, read at once
  // with "Auto read".
  void XplChosen(const std::string& path);
  // Read XPL: the playlist's tags into the XPL tab, and the title of the
  // source file applied to the stream marks and boxes. A failure to open
  // or read escapes as KlarvexError once the buttons are usable again.
  void bReadXPLClick();
  // Write chapters: the ChapterList to SourceBase + ".chapters.txt" in the
  // output folder. A failure escapes as KlarvexError.
  void bWriteChapsClick();

  // --- the title set information (VTI) ---
  // Read VTI: "HVA00001.VTI" from the source folder, when "Read .VTI file"
  // is ticked. A file that ends early escapes as "Stream read error".
  void bReadVTIClick();
  // The same read of a named file (the command line's), whatever the option.
  void readVTI(const std::string& path);
  // After a Read EVO job: the read, only when the option is ticked and the
  // file is there.
  void readVTIAfterRead();
  // The user picked an EVOB or an attribute number in the VTI tab.
  void cbEVOnameChange();
  void cbAttrNoChange();

  // The output base name of a job: SourceBase, "_MERGED" when the title
  // continues, and OutputPrefix in the output folder.
  void formOutputNames();

  AppState& state() { return state_; }

 private:
  // "Auto Demux" or "Auto Rebuild" chain a job of their own after a read.
  void chainAfterRead();
  // Read VTI is not a unit of its own yet: its routines use these.
  void logWarning(const std::string& text) { context_.logWarning(text); }

  AppState& state_;
  Host& host_;
  JobContext context_;
  ReadEvoJob readEvo_;
  DemuxJob demux_;
  RebuildJob rebuild_;
  XplJob xpl_;
  MkvJob mkv_;
};

}  // namespace klarvex
