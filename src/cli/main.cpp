// klarvex-cli: the jobs of the Klarvex window from the command line.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/child_process.h"
#include "base/errors.h"
#include "base/path_kind.h"
#include "base/text_format.h"
#include "cli/arguments.h"
#include "cli/playlist_command.h"
#include "cli/stream_choice.h"
#include "cli/stream_listing.h"
#include "cli/terminal_host.h"
#include "cli/vti_command.h"
#include "engine/program_stream_probe.h"
#include "jobs/app_state.h"
#include "jobs/dvd_title.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex::cli {
namespace {

enum class Job { Read, Demux, Rebuild, Mkv };

// What the command line asks of a job besides the options of the window.
struct Command {
  Job job = Job::Read;
  const CommandSyntax* syntax = nullptr;
  bool json = false;
  bool overwrite = false;
  std::optional<std::vector<StreamChoice>> streams;
  std::string file;
};

constexpr const char* kOverwriteHint = "It exists (-y or --overwrite replaces it)";

int64_t ParseFastSize(const CommandSyntax& syntax, const std::string& text) {
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 999)
    UsageError(&syntax, "--fast-size takes a whole number from 0 to 999");
  return value;
}

// An extension as the window's box takes it: at most 5 characters, and
// nothing that would lead out of the output folder.
std::string ParseExtension(const CommandSyntax& syntax, Opt option, const std::string& text) {
  if (text.size() > 5 || text.find('/') != std::string::npos)
    UsageError(&syntax, std::string(OptionOf(option).name) + " takes up to 5 characters, no \"/\"");
  return text;
}

// The options of the window's Options tab, and what the command line adds.
Command ApplyOptions(Job job, const CommandSyntax& syntax, const Arguments& arguments, Options& options) {
  Command command;
  command.job = job;
  command.syntax = &syntax;
  for (const auto& [id, value] : arguments.options) {
    switch (id) {
      case Opt::NoContinue:
        options.cbContinue = false;
        break;
      case Opt::Full:
        options.cbFastCheck = false;
        break;
      case Opt::FastSize:
        options.ieFastSize = ParseFastSize(syntax, value);
        options.cbFastCheck = true;
        break;
      case Opt::NoDetails:
        options.cbDetails = false;
        break;
      case Opt::NoCount:
        options.cbCountFr = false;
        break;
      case Opt::Json:
        command.json = true;
        break;
      case Opt::Output:
        options.eWorkdir = value;
        break;
      case Opt::Streams: {
        std::string error;
        command.streams = ParseStreamList(value, error);
        if (!command.streams) UsageError(&syntax, error);
        break;
      }
      case Opt::VideoExt:
        options.eVideoExt = ParseExtension(syntax, id, value);
        break;
      case Opt::AudioExt:
        options.eAudioExt = ParseExtension(syntax, id, value);
        break;
      case Opt::SubExt:
        options.eSubExt = ParseExtension(syntax, id, value);
        break;
      case Opt::Wav:
        options.cbLpcmWav = true;
        break;
      case Opt::VobSub:
        options.cbVobSub = true;
        break;
      case Opt::CodecExt:
        options.cbCodecExt = true;
        break;
      case Opt::AdvPck:
        options.cbRBAdvanced = true;
        break;
      case Opt::AdjustPts:
        options.cbAdjustPTS = true;
        break;
      case Opt::Overwrite:
        command.overwrite = true;
        break;
      case Opt::Source:
      case Opt::Evob:
      case Opt::Help:
        break;  // not options of these commands
    }
  }
  try {
    command.file = SingleOperand(syntax, arguments);
  } catch (const UsageProblem& problem) {
    UsageError(&syntax, problem.text);
  }
  return command;
}

// The output folder of -o, made with its parents like mkdir -p. False, and
// why, when it can't be.
bool MakeOutputFolder(const std::string& folder, std::string& why) {
  if (folder.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!error && std::filesystem::is_directory(folder, error)) return true;
  why = "Cannot create folder \"" + folder + "\". " + (error ? error.message() : "It is not a folder");
  return false;
}

int Failure(TerminalHost& host, const std::string& message) {
  host.finishProgress();
  PrintError(message);
  return 1;
}

// Stopped by Ctrl-C: not a success, whatever was written stays.
int Cancelled(TerminalHost& host) {
  host.finishProgress();
  PrintError("cancelled");
  return 130;
}

// Keeps ticked only the chosen streams; a chosen stream the read did not
// find is an error, before anything is written.
bool ChooseStreams(AppState& state, const std::vector<StreamChoice>& choices, std::string& missing) {
  for (const StreamChoice& c : choices) {
    if (!state.box(c.section, c.number).enabled) {
      missing = c.name;
      return false;
    }
  }
  state.forEachBox([](StreamBox& b) { b.ticked = false; });
  for (const StreamChoice& c : choices) state.box(c.section, c.number).ticked = true;
  return true;
}

// Streams to write: a write job that has none writes nothing, which is no
// success.
bool AnyStreamFound(AppState& state) {
  bool any = false;
  state.forEachBox([&any](StreamBox& b) { any = any || b.enabled; });
  return any;
}

// A file of something else than packs: its "streams" would be stray bytes.
std::optional<std::string> NotAProgramStream(const std::string& file) {
  try {
    if (IsRegularFile(file) && !HoldsProgramStreamPack(file)) return "no MPEG program stream in " + file;
  } catch (const KlarvexError&) {
    // The read says why the file can't be read.
  }
  return std::nullopt;
}

