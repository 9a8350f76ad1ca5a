#include "cli/arguments.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/terminal_host.h"

namespace klarvex::cli {

namespace {

const std::vector<OptionSyntax> kOptions = {
    {Opt::NoContinue, "--no-continue", 0, nullptr, "read only FILE, not the files that follow it"},
    {Opt::Full, "--full", 0, nullptr, "read each file whole (no fast check)"},
    {Opt::FastSize, "--fast-size", 0, "N", "fast check: read the first N MiB of each file,\n0 to 999 (default 300)"},
    {Opt::NoDetails, "--no-details", 0, nullptr, "do not describe the streams"},
    {Opt::NoCount, "--no-count", 0, nullptr, "do not count video frames"},
    {Opt::Json, "--json", 0, nullptr,
     "read: the stream list as JSON instead of the log;\n"
     "demux: what was written, as JSON, after the job"},
    {Opt::Output, "--output", 'o', "DIR",
     "output folder, made with its parents when missing\n(default: the current folder)"},
    {Opt::Streams, "--streams", 0, "LIST",
     "only these streams, e.g. v0,a1,s0 (v0-v1, a0-a15,\ns0-s31; default: every stream found)"},
    {Opt::VideoExt, "--video-ext", 0, "E", "extension of video files (default mpv)"},
    {Opt::AudioExt, "--audio-ext", 0, "E", "extension of audio files (default mpa)"},
    {Opt::SubExt, "--sub-ext", 0, "E", "extension of subpicture files (default sup)"},
    {Opt::Wav, "--wav", 0, nullptr, "LPCM streams as WAV files"},
    {Opt::VobSub, "--vobsub", 0, nullptr, "DVD subpictures as VobSub (.idx + .sub)"},
    {Opt::CodecExt, "--codec-ext", 0, nullptr,
     "extensions by coding (m2v, vc1, h264, ac3, eac3,\ndts, thd, mlp, wav or pcm, sup, idx/sub)"},
    {Opt::AdvPck, "--adv-pck", 0, nullptr, "keep the advanced packs (ADV_PCK)"},
    {Opt::AdjustPts, "--adjust-pts", 0, nullptr,
     "shift the time stamps of the files that follow\nthe first so the title plays as one"},
    {Opt::Overwrite, "--overwrite", 'y', nullptr,
     "replace output files that exist (without it, an\noutput file that exists is an error before\nanything is "
     "written)"},
    {Opt::Source, "--source", 0, "FILE", "the EVO whose title is wanted"},
    {Opt::Evob, "--evob", 0, "NAME", "mark the EVOB of that name (letter case aside)"},
    {Opt::Help, "--help", 'h', nullptr, "show this help"},
};

constexpr Opt kReadOptions[] = {Opt::NoContinue, Opt::Full, Opt::FastSize, Opt::NoDetails, Opt::NoCount};

std::vector<Opt> ReadOptionsAnd(std::initializer_list<Opt> more) {
  std::vector<Opt> options(std::begin(kReadOptions), std::end(kReadOptions));
  options.insert(options.end(), more);
  options.push_back(Opt::Help);
  return options;
}

const std::vector<CommandSyntax> kCommands = {
    {"read", "FILE", "[OPTION]... FILE", "list and describe the streams of a title",
     "Reads an EVO (HD DVD), VOB (DVD-Video) or AOB (DVD-Audio) file and lists and\n"
     "describes its streams. The files that follow it in its title (FEATURE_2.EVO,\n"
     "VTS_01_2.VOB, ...) are read in the same run.",
     ReadOptionsAnd({Opt::Json})},
    {"demux", "FILE", "[OPTION]... FILE", "write each stream to an elementary-stream file",
     "Reads the title as read does, then writes each stream found (or those of\n"
     "--streams) to an elementary-stream file named DIR/BASE.CAPTION.EXT, e.g.\n"
     "out/FEATURE_1_MERGED.DD+.stream.00.mpa; subpictures as .sup files.",
     ReadOptionsAnd({Opt::Json, Opt::Output, Opt::Streams, Opt::VideoExt, Opt::AudioExt, Opt::SubExt, Opt::Wav,
                     Opt::VobSub, Opt::CodecExt, Opt::Overwrite})},
    {"mkv", "FILE", "[OPTION]... FILE", "make a Matroska file of the title with mkvmerge",
     "Reads the title as read does, then makes DIR/BASE.mkv with mkvmerge\n"
     "(MKVToolNix) from every stream found (or those of --streams): each track with\n"
     "its delay, language and name (playlist or IFO), LPCM as WAV, DVD subpictures\n"
     "as VobSub, the chapters and the title's name. HD DVD subpictures, which\n"
     "Matroska can't hold, are written beside it as .sup files.",
     ReadOptionsAnd({Opt::Output, Opt::Streams, Opt::Overwrite})},
    {"rebuild", "FILE", "[OPTION]... FILE", "write a new EVO holding only the chosen streams",
     "Reads the title as read does, then writes DIR/BASE.rebuilt.EVO holding only the\n"
     "streams found (or those of --streams), renumbered, with the navigation packs\n"
     "patched to match (EVO sources; the packs of a VOB or AOB pass unchanged).",
     ReadOptionsAnd({Opt::Output, Opt::Streams, Opt::AdvPck, Opt::AdjustPts, Opt::Overwrite})},
    {"xpl",
     "XPL",
     "[--source FILE] XPL",
     "show the title of an HD DVD playlist",
     "Reads an HD DVD playlist (ADV_OBJ/VPLST000.XPL) and prints the tags, tracks and\n"
     "chapters of the title that plays the --source EVO (the whole playlist when no\n"
     "title does).",
     {Opt::Source, Opt::Help}},
    {"chapters",
     "XPL",
     "[--source FILE] [-o DIR] XPL\n[-o DIR] VTS_nn_0.IFO|VTS_nn_n.VOB",
     "write a title's chapters as a text file",
     "Reads the playlist as xpl does and writes the title's chapters to\n"
     "DIR/BASE.chapters.txt, BASE being the --source EVO's name. Given a DVD-Video\n"
     "title set's IFO, or a VOB of the title with the IFO beside it, it writes the\n"
     "chapters of the IFO's title, BASE being the IFO's or the VOB's name.",
     {Opt::Source, Opt::Output, Opt::Overwrite, Opt::Help}},
    {"vti",
     "VTI",
     "[--evob NAME] VTI",
     "decode an HD DVD title set information file",
     "Reads an HD DVD title set information file (HVDVD_TS/HVA00001.VTI) and prints\n"
     "its EVOB information and EVOB attribute tables decoded.",
     {Opt::Evob, Opt::Help}},
    {"help",
     "COMMAND",
     "[COMMAND]",
     "show the help of a command",
     "Shows the help of COMMAND, or this overview.",
     {Opt::Help}},
};

constexpr const char* kExitStatuses =
    "Exit status: 0 on success; 1 on a failure (nothing written, no MPEG program\n"
    "stream, a file that can't be read or written); 2 for a usage error; 130 when\n"
    "stopped by Ctrl-C, which stops the job at its next buffer (a demux keeps what\n"
    "it wrote).\n";

bool Takes(const CommandSyntax& command, Opt id) {
  return std::find(command.options.begin(), command.options.end(), id) != command.options.end();
}

const OptionSyntax* OptionNamed(std::string_view name) {
  for (const OptionSyntax& o : kOptions)
    if (name == o.name) return &o;
  return nullptr;
}

const OptionSyntax* OptionWithShortName(char c) {
  for (const OptionSyntax& o : kOptions)
    if (o.shortName != 0 && o.shortName == c) return &o;
  return nullptr;
}

// An option the command may take; "-o" or "--output" as it was written.
const OptionSyntax& Accepted(const CommandSyntax& command, const OptionSyntax* option, const std::string& written) {
  if (!option) throw UsageProblem{"unknown option " + written};
  if (!Takes(command, option->id)) throw UsageProblem{std::string(command.name) + " takes no option " + written};
  return *option;
}

// "  -o, --output DIR" and the help lines beside it, from column 26.
std::string OptionHelp(const OptionSyntax& o) {
  std::string head = "  ";
  head += o.shortName ? std::string("-") + o.shortName + ", " : "    ";
  head += o.name;
  if (o.valueName) head += std::string(" ") + o.valueName;
  constexpr size_t kColumn = 26;
  std::string text;
  std::string_view help = o.help;
  bool first = true;
  while (!help.empty()) {
    const size_t end = help.find('\n');
    const std::string_view line = help.substr(0, end);
    std::string start = first ? head : "";
    if (start.size() + 1 > kColumn) {
      text += start + "\n";
      start.clear();
    }
    start.resize(kColumn, ' ');
    text += start + std::string(line) + "\n";
    first = false;
    help = end == std::string_view::npos ? std::string_view() : help.substr(end + 1);
  }
  return text;
}

std::string SynopsisLines(const CommandSyntax& c, const char* lead) {
  std::string text;
  std::string_view forms = c.synopsis;
  bool first = true;
  while (!forms.empty()) {
    const size_t end = forms.find('\n');
    text += std::string(first ? lead : "       ") + "klarvex-cli " + c.name + " " + std::string(forms.substr(0, end)) +
            "\n";
    first = false;
    forms = end == std::string_view::npos ? std::string_view() : forms.substr(end + 1);
  }
  return text;
}

}  // namespace

const std::vector<CommandSyntax>& Commands() { return kCommands; }

const CommandSyntax* FindCommand(std::string_view name) {
  for (const CommandSyntax& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

const OptionSyntax& OptionOf(Opt id) {
  for (const OptionSyntax& o : kOptions)
    if (o.id == id) return o;
  std::abort();  // every Opt has its entry
}

bool Arguments::has(Opt id) const {
  return std::any_of(options.begin(), options.end(), [id](const auto& o) { return o.first == id; });
}

Arguments ParseArguments(const CommandSyntax& command, const std::vector<std::string>& args) {
  Arguments result;
  // --help wins over whatever else the line holds, as in other tools.
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      result.help = true;
      return result;
    }
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      result.operands.insert(result.operands.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (a.size() < 2 || a[0] != '-') {
      result.operands.push_back(a);  // "-" too: a file of that name
      continue;
    }
    if (a[1] == '-') {
      const size_t equals = a.find('=');
      const std::string name = a.substr(0, equals);
      const OptionSyntax& o = Accepted(command, OptionNamed(name), name);
      if (!o.valueName && equals != std::string::npos) throw UsageProblem{name + " takes no value"};
      if (o.valueName && equals == std::string::npos && i + 1 >= args.size())
        throw UsageProblem{name + " needs a value"};
      result.options.emplace_back(o.id, !o.valueName                  ? ""
                                        : equals != std::string::npos ? a.substr(equals + 1)
                                                                      : args[++i]);
      continue;
    }
    // Short options: flags may be bundled; one that takes a value takes the
    // rest of the word, or the next word.
    for (size_t k = 1; k < a.size(); ++k) {
      const std::string written = std::string("-") + a[k];
      const OptionSyntax& o = Accepted(command, OptionWithShortName(a[k]), written);
      if (!o.valueName) {
        result.options.emplace_back(o.id, "");
        continue;
      }
      if (k + 1 < a.size()) {
        result.options.emplace_back(o.id, a.substr(k + 1));
      } else {
        if (i + 1 >= args.size()) throw UsageProblem{written + " needs a value"};
        result.options.emplace_back(o.id, args[++i]);
      }
      break;
    }
  }
  return result;
}

const std::string& SingleOperand(const CommandSyntax& command, const Arguments& arguments) {
  if (arguments.operands.empty()) throw UsageProblem{std::string("no ") + command.operand + " given"};
  if (arguments.operands.size() > 1) throw UsageProblem{std::string("only one ") + command.operand + " may be given"};
  return arguments.operands.front();
}

std::string CommandHelp(const CommandSyntax& command) {
  std::string text = SynopsisLines(command, "Usage: ");
  text += "\n" + std::string(command.about) + "\n\nOptions:\n";
  for (Opt id : command.options) text += OptionHelp(OptionOf(id));
  if (Takes(command, Opt::FastSize)) text += "\nDefaults are those of the window's Options tab.\n";
  return text + "\n" + kExitStatuses;
}

std::string OverviewHelp() {
  std::string text =
      "Usage: klarvex-cli COMMAND [OPTION]... FILE\n"
      "\n"
      "Reads HD DVD EVO, DVD-Video VOB and DVD-Audio AOB files: lists their streams,\n"
      "demuxes them, makes Matroska files of them and rebuilds them; reads HD DVD\n"
      "playlists and title set information.\n"
      "\n"
      "Commands:\n";
  for (const CommandSyntax& c : kCommands) {
    std::string line = std::string("  ") + c.name;
    line.resize(12, ' ');
    text += line + c.summary + "\n";
  }
  text +=
      "\n"
      "Options:\n"
      "  -h, --help              show this help; klarvex-cli COMMAND --help shows a\n"
      "                          command's options\n"
      "      --version           show the version and how it was built\n"
      "\n";
  return text + kExitStatuses + "See klarvex-cli(1) for more.\n";
}

void UsageError(const CommandSyntax* command, const std::string& problem) {
  PrintError(problem);
  const std::string hint = command ? std::string("klarvex-cli ") + command->name + " --help" : "klarvex-cli --help";
  std::fprintf(stderr, "Try '%s'.\n", hint.c_str());
  std::exit(2);
}

}  // namespace klarvex::cli
