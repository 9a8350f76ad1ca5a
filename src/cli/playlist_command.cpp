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

namespace {

struct PlaylistCommand {
  std::string source;
  std::string playlist;
  std::string outputFolder;
  std::string refuseExisting;  // empty: an existing chapter file is replaced
};

PlaylistCommand ReadPlaylistArguments(const CommandSyntax& syntax, const Arguments& arguments) {
  PlaylistCommand command;
  for (const auto& [id, value] : arguments.options) {
    if (id == Opt::Source) command.source = value;
    if (id == Opt::Output) command.outputFolder = value;
  }
  try {
    command.playlist = SingleOperand(syntax, arguments);
  } catch (const UsageProblem& problem) {
    UsageError(&syntax, problem.text);
  }
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
  state.refuseExistingOutputs = command.refuseExisting;
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

int RunXplCommand(const CommandSyntax& syntax, const Arguments& arguments) {
  return RunPlaylist(ReadPlaylistArguments(syntax, arguments), [](AppState& state, Jobs&) {
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

int RunDvdChapters(const CommandSyntax& syntax, const PlaylistCommand& command) {
  if (!command.source.empty()) UsageError(&syntax, "--source belongs to a playlist (XPL), not to " + command.playlist);
  TerminalHost host(DetectTerminal(), stdout, stderr);
  try {
    WriteDvdChapters(command.playlist, command.outputFolder, host, command.refuseExisting);
  } catch (const KlarvexError& error) {
    return PlaylistFailure(host, error);
  }
  return FinishStandardOutput(0);
}

}  // namespace

int RunChaptersCommand(const CommandSyntax& syntax, const Arguments& arguments, const std::string& existingRefusal) {
  PlaylistCommand command = ReadPlaylistArguments(syntax, arguments);
  if (!arguments.has(Opt::Overwrite)) command.refuseExisting = existingRefusal;
  if (IsDvdTitleFile(command.playlist)) return RunDvdChapters(syntax, command);
  return RunPlaylist(command, [](AppState& state, Jobs& jobs) {
    if (!state.xpl.bWriteChaps) {
      PrintError("no chapters: no title of the playlist names the source file");
      return 1;
    }
    jobs.bWriteChapsClick();
    return 0;
  });
}

}  // namespace klarvex::cli
