#include "ui/update_check.h"

namespace klarvex::ui {

std::optional<VersionAnswer> ParseVersionAnswer(const std::string& body) {
  std::string text = body;
  // A server may end its answer with a line break; it is no part of the version.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == '|')
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  if (fields.size() < 3) return std::nullopt;
  return VersionAnswer{fields[0], fields[1], fields[2]};
}

bool SortsAfter(const std::string& latest, const std::string& running) { return latest > running; }

std::string NewVersionMessage(const std::string& latest) {
  const std::string kind = latest.find('b') != std::string::npos ? "beta version" : "release";
  return "A new " + kind + " ([b]v" + latest + "[/b]) is available.";
}

}  // namespace klarvex::ui
