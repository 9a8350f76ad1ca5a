// klarvex-cli vti: reads a title set information file and prints its two
// tables decoded as the VTI tab shows them.
#pragma once

#include <string>
#include <vector>

#include "jobs/jobs.h"

namespace klarvex::cli {

// Every VTS_EVOBI, then every VTS_EVOB_ATR, as the tab shows each when it
// is picked; the tab is left showing the EVOB selected before.
std::string VtiReport(Jobs& jobs);

// vti [--evob NAME] FILE: the exit status (0, 1 on failure, 2 usage error).
int RunVti(const std::vector<std::string>& args);

}  // namespace klarvex::cli
