// Putting a downloaded program in place of the running one so that a
// working program stands at its path at every moment: the download is
// checked first, the old program is kept as ".old", and one rename puts
// the new one in.
#pragma once

#include <cstdint>
#include <string>

namespace klarvex::ui {

// "" when `download` is a complete program for this machine: `expectedSize`
// bytes (not 0), an ELF file of the same class and machine as `program`.
// Otherwise the reason.
std::string CheckDownloadedProgram(const std::string& program, const std::string& download, int64_t expectedSize);

// Checks the download, keeps `program` as program + ".old" (an earlier one
// replaced), makes the download executable like the program and renames it
// over the program. "" on success, else the reason; on failure the download
// is removed and the program is as it was.
std::string ReplaceProgram(const std::string& program, const std::string& download, int64_t expectedSize);

}  // namespace klarvex::ui
