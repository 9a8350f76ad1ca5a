#include "errors.h"

#include <sys/stat.h>

#include <cstring>

namespace klarvex {

static std::string SystemReason(int errnoValue) { return std::strerror(errnoValue); }

KlarvexError CannotOpenFile(const std::string& path, int errnoValue) {
  return KlarvexError("Cannot open file \"" + path + "\". " + SystemReason(errnoValue));
}

std::string NotRegularReason(unsigned mode) {
  const char* kind = S_ISFIFO(mode)   ? "a FIFO"
                     : S_ISSOCK(mode) ? "a socket"
                     : S_ISCHR(mode)  ? "a character device"
                     : S_ISBLK(mode)  ? "a block device"
                     : S_ISDIR(mode)  ? "a directory"
                     : S_ISLNK(mode)  ? "a symbolic link"
                                      : "something";
  return std::string("It is ") + kind + ", not a regular file";
}

KlarvexError NotARegularFile(const std::string& path, unsigned mode) {
  return KlarvexError("Cannot open file \"" + path + "\". " + NotRegularReason(mode));
}

KlarvexError CannotCreateFile(const std::string& path, int errnoValue) {
  return CannotCreateFile(path, SystemReason(errnoValue));
}

KlarvexError CannotCreateFile(const std::string& path, const std::string& reason) {
  return KlarvexError("Cannot create file \"" + path + "\". " + reason);
}

static std::string Detail(const char* doing, const std::string& path, int errnoValue) {
  if (path.empty()) return "";
  std::string detail = std::string(doing) + " \"" + path + "\"";
  if (errnoValue) detail += ": " + SystemReason(errnoValue);
  return detail;
}

KlarvexError StreamReadError(const std::string& path, int errnoValue) {
  return KlarvexError("Stream read error", Detail("reading", path, errnoValue));
}

KlarvexError StreamWriteError(const std::string& path, int errnoValue) {
  return KlarvexError("Stream write error", Detail("writing", path, errnoValue));
}

}  // namespace klarvex
