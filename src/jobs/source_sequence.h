// The files of a title: FEATURE_1.EVO, FEATURE_2.EVO, ... or
// L0_mainMovie.EVO, L1_mainMovie.EVO, ..., or MOVIE_Divide.EVO after
// MOVIE.EVO; DVD title sets VTS_01_1.VOB, VTS_01_2.VOB, ...
#pragma once

#include <string>

#include "base/path_kind.h"

namespace klarvex {

// The title set information beside the source.
inline constexpr const char* kVtiName = "HVA00001.VTI";

// The path of the file that follows `path` in its title, or "" when none exists.
std::string getnext(const std::string& path);

// `name` without its extension (the part from the last "." after the last "/").
std::string CutExt(const std::string& name);

// Folder part, ending in "/" (empty for a bare name), and file-name part.
std::string FolderPart(const std::string& path);
std::string FileNamePart(const std::string& path);
// Extension with its dot, as written ("" when none).
std::string ExtensionOf(const std::string& path);

}  // namespace klarvex
