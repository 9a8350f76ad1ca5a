// The stream list of the last read as JSON, for scripts.
#pragma once

#include <string>

#include "jobs/app_state.h"

namespace klarvex::cli {

std::string StreamListJson(const AppState& state);
// The fast check ended the read of some file of the title before its end.
bool FastCheckCutShort(const AppState& state);

}  // namespace klarvex::cli
