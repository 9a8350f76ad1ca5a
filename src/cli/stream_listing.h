// The stream list of the last read as JSON, for scripts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/app_state.h"
#include "jobs/demux_job.h"

namespace klarvex::cli {

// The "formatVersion" of the JSON documents (docs/json.md); raised with any
// change a script would notice.
constexpr int kJsonFormatVersion = 1;

// Each stream with its "language" and "name" as the read labelled it: for
// a DVD-Video VOB the IFO beside it gives the language (null when unknown).
std::string StreamListJson(const AppState& state);
// The fast check ended the read of some file of the title before its end.
bool FastCheckCutShort(const AppState& state);
// What a Demux wrote, for scripts and muxers: the title, and per file the
// stream it holds, in what form, and its delay against the title's first
// video PTS.
std::string DemuxJson(const AppState& state, const std::vector<DemuxedStream>& written);

}  // namespace klarvex::cli
