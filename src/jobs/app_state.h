// All program state: the engine, and the model of every control that the
// jobs read or change. Front ends mirror this model into their widgets and
// write the user's changes back at once, so a job reading an option here
// reads what the control shows at that moment.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/stream_ids.h"
#include "navigation/ifo_title.h"
#include "navigation/vti_model.h"
#include "navigation/xpl_model.h"

namespace klarvex {

struct StreamBox {
  bool enabled = false;
  bool ticked = false;
  std::string caption;
};

// What the disc's navigation (the playlist, a DVD's IFO) says of a stream
// beyond its packets.
struct StreamLabel {
  std::string language;  // ISO 639-1 code ("en"); empty when not known
  std::string name;      // the playlist's description ("Commentary"); empty when none
};

enum class AutoProcess { None, Demux, Rebuild };  // rbNoAuto, rbAutoDemux, rbAutoRebuild

struct Options {
  bool cbContinue = true;    // "Continue with the next EVO"
  bool cbFastCheck = true;   // "Fast EVO checking"
  int64_t ieFastSize = 300;  // "Size of the fast check (in MBs)"
  bool cbCountFr = true;     // "Count frames"
  bool cbDetails = true;     // "Detailed info"
  bool cbAutoRead = true;    // "Auto read"
  AutoProcess autoProcess = AutoProcess::None;
  bool cbAutoClear = false;   // "A&uto clear"
  bool cbRBAdvanced = false;  // "Rebuild ADV_PCKs"
  bool cbAdjustPTS = false;   // "Adjust PTS of the EVOs to follow"
  bool cbReadVTI = true;      // "Read .VTI file"
  bool cbLpcmWav = false;     // "LPCM as WAV"
  bool cbVobSub = false;      // "DVD subpictures as VobSub"
  bool cbCodecExt = false;    // "Extensions by coding"
  std::string eVideoExt = "mpv";
  std::string eAudioExt = "mpa";
  std::string eSubExt = "sup";
  std::string eWorkdir;  // output folder; empty: the current folder
};

// Whether each button is enabled, by the button's name.
struct Buttons {
  bool bReadEVO = false;
  bool bReadXPL = false;
  bool bDemux = false;
  bool bRebuild = false;
  bool bMkv = false;  // "Make MKV": as Demux, when mkvmerge is installed
  bool bbEVO = true;
  bool bbXPL = true;
  bool bCancel = false;
};

struct SourceNames {
  std::string SourceDir;   // folder of the source, ending in "/"
  std::string SourceName;  // file name with extension
  std::string SourceBase;  // without extension; "_MERGED" added during a job
  std::string XplDir;      // the disc's playlist folder, ending in "/"
  std::string XplName;     // "VPLST000.XPL" once derived
  std::string OutputPrefix;
};

// One file of the title as the last read left it: a fast check reads only
// the first part of each.
struct TitleFileRead {
  std::string path;
  int64_t size = 0;
  int64_t bytesRead = 0;
  bool wholeFile() const { return bytesRead >= size; }
};

class AppState {
 public:
  static constexpr int kVideoBoxes = 8, kAudioBoxes = 16, kSubpictureBoxes = 32;

  Engine engine;
  std::array<StreamBox, kVideoBoxes> videoBoxes;     // cbVideo0..7 (2..7 have no stream)
  std::array<StreamBox, kAudioBoxes> audioBoxes;     // cbAudio00..15
  std::array<StreamBox, kSubpictureBoxes> subBoxes;  // cbSub00..31
  Buttons buttons;
  Options options;
  SourceNames names;
  std::string eEVOfile;                   // source path
  std::string eXPLfile = "VPLST000.XPL";  // playlist path
  XplModel xpl;                           // the XPL tab
  VtiModel vti;                           // the VTI tab
  int activePage = 0;                     // 0: Status
  bool jobRunning = false;                // a job is on its way: no second one starts
  bool closing = false;                   // the window closed: no job starts any more, chained ones neither
  // The window replaces output files that exist; the command line refuses
  // them, before a job writes anything, with this reason (empty: replace).
  std::string refuseExistingOutputs;
  std::vector<TitleFileRead> titleFiles;  // of the last Read EVO, in order
  // By StreamTable entry number; cleared with the boxes.
  std::array<StreamLabel, StreamTable::kEntries + 1> labels;
  // The IFO beside a DVD-Video source, read at most once per read of the
  // title (LabelDvdStreams); cleared with the boxes.
  bool dvdTitleAsked = false;
  std::optional<DvdTitleInfo> dvdTitle;

  bool mayStartJob() const { return !jobRunning && !closing; }
  // The fast check's size box is enabled with "Fast EVO checking".
  bool fastSizeEnabled() const { return options.cbFastCheck; }

  StreamBox& box(Section section, int n);
  const StreamBox& box(Section section, int n) const;
  StreamLabel& label(Section section, int n) {
    return labels[static_cast<size_t>(StreamTable::entryNumber(section, n))];
  }
  const StreamLabel& label(Section section, int n) const {
    return labels[static_cast<size_t>(StreamTable::entryNumber(section, n))];
  }
  // Every box in order: cbVideo0..7, cbAudio00..15, cbSub00..31.
  template <typename F>
  void forEachBox(F&& f) {
    for (auto& b : videoBoxes) f(b);
    for (auto& b : audioBoxes) f(b);
    for (auto& b : subBoxes) f(b);
  }
};

inline StreamBox& AppState::box(Section section, int n) {
  switch (section) {
    case Section::Video:
      return videoBoxes[static_cast<size_t>(n)];
    case Section::Audio:
      return audioBoxes[static_cast<size_t>(n)];
    case Section::Subpicture:
      break;
  }
  return subBoxes[static_cast<size_t>(n)];
}

inline const StreamBox& AppState::box(Section section, int n) const {
  return const_cast<AppState*>(this)->box(section, n);
}

}  // namespace klarvex
