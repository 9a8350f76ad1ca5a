#include "cli/vti_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/errors.h"
#include "base/text_format.h"
#include "cli/terminal_host.h"

namespace klarvex::cli {

namespace {

constexpr const char* kVtiUsage = "Usage: klarvex-cli vti [--evob NAME] FILE\n";

// A list with nothing selected shows as "-".
std::string Shown(const VtiList& list) {
  return list.selected < 0 ? "-" : list.selectedText();
}

std::string Field(const std::string& caption, const std::string& value) {
  std::string line = "  " + caption + ":";
  line.resize(std::max<size_t>(line.size() + 1, 26), ' ');
  return line + value + "\n";
}

std::string EvobiText(const VtiModel& v, int position) {
  std::string out = "VTS_EVOBI " + IntText(position + 1) + ": " + v.eEVOBname;
  if (position == v.cbEVOname.selected) out += " (selected)";
  out += "\n";
  out += Field("Application type", Shown(v.cbAppType));
  out += Field("Audio gap of stream 0", Shown(v.cbA0gap));
  out += Field("Audio gap of stream 1", Shown(v.cbA1gap));
  out += Field("Filename of the EVOB", v.eEVOBname);
  out += Field("EVOB address offset", v.eAddrOffs);
  out += Field("EVOB attribute number", Shown(v.cbAttrNo));
  out += Field("EVOB size (in LBs)", v.ieEVOsize);
  out += Field("EVOB index number", v.ieEVOindex);
  out += Field("Start PTM", v.eStartPTM);
  out += Field("End PTM", v.eEndPTM);
  return out + "\n";
}

std::string VideoText(const VtiVideoLists& lists) {
  if (!lists.compression.enabled) return "not present";
  return Shown(lists.compression) + ", " + Shown(lists.resolution) + ", " + Shown(lists.aspect) + ", " +
         Shown(lists.scanType) + ", " + Shown(lists.tvSystem);
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

std::string AttrText(const VtiModel& v) {
  std::string out = "VTS_EVOB_ATR " + v.cbAttrNo.selectedText() + "\n";
  out += "  Main Video: " + VideoText(v.main) + "\n";
  out += "  Sub Video:  " + VideoText(v.sub) + "\n";
  out += GridText("Main Audio", v.sgMainAudio);
  out += GridText("Sub Audio", v.sgSubAudio);
  out += GridText("Subpicture", v.sgSubpicture);
  return out + "\n";
}

bool ParseVtiArgs(const std::vector<std::string>& args, std::string& file, std::string& evob) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--evob") {
      if (++i >= args.size()) return false;
      evob = args[i];
    } else if ((a.size() > 1 && a[0] == '-') || !file.empty()) {
      return false;
    } else {
      file = a;
    }
  }
  return !file.empty();
}

}  // namespace

std::string VtiReport(Jobs& jobs) {
  VtiModel& v = jobs.state().vti;
  const int chosen = v.cbEVOname.selected;
  std::string out;
  for (int i = 0; i < static_cast<int>(v.infoTable.size()); ++i) {
    v.cbEVOname.selected = i;
    jobs.cbEVOnameChange();
    v.cbEVOname.selected = chosen;  // marks the chosen one while its text is made
    out += EvobiText(v, i);
  }
  for (int i = 0; i < static_cast<int>(v.attrTable.size()); ++i) {
    v.cbAttrNo.selected = i;
    jobs.cbAttrNoChange();
    out += AttrText(v);
  }
  v.cbEVOname.selected = chosen;
  jobs.cbEVOnameChange();
  return out.empty() ? "No VTS_EVOBI and no VTS_EVOB_ATR.\n" : out;
}

int RunVti(const std::vector<std::string>& args) {
  AppState state;
  std::string file;
  if (!ParseVtiArgs(args, file, state.names.SourceName)) {
    PrintError("vti takes one FILE and at most --evob NAME");
    std::fprintf(stderr, "\n%s", kVtiUsage);
    return 2;
  }
  TerminalHost host(DetectTerminal(), stdout, stderr);
  Jobs jobs(state, host);
  host.attach(&jobs);
  try {
    jobs.readVTI(file);
  } catch (const KlarvexError& error) {
    PrintError(error.fullText());
    return 1;
  }
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(file, ignored)) {  // logged as not found; a failure for scripts too
    const int reason = !std::filesystem::exists(file, ignored)        ? ENOENT
                       : std::filesystem::is_directory(file, ignored) ? EISDIR
                                                                      : EINVAL;
    PrintError(CannotOpenFile(file, reason).what());
    return 1;
  }
  PrintOut(VtiReport(jobs));
  return FinishStandardOutput(0);
}

}  // namespace klarvex::cli
