// What a name in the file system stands for, links followed: the one check
// behind "is there a file to read" everywhere.
#pragma once

#include <cstdint>
#include <string>

namespace klarvex {

enum class PathKind { Missing, RegularFile, Directory, Other };

PathKind KindOfPath(const std::string& path);

// A regular file stands at `path` (not a folder, FIFO, socket or device).
inline bool IsRegularFile(const std::string& path) { return KindOfPath(path) == PathKind::RegularFile; }

// The size of what stands at `path`, links followed; 0 when nothing does.
int64_t FileSize(const std::string& path);

// The reason a reader would be given for `kind`: ENOENT, EISDIR, EINVAL,
// or 0 for a regular file.
int ReasonNotReadable(PathKind kind);

}  // namespace klarvex
