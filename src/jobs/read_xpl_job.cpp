#include "jobs/read_xpl_job.h"

#include "base/errors.h"
#include "base/markup.h"
#include "base/scope_guard.h"
#include "base/text_format.h"
#include "engine/block_reader.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"
#include "navigation/xpl_chapters.h"
#include "navigation/xpl_scanner.h"
#include "navigation/xpl_title.h"

namespace klarvex {

namespace {

constexpr int kXplPage = 3;

// Reads the whole playlist into the memo, a piece of the read buffer at a
// time, filling the attribute tables as each tag is finished.
XplPlaylistValues ScanPlaylist(AppState& state, Host& host) {
  InputFile& input = state.engine.input;
  ReadBuffer& buffer = state.engine.buffer;
  XplModel& xpl = state.xpl;
  XplPlaylistValues values;
  XplTagScanner scanner([&xpl, &values](const std::string& line) {
    xpl.mXPL.push_back(line);
    ApplyAttributeLine(line, xpl.tables, values);
  });
  // No further than the size the file had when opened, which the progress
  // text gives.
  const int64_t size = input.size();
  ReadBlocks(
      input, buffer, [&input, size] { return input.position() >= size; },
      [&](const Block& block) {
        host.slog(IntText(block.end()) + "/" + IntText(size) + " bytes", 1);
        scanner.feed(buffer.bytes(), block.loaded);
      });
  return values;
}

// The title's tracks become the stream marks, and the boxes that exist
// for them take the playlist's names. A stream the read before found keeps
// its id (and what the read learnt of it: Make MKV and the Demux forms
// choose by it); the others are marked as the playlist's.
constexpr int32_t kPlaylistMark = 1;  // no stream id: ids begin at 0x20
Section SectionOf(XplTrackKind kind) {
  return kind == XplTrackKind::Video   ? Section::Video
         : kind == XplTrackKind::Audio ? Section::Audio
                                       : Section::Subpicture;
}

void ApplyTracks(AppState& state, Host& host, const std::vector<XplTrack>& tracks) {
  for (const XplTrack& track : tracks) {
    const Section section = SectionOf(track.kind);
    int32_t& id = state.engine.streams.slot(section, track.stream).streamId;
    if (id < 0) id = kPlaylistMark;
    state.label(section, track.stream) = StreamLabel{track.language, track.description};
    host.log(Literal(track.name) + " found!");
    if (section == Section::Video && track.stream != 0) continue;  // only cbVideo0 takes a playlist name
    StreamBox& box = state.box(section, track.stream);
    box.enabled = box.ticked = true;
    box.caption = track.name;
  }
}

// The marks of an earlier playlist go; the ids a read found stay.
void ClearStreamMarks(StreamTable& streams) {
  for (int n = 1; n <= StreamTable::kEntries; ++n)
    if (streams.entry(n).streamId <= kPlaylistMark) streams.entry(n).streamId = -1;
}

}  // namespace

void XplJob::read() {
  context_.Resetcbs();
  Buttons& b = state_.buttons;
  const bool readEvoWas = b.bReadEVO;
  b.bReadXPL = b.bReadEVO = b.bbEVO = b.bbXPL = false;
  state_.activePage = kXplPage;
  host_.showPage(kXplPage);
  host_.stateChanged();
  XplModel& xpl = state_.xpl;
  auto buttonsBack = [this, &b, &xpl, readEvoWas] {
    xpl.bWriteChaps = !xpl.mChapter.empty();
    b.bReadXPL = true;
    b.bReadEVO = readEvoWas;
    b.bbEVO = b.bbXPL = true;
    host_.stateChanged();
  };

  std::optional<XplTitleView> view;
  {
    OnFailure showWhatWasRead([&] {
      xpl.mXPLVisible = true;
      buttonsBack();
    });
    view = scanTitle();
  }
  ClearStreamMarks(state_.engine.streams);
  if (view) {
    ApplyTracks(state_, host_, view->tracks);
    context_.cbVideoClick();  // ticking a box is a click: Demux and Rebuild follow
  }
  xpl.mXPLVisible = true;
  context_.logDone();
  buttonsBack();
}

std::optional<XplTitleView> XplJob::scanTitle() {
  XplModel& xpl = state_.xpl;
  InputFile& input = state_.engine.input;
  XplPlaylistValues values;
  {
    ScopeExit closeInput([&input] { input.close(); });
    input.open(state_.eXPLfile);
    host_.log("Open " + Literal(state_.names.XplName));
    host_.log("Filesize: " + IntText(input.size()) + " bytes");
    xpl.mXPL.clear();
    xpl.mXPLVisible = false;
    xpl.mChapter.clear();
    values = ScanPlaylist(state_, host_);
  }
  if (!CutToTitle(xpl.mXPL, CutExt(FileNamePart(state_.eEVOfile)))) return std::nullopt;
  XplTitleView view = BuildTitleView(xpl.mXPL, xpl.tables, values);
  xpl.tvXPL = view.tree;
  xpl.mChapter = view.chapters;
  return view;
}

std::optional<XplTitleView> XplJob::readTitleLabels() {
  std::optional<XplTitleView> view = scanTitle();
  state_.xpl.mXPLVisible = true;
  if (!view) return view;
  for (const XplTrack& track : view->tracks)
    state_.label(SectionOf(track.kind), track.stream) = {track.language, track.description};
  return view;
}

void XplJob::writeChapters() {
  XplModel& xpl = state_.xpl;
  xpl.bWriteChaps = false;
  host_.stateChanged();
  const std::string name = ChapterFileName(state_.options.eWorkdir, state_.names.SourceBase);
  OutputFile file;
  // The list is still there, whatever happens: after a failure the user may
  // fix the folder and try again.
  ScopeExit offerAgain([this, &xpl] {
    xpl.bWriteChaps = true;
    host_.stateChanged();
  });
  file.create(name, context_.sourceFiles());
  const std::string text = ChapterFileText(xpl.mChapter);
  file.writeAll(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
  file.close();
  host_.log("Chapters info writed to " + Literal(name));
}

void Jobs::XPLadj() {
  SourceNames& names = state_.names;
  names.XplName = FileNamePart(state_.eXPLfile);
  names.XplDir = FolderPart(state_.eXPLfile);
  state_.buttons.bReadXPL = !names.XplName.empty();
  // A playlist in a disc's ADV_OBJ folder has its EVOs in the sibling HVDVD_TS.
  const std::string playlistFolder = "ADV_OBJ/";
  const std::string& dir = names.XplDir;
  if (dir.size() >= playlistFolder.size() &&
      dir.compare(dir.size() - playlistFolder.size(), playlistFolder.size(), playlistFolder) == 0)
    names.SourceDir = dir.substr(0, dir.size() - playlistFolder.size()) + "HVDVD_TS/";
  host_.stateChanged();
}

void Jobs::XplChosen(const std::string& path) {
  state_.eXPLfile = path;
  XPLadj();
  if (state_.options.cbAutoRead) bReadXPLClick();
}

void Jobs::bReadXPLClick() {
  if (!state_.mayStartJob()) return;  // the read shares the input file and the buffer with the jobs
  JobGuard guard(state_.jobRunning);
  xpl_.read();
}

void Jobs::bWriteChapsClick() { xpl_.writeChapters(); }

}  // namespace klarvex
