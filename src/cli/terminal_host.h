// The command line's host: the log goes to standard output as plain lines
// (terminal colours for bold, blue and red only on a terminal without
// NO_COLOR), progress to standard error only when that is a terminal, and
// Ctrl-C stops the walk at its next progress point.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "jobs/host.h"
#include "jobs/jobs.h"

namespace klarvex::cli {

struct TerminalSettings {
  bool terminal = false;  // standard output is a terminal: control bytes in texts are escaped
  bool colour = false;    // standard output is a terminal and NO_COLOR is unset
  bool progress = false;  // standard error is a terminal
  bool quiet = false;     // log lines suppressed (--json)
};

TerminalSettings DetectTerminal();

// Renders one message for a terminal: tags removed, runs coloured when
// asked, control bytes escaped when asked.
std::string TerminalLine(const std::string& message, bool colour, bool escape = false);

// Control bytes (C0 but tab and new line, DEL, C1) and bytes that are not
// UTF-8 shown as "\xNN": a file or playlist name must not ring the bell,
// move the cursor or retitle the terminal it is shown on.
std::string EscapeControls(std::string_view text);
// Writes `text` on standard output, escaped when that is a terminal.
void PrintOut(const std::string& text);
// "klarvex-cli: TEXT" on standard error after what standard output holds,
// escaped when standard error is a terminal.
void PrintError(const std::string& text);

class TerminalHost : public Host {
 public:
  TerminalHost(TerminalSettings settings, std::FILE* out, std::FILE* err) : settings_(settings), out_(out), err_(err) {}

  void attach(Jobs* jobs) { jobs_ = jobs; }

  void log(const std::string& message) override;
  void slog(const std::string& text, int panel) override;
  void erslog(const std::string& text) override;
  void beep() override {}
  void clear() override {}
  void processEvents() override;
  void pollStop() override;
  bool confirm(const std::string&) override { return true; }  // Ctrl-C is the user's answer
  void warn(const std::string& text) override;

  // Ends a progress line so the next output starts on a fresh line.
  void finishProgress();
  // The user pressed Ctrl-C and the job was told to stop.
  bool cancelled() const { return cancelled_; }

 private:
  TerminalSettings settings_;
  std::FILE* out_;
  std::FILE* err_;
  Jobs* jobs_ = nullptr;
  bool progressShown_ = false;
  bool cancelled_ = false;
};

// The end of a command: standard output flushed. A failure to write it
// (a full disk, /dev/full) is said on standard error and makes the status 1;
// otherwise `status` stands.
int FinishStandardOutput(int status);

// Installs the Ctrl-C handler; the first Ctrl-C asks the running job to
// stop, a second one ends the program at once.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace klarvex::cli
