// klarvex-cli xpl and chapters: the Read XPL and Write chapters buttons of
// the window's XPL tab.
#pragma once

#include <string>
#include <vector>

#include "navigation/xpl_model.h"

namespace klarvex::cli {

// The usage lines of the two commands.
extern const char* const kPlaylistUsage;

// The XPL tab as text: the memo's tag lines, an empty line, then the tree
// with the lines under each node indented by two blanks.
std::string PlaylistListing(const XplModel& xpl);

// `xpl [--source FILE] XPL`: the read's log, then the listing.
int RunXplCommand(const std::vector<std::string>& args);
// `chapters [--source FILE] [-o DIR] XPL`: the read's log, then the chapter file.
int RunChaptersCommand(const std::vector<std::string>& args);
// Either of the two, by the command's name.
int RunPlaylistCommand(const std::string& command, const std::vector<std::string>& args);

}  // namespace klarvex::cli
