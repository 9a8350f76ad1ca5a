#include "cli/vti_command.h"

#include <algorithm>
#include <cstdio>

#include "base/errors.h"
#include "base/path_kind.h"
#include "base/text_format.h"
#include "cli/terminal_host.h"
#include "jobs/jobs.h"
#include "navigation/vti_decode.h"

namespace klarvex::cli {

namespace {

// A value that picks nothing shows as "-".
std::string Shown(const VtiChoice& choice) { return choice.position < 0 ? "-" : choice.text; }

std::string Field(const std::string& caption, const std::string& value) {
  std::string line = "  " + caption + ":";
  line.resize(std::max<size_t>(line.size() + 1, 26), ' ');
  return line + value + "\n";
}

std::string EvobiText(const DecodedEvobInfo& e, int position, bool selected) {
  std::string out = "VTS_EVOBI " + IntText(position + 1) + ": " + e.name;
  if (selected) out += " (selected)";
  out += "\n";
  out += Field("Application type", Shown(e.appType));
  out += Field("Audio gap of stream 0", Shown(e.audioGap0));
  out += Field("Audio gap of stream 1", Shown(e.audioGap1));
  out += Field("Filename of the EVOB", e.name);
  out += Field("EVOB address offset", e.addressOffset);
  out += Field("EVOB attribute number", Shown(e.attrNumber));
  out += Field("EVOB size (in LBs)", e.size);
  out += Field("EVOB index number", e.index);
  out += Field("Start PTM", e.startPtm);
  out += Field("End PTM", e.endPtm);
  return out + "\n";
}

std::string VideoText(const DecodedVideo& video) {
  if (!video.present) return "not present";
  return Shown(video.compression) + ", " + Shown(video.resolution) + ", " + Shown(video.aspect) + ", " +
         Shown(video.scanType) + ", " + Shown(video.tvSystem);
}

bool RowEmpty(const VtiGrid::Row& row) {
  return std::all_of(row.begin(), row.end(), [](const std::string& cell) { return cell.empty(); });
}

// The grid's rows in aligned columns; an empty stream row reads "none".
std::string GridText(const std::string& caption, const VtiGrid& grid) {
  std::vector<size_t> widths(VtiGrid::kColumns, 0);
  for (const VtiGrid::Row& row : grid.rows)
    for (size_t c = 0; c < row.size() && c < widths.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  std::string out = "  " + caption + ":\n";
  for (size_t r = 0; r < grid.rows.size(); ++r) {
    if (r > 0 && RowEmpty(grid.rows[r])) {
      out += "    none\n";
      continue;
    }
    std::string line = "   ";
    for (size_t c = 0; c < grid.rows[r].size() && c < widths.size(); ++c) {
      line += " " + grid.rows[r][c];
      line.append(widths[c] - grid.rows[r][c].size() + 1, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
  }
  return out;
}

std::string AttrText(const DecodedEvobAttr& a, int position) {
  std::string out = "VTS_EVOB_ATR " + IntText(position + 1) + "\n";
  out += "  Main Video: " + VideoText(a.mainVideo) + "\n";
  out += "  Sub Video:  " + VideoText(a.subVideo) + "\n";
  out += GridText("Main Audio", a.mainAudio);
  out += GridText("Sub Audio", a.subAudio);
  out += GridText("Subpicture", a.subpicture);
  return out + "\n";
}

}  // namespace

std::string VtiReport(const EvobInfoTable& infoTable, const EvobAttrTable& attrTable, int selectedEvob) {
  std::string out;
  for (int i = 0; i < static_cast<int>(infoTable.size()); ++i)
    out += EvobiText(DecodeEvobInfo(infoTable[static_cast<size_t>(i)], attrTable.size()), i, i == selectedEvob);
  for (int i = 0; i < static_cast<int>(attrTable.size()); ++i)
    out += AttrText(DecodeEvobAttr(attrTable[static_cast<size_t>(i)]), i);
  return out.empty() ? "No VTS_EVOBI and no VTS_EVOB_ATR.\n" : out;
}

int RunVti(const CommandSyntax& syntax, const Arguments& arguments) {
  AppState state;
  std::string file;
  try {
    file = SingleOperand(syntax, arguments);
  } catch (const UsageProblem& problem) {
    UsageError(&syntax, problem.text);
  }
  for (const auto& [id, value] : arguments.options)
    if (id == Opt::Evob) state.names.SourceName = value;
  TerminalHost host(DetectTerminal(), stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  try {
    jobs.readVTI(file);
  } catch (const KlarvexError& error) {
    PrintError(error.fullText());
    return 1;
  }
  const PathKind kind = KindOfPath(file);
  if (kind != PathKind::RegularFile) {  // logged as not found; a failure for scripts too
    PrintError(CannotOpenFile(file, ReasonNotReadable(kind)).what());
    return 1;
  }
  PrintOut(VtiReport(state.vti.infoTable, state.vti.attrTable, state.vti.cbEVOname.selected));
  return FinishStandardOutput(0);
}

}  // namespace klarvex::cli
