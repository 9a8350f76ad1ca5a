// klarvex-cli: the jobs of the Klarvex window from the command line.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/errors.h"
#include "cli/stream_listing.h"
#include "cli/terminal_host.h"
#include "jobs/app_state.h"
#include "jobs/jobs.h"

namespace klarvex::cli {
namespace {

constexpr const char* kUsage =
    "Usage: klarvex-cli read [options] FILE\n"
    "\n"
    "Reads an EVO (HD DVD), VOB (DVD-Video) or AOB (DVD-Audio) file, lists and\n"
    "describes its streams. With \"continue\" on, the files that follow it in its\n"
    "title (FEATURE_2.EVO, VTS_01_2.VOB, ...) are read in the same run.\n"
    "\n"
    "Options (defaults as in the window's Options tab):\n"
    "  --no-continue    read only FILE, not the files that follow it\n"
    "  --full           read each file whole (no fast check)\n"
    "  --fast-size N    fast check: read the first N MiB of each file (default 300)\n"
    "  --no-details     do not describe the streams\n"
    "  --no-count       do not count video frames\n"
    "  --json           print the stream list as JSON instead of the log\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "Ctrl-C stops the read at its next progress point; the exit status is 0 on\n"
    "success and 1 on failure (2 for a usage error).\n";

struct ReadCommand {
  bool json = false;
  std::string file;
};

[[noreturn]] void UsageError(const std::string& message) {
  std::fprintf(stderr, "klarvex-cli: %s\n\n%s", message.c_str(), kUsage);
  std::exit(2);
}

int64_t ParseFastSize(const std::string& text) {
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 999) UsageError("--fast-size takes a whole number from 0 to 999");
  return value;
}

ReadCommand ParseReadOptions(const std::vector<std::string>& args, Options& options) {
  ReadCommand command;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-continue") options.cbContinue = false;
    else if (a == "--full") options.cbFastCheck = false;
    else if (a == "--fast-size") {
      if (++i >= args.size()) UsageError("--fast-size needs a number");
      options.ieFastSize = ParseFastSize(args[i]);
      options.cbFastCheck = true;
    } else if (a == "--no-details") options.cbDetails = false;
    else if (a == "--no-count") options.cbCountFr = false;
    else if (a == "--json") command.json = true;
    else if (a.size() > 1 && a[0] == '-' && a != "-") UsageError("unknown option " + a);
    else if (command.file.empty()) command.file = a;
    else UsageError("only one FILE may be given");
  }
  if (command.file.empty()) UsageError("no FILE given");
  return command;
}

int RunRead(const std::vector<std::string>& args) {
  AppState state;
  ReadCommand command = ParseReadOptions(args, state.options);
  TerminalSettings settings = DetectTerminal();
  settings.quiet = command.json;
  TerminalHost host(settings, stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  InstallInterruptHandler();

  jobs.Resetcbs();
  state.eEVOfile = command.file;
  jobs.EVOadj();
  try {
    jobs.bReadEVOClick();
  } catch (const KlarvexError& error) {
    host.finishProgress();
    std::fflush(stdout);
    std::fprintf(stderr, "klarvex-cli: %s\n", error.what());
    return 1;
  }
  host.finishProgress();
  if (command.json) std::fputs(StreamListJson(state).c_str(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace klarvex::cli

int main(int argc, char** argv) {
  std::setlocale(LC_NUMERIC, "");
  std::setlocale(LC_TIME, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help") {
    std::fputs(klarvex::cli::kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::puts("klarvex-cli " KLARVEX_VERSION);
    return 0;
  }
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "read") return klarvex::cli::RunRead(args);
  klarvex::cli::UsageError("unknown command " + command);
}
