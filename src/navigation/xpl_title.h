// The title of the playlist that the source file belongs to: its tag
// lines, the tree built from them, its tracks and its chapters.
#pragma once

#include <string>
#include <vector>

#include "navigation/xpl_model.h"
#include "navigation/xpl_tables.h"

namespace klarvex {

enum class XplTrackKind { Video, Audio, Subtitle };

// A track the title names: the stream it stands for (counted from 0
// within its kind) and the name the playlist gives it.
struct XplTrack {
  XplTrackKind kind = XplTrackKind::Video;
  int stream = 0;
  std::string name;         // as the stream box takes it: "DD+.6ch.s00.English"
  std::string language;     // the langcode's language part ("en" of "en:00"); empty when none
  std::string description;  // the playlist's own name of the stream ("English", "Commentary")

  bool operator==(const XplTrack&) const = default;
};

struct XplTitleView {
  std::string name;  // the title's displayName
  std::vector<XplTreeNode> tree;
  std::vector<XplTrack> tracks;       // each stream once, in file order
  std::vector<std::string> chapters;  // the ChapterList
};

// Cuts `lines` down to the title whose lines name `sourceBase` (exact
// case). False, and `lines` untouched, when no line after the first does.
bool CutToTitle(std::vector<std::string>& lines, const std::string& sourceBase);

// The tree, the tracks and the chapters of the title's lines.
XplTitleView BuildTitleView(const std::vector<std::string>& lines, const XplAttributeTables& tables,
                            const XplPlaylistValues& values);

}  // namespace klarvex
