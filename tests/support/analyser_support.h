// What the analyser tests share: a log that keeps its lines, and the facts
// that ffprobe and mediainfo recorded of the real fixtures.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/message_log.h"

namespace klarvex::testing {

// Keeps the message lines as given (markup and all); the panels are ignored.
class LineLog : public MessageLog {
 public:
  std::vector<std::string> lines;
  void log(const std::string& message) override { lines.push_back(message); }
  void slog(const std::string&, int) override {}
  void erslog(const std::string&) override {}
  void beep() override {}
  void clear() override { lines.clear(); }
};

#ifdef KLARVEX_TEST_DATA
// The "file key value" lines of tests/data/fixture_facts.txt for one file.
inline std::map<std::string, std::string> FixtureFacts(const std::string& file) {
  std::map<std::string, std::string> facts;
  std::ifstream in(std::string(KLARVEX_TEST_DATA) + "/fixture_facts.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, key, value;
    fields >> name >> key;
    std::getline(fields >> std::ws, value);
    if (name == file) facts[key] = value;
  }
  return facts;
}
#endif

}  // namespace klarvex::testing
