// klarvex-cli xpl and chapters: the Read XPL and Write chapters buttons of
// the window's XPL tab.
#pragma once

#include <string>
#include <vector>

#include "cli/arguments.h"
#include "navigation/xpl_model.h"

namespace klarvex::cli {

// The XPL tab as text: the memo's tag lines, an empty line, then the tree
// with the lines under each node indented by two blanks.
std::string PlaylistListing(const XplModel& xpl);

// `xpl [--source FILE] XPL`: the read's log, then the listing.
int RunXplCommand(const CommandSyntax& syntax, const Arguments& arguments);
// `chapters [--source FILE] [-o DIR] [-y] XPL`: the read's log, then the
// chapter file; without -y a chapter file that exists is refused for
// `existingRefusal`.
int RunChaptersCommand(const CommandSyntax& syntax, const Arguments& arguments, const std::string& existingRefusal);

}  // namespace klarvex::cli
