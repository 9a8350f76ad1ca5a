// The stream list of the last read as JSON, for scripts.
#pragma once

#include <string>

#include "jobs/app_state.h"

namespace klarvex::cli {

std::string StreamListJson(const AppState& state);

}  // namespace klarvex::cli
