// Failures carry the exact text the user sees; jobs catch them where their
// rules say, and what escapes a job reaches the front end.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace klarvex {

class KlarvexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  KlarvexError(const std::string& message, std::string detail)
      : std::runtime_error(message), detail_(std::move(detail)) {}

  // Which file and why, where the message itself doesn't say it ("Stream
  // write error"): for the command line's standard error.
  const std::string& detail() const { return detail_; }
  // The message with its detail in brackets, where there is one.
  std::string fullText() const { return detail_.empty() ? what() : std::string(what()) + " (" + detail_ + ")"; }

 private:
  std::string detail_;
};

// "Cannot open file "%s". %s" with the path and the system's reason.
KlarvexError CannotOpenFile(const std::string& path, int errnoValue);
// A source that is no regular file (a FIFO, socket or device would block
// the read or never end): "Cannot open file "%s". It is a FIFO, not a
// regular file".
KlarvexError NotARegularFile(const std::string& path, unsigned mode);
// "It is a FIFO, not a regular file" for the kind of file `mode` tells
// (S_IFLNK: "It is a symbolic link, ...").
std::string NotRegularReason(unsigned mode);
// "Cannot create file "%s". %s" with the path and the system's reason.
KlarvexError CannotCreateFile(const std::string& path, int errnoValue);
// The same with a reason of Klarvex's own ("It is one of the source files").
KlarvexError CannotCreateFile(const std::string& path, const std::string& reason);
KlarvexError StreamReadError(const std::string& path = "", int errnoValue = 0);
KlarvexError StreamWriteError(const std::string& path = "", int errnoValue = 0);

}  // namespace klarvex
