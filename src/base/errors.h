// Failures carry the exact text the user sees; jobs catch them where their
// rules say, and what escapes a job reaches the front end.
#pragma once

#include <stdexcept>
#include <string>

namespace klarvex {

class KlarvexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Cannot open file "%s". %s" with the path and the system's reason.
KlarvexError CannotOpenFile(const std::string& path, int errnoValue);
// "Cannot create file "%s". %s" with the path and the system's reason.
KlarvexError CannotCreateFile(const std::string& path, int errnoValue);
KlarvexError StreamReadError();
KlarvexError StreamWriteError();

}  // namespace klarvex
