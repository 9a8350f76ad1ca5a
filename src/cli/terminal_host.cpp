#include "cli/terminal_host.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "base/markup.h"
#include "base/text_format.h"

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
  s.terminal = ::isatty(STDOUT_FILENO);
  s.colour = s.terminal && !(noColour && *noColour);
  s.progress = ::isatty(STDERR_FILENO);
  return s;
}

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const size_t length = Utf8SequenceAt(text, at);
    const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
    const bool control = length == 0 || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F || c1;
    const size_t bytes = length ? length : 1;
    if (!control)
      out.append(text, at, bytes);
    else
      for (size_t i = 0; i < bytes; ++i) out += "\\x" + HexText(static_cast<unsigned char>(text[at + i]), 2);
    at += bytes;
  }
  return out;
}

std::string TerminalLine(const std::string& message, bool colour, bool escape) {
  MarkupLine line = ParseMarkup(message);
  auto piece = [&](size_t from, size_t count) {
    std::string_view text = std::string_view(line.text).substr(from, count);
    return escape ? EscapeControls(text) : std::string(text);
  };
  if (!colour) return piece(0, std::string::npos);
  std::string out;
  size_t at = 0;
  for (const StyledRun& run : line.runs) {
    const char* code = ColourOf(run.effect);
    if (!code) continue;
    out += piece(at, run.start - at);
    out += code;
    out += piece(run.start, run.length);
    out += "\x1b[0m";
    at = run.start + run.length;
  }
  out += piece(at, std::string::npos);
  return out;
}

void PrintOut(const std::string& text) {
  const std::string shown = ::isatty(STDOUT_FILENO) ? EscapeControls(text) : text;
  std::fwrite(shown.data(), 1, shown.size(), stdout);
}

void PrintError(const std::string& text) {
  std::fflush(stdout);
  const std::string line = "klarvex-cli: " + (::isatty(STDERR_FILENO) ? EscapeControls(text) : text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
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
  std::string line = TerminalLine(message, settings_.colour, settings_.terminal);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), out_);
}

void TerminalHost::warn(const std::string& text) {
  finishProgress();
  std::fflush(out_);
  const std::string line = "klarvex-cli: warning: " + (settings_.progress ? EscapeControls(text) : text) + "\n";
  std::fwrite(line.data(), 1, line.size(), err_);
}

void TerminalHost::slog(const std::string& text, int panel) {
  if (!settings_.progress || panel != 1 || text.empty()) return;
  std::fflush(out_);
  std::fprintf(err_, "\r\x1b[K%s", EscapeControls(text).c_str());
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
