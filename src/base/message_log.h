// The system's one report channel: the message pane (lines with markup) and
// the two status panels. Front ends implement the primitives; the composite
// routines are the same for all of them.
#pragma once

#include <string>

namespace klarvex {

class MessageLog {
 public:
  virtual ~MessageLog() = default;

  // Appends one line (markup rendered, tags removed); "" appends an empty line.
  virtual void log(const std::string& message) = 0;
  // Shows `text` (with a leading blank) in status panel 0 or 1.
  virtual void slog(const std::string& text, int panel) = 0;
  // Shows an error in the status bar: bold, first panel blanked.
  virtual void erslog(const std::string& text) = 0;
  // The system's exclamation sound.
  virtual void beep() = 0;
  // Empties the message pane.
  virtual void clear() = 0;

  // The line, then an empty line.
  void log2(const std::string& message);
  // The line, also shown (tags removed) in status panel 1.
  void dlog(const std::string& message);
  // The line, also shown in status panel 0; panel 1 emptied.
  void dlog0(const std::string& message);
  // The whole line in red, shown in the status bar as an error, with a beep.
  void erlog(const std::string& message);
};

}  // namespace klarvex
