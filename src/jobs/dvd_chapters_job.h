// Write chapters for a DVD-Video title: the chapters of its title set's
// IFO as the same chapter file the playlist's chapter export writes.
#pragma once

#include <string>

#include "jobs/host.h"

namespace klarvex {

// Reads the IFO of `source` (the IFO itself, or a VOB of the title with the
// IFO beside it) and writes its chapters to BASE.chapters.txt in
// `outputFolder` (the current folder when empty), BASE being the source's
// name without extension. The source and the IFO are the job's sources: no
// output may be one of them. Logs what it read and wrote; a failure (an
// IFO that can't be read, a title without chapters, the output) escapes as
// KlarvexError naming the file. A file that exists at the output's name is
// replaced, or refused for `refuseExisting` when that is not empty. Returns
// the name written.
std::string WriteDvdChapters(const std::string& source, const std::string& outputFolder, Host& host,
                             const std::string& refuseExisting = "");

}  // namespace klarvex
