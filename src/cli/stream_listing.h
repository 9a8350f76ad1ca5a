// The stream list of the last read as JSON, for scripts.
#pragma once

#include <optional>
#include <string>

#include "jobs/app_state.h"
#include "jobs/host.h"
#include "navigation/ifo_title.h"

namespace klarvex::cli {

// For a DVD-Video VOB source each audio and subpicture stream has a
// "language": the two letters that `dvdTitle` (the IFO beside it) gives the
// carried stream, null without one. Other sources have no such field.
std::string StreamListJson(const AppState& state, const DvdTitleInfo* dvdTitle = nullptr);
// The title set beside a DVD-Video VOB source, for its languages. Quietly
// none without an IFO (or for another source); an IFO that can't be read is
// a warning through `host`, and none.
std::optional<DvdTitleInfo> TitleSetBesideSource(const AppState& state, Host& host);
// The fast check ended the read of some file of the title before its end.
bool FastCheckCutShort(const AppState& state);

}  // namespace klarvex::cli