// What the title is, said on standard error whatever the log shows.
void WarnAboutTheTitle(const AppState& state, const Command& command) {
  if (state.engine.run.encrypted)
    PrintError("warning: " + command.file + " is encrypted: what is written from it stays scrambled; " +
               "decrypt the title first");
  if (command.job == Job::Rebuild && (IsDvdVideoSource(state) || IsDvdAudioSource(ExtensionOf(command.file))))
    PrintError("warning: " + command.file +
               " is a DVD file: its packs pass unchanged (only HD DVD packs are left out, renumbered and patched)");
}

int Run(Job job, const CommandSyntax& syntax, const Arguments& arguments) {
  AppState state;
  Command command = ApplyOptions(job, syntax, arguments, state.options);
  if (!command.overwrite) state.refuseExistingOutputs = kOverwriteHint;
  TerminalSettings settings = DetectTerminal();
  settings.quiet = command.json;
  TerminalHost host(settings, stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  InstallInterruptHandler();

  // Before a read of gigabytes, what the job can't do without.
  if (job == Job::Mkv && FindOnPath("mkvmerge").empty()) return Failure(host, kMkvmergeMissing);
  if (std::string why; !MakeOutputFolder(state.options.eWorkdir, why)) return Failure(host, why);
  if (std::optional<std::string> why = NotAProgramStream(command.file)) return Failure(host, *why);
  jobs.Resetcbs();
  state.eEVOfile = command.file;
  jobs.EVOadj();
  try {
    jobs.bReadEVOClick();
  } catch (const KlarvexError& error) {
    return Failure(host, error.fullText());
  }
  if (command.json) LabelDvdStreams(state, host);  // the languages the JSON gives
  if (command.json && command.job == Job::Read) {
    host.finishProgress();
    std::fputs(StreamListJson(state).c_str(), stdout);  // escaped as JSON already
  }
  if (host.cancelled()) return Cancelled(host);
  host.finishProgress();
  WarnAboutTheTitle(state, command);
  if (FastCheckCutShort(state))
    PrintError("fast check: only the first " + IntText(state.options.ieFastSize) +
               " MiB of each file were read; --full reads all");
  if (command.job == Job::Read) return FinishStandardOutput(0);

  if (!AnyStreamFound(state)) return Failure(host, "no stream found in " + command.file + "; nothing was written");
  std::string missing;
  if (command.streams && !ChooseStreams(state, *command.streams, missing))
    return Failure(host, "no stream " + missing + " in " + command.file);
  jobs.cbVideoClick();
  if (command.job == Job::Demux)
    jobs.bDemuxClick();
  else if (command.job == Job::Mkv)
    jobs.bMkvClick();
  else
    jobs.bRebuildClick();
  if (jobs.lastFailure()) return Failure(host, jobs.lastFailure()->fullText());
  if (host.cancelled()) return Cancelled(host);
  if (command.json && command.job == Job::Demux) {
    host.finishProgress();
    std::fputs(DemuxJson(state, jobs.demuxed()).c_str(), stdout);
  }
  host.finishProgress();
  return FinishStandardOutput(0);
}

// klarvex-cli help [COMMAND]
int RunHelp(const CommandSyntax& syntax, const Arguments& arguments) {
  if (arguments.operands.size() > 1) UsageError(&syntax, "help takes one COMMAND");
  if (arguments.operands.empty()) {
    std::fputs(OverviewHelp().c_str(), stdout);
    return FinishStandardOutput(0);
  }
  const CommandSyntax* command = FindCommand(arguments.operands.front());
  if (!command) UsageError(&syntax, "unknown command " + arguments.operands.front());
  std::fputs(CommandHelp(*command).c_str(), stdout);
  return FinishStandardOutput(0);
}

int RunCommand(const CommandSyntax& syntax, const std::vector<std::string>& args) {
  Arguments arguments;
  try {
    arguments = ParseArguments(syntax, args);
  } catch (const UsageProblem& problem) {
    UsageError(&syntax, problem.text);
  }
  if (arguments.help) {
    std::fputs(CommandHelp(syntax).c_str(), stdout);
    return FinishStandardOutput(0);
  }
  const std::string name = syntax.name;
  if (name == "read") return Run(Job::Read, syntax, arguments);
  if (name == "demux") return Run(Job::Demux, syntax, arguments);
  if (name == "rebuild") return Run(Job::Rebuild, syntax, arguments);
  if (name == "mkv") return Run(Job::Mkv, syntax, arguments);
  if (name == "xpl") return RunXplCommand(syntax, arguments);
  if (name == "chapters") return RunChaptersCommand(syntax, arguments, kOverwriteHint);
  if (name == "vti") return RunVti(syntax, arguments);
  return RunHelp(syntax, arguments);
}

}  // namespace
}  // namespace klarvex::cli

int main(int argc, char** argv) {
  using namespace klarvex::cli;
  std::setlocale(LC_NUMERIC, "");
  std::setlocale(LC_TIME, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) UsageError(nullptr, "no command given");
  if (args[0] == "-h" || args[0] == "--help") {
    std::fputs(OverviewHelp().c_str(), stdout);
    return FinishStandardOutput(0);
  }
  if (args[0] == "--version") {
    std::puts("klarvex-cli " KLARVEX_VERSION);
    std::printf("built with libdvdread %s; %s\n", klarvex::DvdReadVersion().c_str(), KLARVEX_BUILT_WINDOW);
    return FinishStandardOutput(0);
  }
  const CommandSyntax* syntax = FindCommand(args[0]);
  if (!syntax) UsageError(nullptr, (args[0][0] == '-' ? "unknown option " : "unknown command ") + args[0]);
  args.erase(args.begin());
  return RunCommand(*syntax, args);
}
