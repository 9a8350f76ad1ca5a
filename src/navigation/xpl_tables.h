// What the tags of the whole playlist define, taken from every tag line
// as it is finished: the media attribute tables and the playlist values.
#pragma once

#include <string>

#include "navigation/xpl_model.h"

namespace klarvex {

struct XplPlaylistValues {
  std::string title;     // "displayName" of the tag holding "Playlist"
  std::string timeBase;  // of the tag holding "TitleSet"
  std::string tickBase;
};

// Applies one finished tag line. The words are matched in exact case,
// anywhere in the line.
void ApplyAttributeLine(const std::string& line, XplAttributeTables& tables, XplPlaylistValues& values);

}  // namespace klarvex
