#include "errors.h"

#include <cstring>

namespace klarvex {

static std::string SystemReason(int errnoValue) { return std::strerror(errnoValue); }

KlarvexError CannotOpenFile(const std::string& path, int errnoValue) {
  return KlarvexError("Cannot open file \"" + path + "\". " + SystemReason(errnoValue));
}

KlarvexError CannotCreateFile(const std::string& path, int errnoValue) {
  return KlarvexError("Cannot create file \"" + path + "\". " + SystemReason(errnoValue));
}

KlarvexError StreamReadError() { return KlarvexError("Stream read error"); }
KlarvexError StreamWriteError() { return KlarvexError("Stream write error"); }

}  // namespace klarvex
