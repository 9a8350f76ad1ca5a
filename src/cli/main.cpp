// klarvex-cli: the jobs of the Klarvex window from the command line.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/child_process.h"
#include "base/errors.h"
#include "base/text_format.h"
#include "cli/playlist_command.h"
#include "cli/stream_choice.h"
#include "cli/stream_listing.h"
#include "cli/terminal_host.h"
#include "cli/vti_command.h"
#include "jobs/app_state.h"
#include "jobs/dvd_title.h"
#include "jobs/jobs.h"

namespace klarvex::cli {
namespace {

constexpr const char* kUsage =
    "Usage: klarvex-cli read [options] FILE\n"
    "       klarvex-cli demux [options] [-o DIR] [--streams LIST] [--video-ext E]\n"
    "                         [--audio-ext E] [--sub-ext E] [--wav] [--vobsub]\n"
    "                         [--codec-ext] [--json] FILE\n"
    "       klarvex-cli mkv [options] [-o DIR] [--streams LIST] FILE\n"
    "       klarvex-cli rebuild [options] [-o DIR] [--streams LIST] [--adv-pck]\n"
    "                           [--adjust-pts] FILE\n"
    "       klarvex-cli xpl [--source FILE] XPL\n"
    "       klarvex-cli chapters [--source FILE] [-o DIR] XPL\n"
    "       klarvex-cli chapters [-o DIR] VTS_nn_0.IFO|VTS_nn_n.VOB\n"
    "       klarvex-cli vti [--evob NAME] FILE\n"
    "\n"
    "read   reads an EVO (HD DVD), VOB (DVD-Video) or AOB (DVD-Audio) file and\n"
    "       lists and describes its streams. With \"continue\" on, the files that\n"
    "       follow it in its title (FEATURE_2.EVO, VTS_01_2.VOB, ...) are read in\n"
    "       the same run.\n"
    "demux  reads the title as above, then writes each stream found (or those\n"
    "       of --streams) to an elementary-stream file named\n"
    "       DIR/BASE.CAPTION.EXT, e.g. out/FEATURE_1_MERGED.DD+.stream.00.mpa;\n"
    "       subpictures as .sup files.\n"
    "mkv    reads the title as above, then makes DIR/BASE.mkv with mkvmerge\n"
    "       (MKVToolNix) from every stream found (or those of --streams): each\n"
    "       track with its delay, language and name (playlist or IFO), LPCM as\n"
    "       WAV, DVD subpictures as VobSub, the chapters and the title's name.\n"
    "       HD DVD subpictures, which Matroska can't hold, are written beside it\n"
    "       as .sup files.\n"
    "rebuild reads the title as above, then writes DIR/BASE.rebuilt.EVO holding\n"
    "       only the streams found (or those of --streams), renumbered, with the\n"
    "       navigation packs patched to match (EVO sources).\n"
    "xpl    reads an HD DVD playlist (ADV_OBJ/VPLST000.XPL) and prints the tags,\n"
    "       tracks and chapters of the title that names the --source EVO (the\n"
    "       whole playlist when no title does).\n"
    "chapters reads the playlist as xpl does and writes the title's chapters to\n"
    "       DIR/BASE.chapters.txt, BASE being the --source EVO's name. Given a\n"
    "       DVD-Video title set's IFO, or a VOB of the title with the IFO beside\n"
    "       it, it writes the chapters of the IFO's title, BASE being the IFO's or\n"
    "       the VOB's name (VTS_01_1.chapters.txt).\n"
    "vti    reads an HD DVD title set information file (HVDVD_TS/HVA00001.VTI)\n"
    "       and prints its EVOB attribute and EVOB information tables decoded;\n"
    "       --evob NAME selects the EVOB of that name (letter case aside).\n"
    "\n"
    "Options (defaults as in the window's Options tab):\n"
    "  --no-continue    read only FILE, not the files that follow it\n"
    "  --full           read each file whole (no fast check)\n"
    "  --fast-size N    fast check: read the first N MiB of each file (default 300)\n"
    "  --no-details     do not describe the streams\n"
    "  --no-count       do not count video frames\n"
    "  --json           read: print the stream list as JSON instead of the log;\n"
    "                   demux: print what was written as JSON after the job\n"
    "                   (a DVD-Video VOB's streams with their language from the\n"
    "                   IFO beside it)\n"
    "  -o DIR           demux, rebuild, mkv: output folder, made when missing\n"
    "                   (default: the current folder)\n"
    "  --streams LIST   demux, rebuild: only these streams, e.g. v0,a1,s0 (v0-v1, a0-a15,\n"
    "                   s0-s31; default: every stream found)\n"
    "  --video-ext E    demux: extension of video files (default mpv)\n"
    "  --audio-ext E    demux: extension of audio files (default mpa)\n"
    "  --sub-ext E      demux: extension of subpicture files (default sup)\n"
    "  --wav            demux: LPCM streams as WAV files\n"
    "  --vobsub         demux: DVD subpictures as VobSub (.idx + .sub)\n"
    "  --codec-ext      demux: extensions by coding (m2v, vc1, h264, ac3, eac3,\n"
    "                   dts, thd, mlp, wav or pcm, sup, idx/sub)\n"
    "  --adv-pck        rebuild: keep the advanced packs (ADV_PCK)\n"
    "  --adjust-pts     rebuild: shift the time stamps of the files that follow\n"
    "                   the first so the title plays as one\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "Ctrl-C stops the job at its next buffer; a demux keeps what it wrote.\n"
    "The exit status is 0 on success, 1 on failure, 2 for a usage error and\n"
    "130 when stopped by Ctrl-C.\n";

enum class Job { Read, Demux, Rebuild, Mkv };

struct Command {
  Job job = Job::Read;
  bool json = false;
  std::optional<std::vector<StreamChoice>> streams;
  std::string file;
};

[[noreturn]] void UsageError(const std::string& message) {
  PrintError(message);
  std::fprintf(stderr, "\n%s", kUsage);
  std::exit(2);
}

int64_t ParseFastSize(const std::string& text) {
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 999)
    UsageError("--fast-size takes a whole number from 0 to 999");
  return value;
}

// An extension as the window's box takes it: at most 5 characters, and
// nothing that would lead out of the output folder.
std::string ParseExtension(const std::string& option, const std::string& text) {
  if (text.size() > 5 || text.find('/') != std::string::npos)
    UsageError(option + " takes up to 5 characters, no \"/\"");
  return text;
}

Command ParseOptions(Job job, const std::vector<std::string>& args, Options& options) {
  Command command;
  command.job = job;
  const bool writes = job != Job::Read;
  const bool demux = job == Job::Demux;
  auto value = [&](size_t& i) -> const std::string& {
    if (++i >= args.size()) UsageError(args[i - 1] + " needs a value");
    return args[i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-continue")
      options.cbContinue = false;
    else if (a == "--full")
      options.cbFastCheck = false;
    else if (a == "--fast-size") {
      options.ieFastSize = ParseFastSize(value(i));
      options.cbFastCheck = true;
    } else if (a == "--no-details")
      options.cbDetails = false;
    else if (a == "--no-count")
      options.cbCountFr = false;
    else if (a == "--json" && (job == Job::Read || job == Job::Demux))
      command.json = true;
    else if (a == "-o" && writes)
      options.eWorkdir = value(i);
    else if (a == "--streams" && writes) {
      std::string error;
      command.streams = ParseStreamList(value(i), error);
      if (!command.streams) UsageError(error);
    } else if (a == "--video-ext" && demux)
      options.eVideoExt = ParseExtension(a, value(i));
    else if (a == "--audio-ext" && demux)
      options.eAudioExt = ParseExtension(a, value(i));
    else if (a == "--sub-ext" && demux)
      options.eSubExt = ParseExtension(a, value(i));
    else if (a == "--wav" && demux)
      options.cbLpcmWav = true;
    else if (a == "--vobsub" && demux)
      options.cbVobSub = true;
    else if (a == "--codec-ext" && demux)
      options.cbCodecExt = true;
    else if (a == "--adv-pck" && job == Job::Rebuild)
      options.cbRBAdvanced = true;
    else if (a == "--adjust-pts" && job == Job::Rebuild)
      options.cbAdjustPTS = true;
    else if (a.size() > 1 && a[0] == '-' && a != "-")
      UsageError("unknown option " + a);
    else if (command.file.empty())
      command.file = a;
    else
      UsageError("only one FILE may be given");
  }
  if (command.file.empty()) UsageError("no FILE given");
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

int Run(Job job, const std::vector<std::string>& args) {
  AppState state;
  Command command = ParseOptions(job, args, state.options);
  TerminalSettings settings = DetectTerminal();
  settings.quiet = command.json;
  TerminalHost host(settings, stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  InstallInterruptHandler();

  // Before a read of gigabytes, what the job can't do without.
  if (job == Job::Mkv && FindOnPath("mkvmerge").empty()) return Failure(host, kMkvmergeMissing);
  if (std::string why; !MakeOutputFolder(state.options.eWorkdir, why)) return Failure(host, why);
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
  if (FastCheckCutShort(state)) {
    host.finishProgress();
    PrintError("fast check: only the first " + IntText(state.options.ieFastSize) +
               " MiB of each file were read; --full reads all");
  }
  if (command.job != Job::Read) {
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
  }
  host.finishProgress();
  return FinishStandardOutput(0);
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
    std::printf("built with libdvdread %s; %s\n", klarvex::DvdReadVersion().c_str(), KLARVEX_BUILT_WINDOW);
    return 0;
  }
  std::string command = args[0];
  args.erase(args.begin());
  using klarvex::cli::Job;
  if (command == "read") return klarvex::cli::Run(Job::Read, args);
  if (command == "demux") return klarvex::cli::Run(Job::Demux, args);
  if (command == "rebuild") return klarvex::cli::Run(Job::Rebuild, args);
  if (command == "mkv") return klarvex::cli::Run(Job::Mkv, args);
  if (command == "xpl" || command == "chapters") return klarvex::cli::RunPlaylistCommand(command, args);
  if (command == "vti") return klarvex::cli::RunVti(args);
  klarvex::cli::UsageError("unknown command " + command);
}
