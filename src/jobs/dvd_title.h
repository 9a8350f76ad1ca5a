// What a DVD-Video title set's IFO adds to a read of its VOBs: the
// languages of the audio and subpicture streams, and for the jobs that
// need them the palette, the picture size and the chapters.
#pragma once

#include <optional>

#include "jobs/app_state.h"
#include "jobs/host.h"
#include "navigation/ifo_title.h"

namespace klarvex {

// A source of a DVD-Video title set: a VOB.
bool IsDvdVideoSource(const AppState& state);

// The IFO beside a DVD-Video VOB source, its languages given to the read's
// streams (their labels). None for other sources and, quietly, without an
// IFO; an IFO that can't be read is a warning through `host`, and none.
std::optional<DvdTitleInfo> LabelDvdStreams(AppState& state, Host& host);

}  // namespace klarvex
