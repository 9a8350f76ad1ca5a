#include "cli/playlist_command.h"

#include <cstdio>
#include <cstdlib>

#include "base/errors.h"
#include "base/text_format.h"
#include "cli/terminal_host.h"
#include "jobs/app_state.h"
#include "jobs/dvd_chapters_job.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex::cli {

const char* const kPlaylistUsage =
    "       klarvex-cli xpl [--source FILE] XPL\n"
    "       klarvex-cli chapters [--source FILE] [-o DIR] XPL\n"
    "       klarvex-cli chapters [-o DIR] VTS_nn_0.IFO|VTS_nn_n.VOB\n";

namespace {

struct PlaylistCommand {
  std::string source;
  std::string playlist;
  std::string outputFolder;
};

[[noreturn]] void PlaylistUsageError(const std::string& message) {
  PrintError(message);
  std::fprintf(stderr, "\nUsage:\n%s", kPlaylistUsage);
  std::exit(2);
}

PlaylistCommand ParsePlaylistCommand(const std::vector<std::string>& args, bool writes) {
  PlaylistCommand command;
  auto value = [&](size_t& i) -> const std::string& {
    if (++i >= args.size()) PlaylistUsageError(args[i - 1] + " needs a value");
    return args[i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--source")
      command.source = value(i);
    else if (a == "-o" && writes)
      command.outputFolder = value(i);
    else if (a.size() > 1 && a[0] == '-')
      PlaylistUsageError("unknown option " + a);
    else if (command.playlist.empty())
      command.playlist = a;
    else
      PlaylistUsageError("only one XPL may be given");
  }
  if (command.playlist.empty()) PlaylistUsageError("no XPL given");
  return command;
}

int PlaylistFailure(TerminalHost& host, const KlarvexError& error) {
  host.finishProgress();
  PrintError(error.fullText());
  return 1;
}

// Runs the read as the window does after the source and the playlist are
// chosen; then `afterRead` on the result.
template <typename AfterRead>
int RunPlaylist(const PlaylistCommand& command, AfterRead afterRead) {
  AppState state;
  state.options.eWorkdir = command.outputFolder;
  TerminalHost host(DetectTerminal(), stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  jobs.Resetcbs();
  state.eEVOfile = command.source;
  jobs.EVOadj();
  try {
    state.eXPLfile = command.playlist;
    jobs.XPLadj();
    jobs.bReadXPLClick();
    host.finishProgress();
    int status = afterRead(state, jobs);
    return FinishStandardOutput(status);
  } catch (const KlarvexError& error) {
    return PlaylistFailure(host, error);
  }
}

}  // namespace

std::string PlaylistListing(const XplModel& xpl) {
  std::string text;
  for (const std::string& line : xpl.mXPL) text += line + "\n";
  text += "\n";
  for (const XplTreeNode& node : xpl.tvXPL) {
    text += node.text + "\n";
    for (const std::string& child : node.children) text += "  " + child + "\n";
  }
  return text;
}

int RunXplCommand(const std::vector<std::string>& args) {
  return RunPlaylist(ParsePlaylistCommand(args, false), [](AppState& state, Jobs&) {
    PrintOut(PlaylistListing(state.xpl));
    return 0;
  });
}

namespace {

// A DVD-Video title set's IFO, or one of its VOBs: its chapters come from
// the IFO.
bool IsDvdTitleFile(const std::string& path) {
  const std::string extension = UpperCase(ExtensionOf(path));
  return extension == ".IFO" || extension == ".VOB";
}

int RunDvdChapters(const PlaylistCommand& command) {
  if (!command.source.empty()) PlaylistUsageError("--source belongs to a playlist (XPL), not to " + command.playlist);
  TerminalHost host(DetectTerminal(), stdout, stderr);
  try {
    WriteDvdChapters(command.playlist, command.outputFolder, host);
  } catch (const KlarvexError& error) {
    return PlaylistFailure(host, error);
  }
  return FinishStandardOutput(0);
}

}  // namespace

int RunChaptersCommand(const std::vector<std::string>& args) {
  const PlaylistCommand command = ParsePlaylistCommand(args, true);
  if (IsDvdTitleFile(command.playlist)) return RunDvdChapters(command);
  return RunPlaylist(command, [](AppState& state, Jobs& jobs) {
    if (!state.xpl.bWriteChaps) {
      PrintError("no chapters: no title of the playlist names the source file");
      return 1;
    }
    jobs.bWriteChapsClick();
    return 0;
  });
}

int RunPlaylistCommand(const std::string& command, const std::vector<std::string>& args) {
  return command == "chapters" ? RunChaptersCommand(args) : RunXplCommand(args);
}

}  // namespace klarvex::cli
