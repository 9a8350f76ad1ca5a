#include "cli/terminal_host.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdlib>

#include "base/markup.h"

namespace klarvex::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
  gInterrupted = 1;
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program
}

const char* ColourOf(const TagEffect& effect) {
  if (effect.kind == TagEffectKind::Bold) return "\x1b[1m";
  if (effect.kind == TagEffectKind::Colour && effect.colour == 0xFF0000) return "\x1b[34m";  // blue
  if (effect.kind == TagEffectKind::Colour && effect.colour == 0x0000FF) return "\x1b[31m";  // red
  return nullptr;
}

}  // namespace

int FinishStandardOutput(int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  const int error = errno;
  std::fprintf(stderr, "klarvex-cli: cannot write to standard output%s%s\n", error ? ": " : "",
               error ? std::strerror(error) : "");
  return 1;
}

void InstallInterruptHandler() { std::signal(SIGINT, OnInterrupt); }
bool InterruptRequested() { return gInterrupted != 0; }

TerminalSettings DetectTerminal() {
  TerminalSettings s;
  const char* noColour = std::getenv("NO_COLOR");
  s.colour = ::isatty(STDOUT_FILENO) && !(noColour && *noColour);
  s.progress = ::isatty(STDERR_FILENO);
  return s;
}

std::string TerminalLine(const std::string& message, bool colour) {
  MarkupLine line = ParseMarkup(message);
  if (!colour) return line.text;
  std::string out;
  size_t at = 0;
  for (const StyledRun& run : line.runs) {
    const char* code = ColourOf(run.effect);
    if (!code) continue;
    out.append(line.text, at, run.start - at);
    out += code;
    out.append(line.text, run.start, run.length);
    out += "\x1b[0m";
    at = run.start + run.length;
  }
  out.append(line.text, at, std::string::npos);
  return out;
}

void TerminalHost::finishProgress() {
  if (!progressShown_) return;
  std::fputs("\r\x1b[K", err_);
  std::fflush(err_);
  progressShown_ = false;
}

void TerminalHost::log(const std::string& message) {
  if (settings_.quiet) return;
  finishProgress();
  std::string line = TerminalLine(message, settings_.colour);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), out_);
}

void TerminalHost::warn(const std::string& text) {
  finishProgress();
  std::fflush(out_);
  std::fprintf(err_, "klarvex-cli: warning: %s\n", text.c_str());
}

void TerminalHost::slog(const std::string& text, int panel) {
  if (!settings_.progress || panel != 1 || text.empty()) return;
  std::fflush(out_);
  std::fprintf(err_, "\r\x1b[K%s", text.c_str());
  std::fflush(err_);
  progressShown_ = true;
}

void TerminalHost::erslog(const std::string& text) {
  finishProgress();
  (void)text;  // the red log line already carries the message
}

// Ctrl-C is the command line's Cancel, and its answer to the question
// whether to stop a write job too.
void TerminalHost::pollStop() {
  if (InterruptRequested() && jobs_) {
    gInterrupted = 0;
    cancelled_ = true;
    jobs_->bCancelClick();
  }
}

void TerminalHost::processEvents() { pollStop(); }

}  // namespace klarvex::cli
