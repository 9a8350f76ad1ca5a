// The command line's grammar: every command with its options, one table
// that the parser, the help texts and the usage errors all read, so what
// `klarvex-cli COMMAND --help` lists is what the command takes.
//
// The forms are those of GNU tools: `--name value` and `--name=value`,
// `-o DIR` and `-oDIR`, short flags bundled (`-yh`), and `--` ending the
// options so that a file may be named `-x.VOB`.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace klarvex::cli {

enum class Opt {
  NoContinue,
  Full,
  FastSize,
  NoDetails,
  NoCount,
  Json,
  Output,
  Streams,
  VideoExt,
  AudioExt,
  SubExt,
  Wav,
  VobSub,
  CodecExt,
  AdvPck,
  AdjustPts,
  Overwrite,
  Source,
  Evob,
  Help,
};

struct OptionSyntax {
  Opt id;
  const char* name;       // "--streams"
  char shortName;         // 'o'; 0 when it has none
  const char* valueName;  // "LIST"; nullptr for a flag
  const char* help;       // its lines in the help text, "\n" between them
};

struct CommandSyntax {
  const char* name;
  const char* operand;   // what the command works on: "FILE", "XPL", "VTI"
  const char* synopsis;  // after "klarvex-cli NAME", one line per form
  const char* summary;   // its line in the overview
  const char* about;     // the paragraph of its help
  std::vector<Opt> options;
};

const std::vector<CommandSyntax>& Commands();
const CommandSyntax* FindCommand(std::string_view name);
const OptionSyntax& OptionOf(Opt id);

// What a command line gave: the options in their order, with their values,
// and the operands.
struct Arguments {
  std::vector<std::pair<Opt, std::string>> options;
  std::vector<std::string> operands;
  bool help = false;  // -h or --help: nothing else counts

  bool has(Opt id) const;
};

// A command line that breaks the grammar: one line that names the problem.
struct UsageProblem {
  std::string text;
};

// The arguments after the command's name. Throws UsageProblem.
Arguments ParseArguments(const CommandSyntax& command, const std::vector<std::string>& args);
// The one operand a command takes. Throws UsageProblem when there is none
// or more than one.
const std::string& SingleOperand(const CommandSyntax& command, const Arguments& arguments);

// `klarvex-cli COMMAND --help`: its forms, what it does and its options.
std::string CommandHelp(const CommandSyntax& command);
// `klarvex-cli --help`: the commands, the global options, the exit statuses.
std::string OverviewHelp();

// A usage error: "klarvex-cli: PROBLEM" and where the help is, on standard
// error, and the status 2. `command` is null before a command is known.
[[noreturn]] void UsageError(const CommandSyntax* command, const std::string& problem);

}  // namespace klarvex::cli
