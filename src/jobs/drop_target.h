// What a file dropped on the window becomes. The window asks this both
// when a drag enters (to refuse what it won't take at once) and on the
// drop itself, so the two never disagree.
#pragma once

#include <string>

namespace klarvex {

enum class DropTarget { None, Source, Playlist };

// By the extension, in any case: ".EVO" and ".VOB" become the source,
// ".XPL" the playlist. Anything else is not taken, ".AOB" included: an
// AOB is opened by browsing or from the command line.
DropTarget DropTargetOf(const std::string& path);

}  // namespace klarvex
