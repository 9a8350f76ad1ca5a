// klarvex-cli vti: reads a title set information file and prints its two
// tables decoded as the VTI tab shows them.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "navigation/vti_tables.h"

namespace klarvex::cli {

// Every VTS_EVOBI, then every VTS_EVOB_ATR, decoded as the tab shows each
// when it is picked; the EVOB at `selectedEvob` is marked.
std::string VtiReport(const EvobInfoTable& infoTable, const EvobAttrTable& attrTable, int selectedEvob);

// vti [--evob NAME] VTI: the exit status (0, 1 on failure, 2 usage error).
int RunVti(const CommandSyntax& syntax, const Arguments& arguments);

}  // namespace klarvex::cli
