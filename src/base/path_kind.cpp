#include "base/path_kind.h"

#include <sys/stat.h>

#include <cerrno>

namespace klarvex {

PathKind KindOfPath(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::RegularFile;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::Other;
}

int ReasonNotReadable(PathKind kind) {
  switch (kind) {
    case PathKind::Missing:
      return ENOENT;
    case PathKind::Directory:
      return EISDIR;
    case PathKind::Other:
      return EINVAL;
    case PathKind::RegularFile:
      break;
  }
  return 0;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

}  // namespace klarvex
