// What the text and analyser tests share: a log that keeps its lines, a
// pinned "C" locale, the real fixtures, and the facts that ffprobe and
// mediainfo recorded of them.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysers/stream_facts.h"
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

// "24000/1001" (or with another separator, "16:9"); "none" when unknown,
// as ffprobe's fraction texts are compared.
inline std::string RatioText(const std::optional<Ratio>& ratio, char separator = '/') {
  if (!ratio) return "none";
  return std::to_string(ratio->numerator) + separator + std::to_string(ratio->denominator);
}

// Pins the "C" locale for each case and puts the caller's locale back.
class CLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

#ifdef KLARVEX_TEST_DATA
// The first `size` bytes of a fixture, as a first payload would carry them.
inline std::vector<uint8_t> FixtureHead(const std::string& file, size_t size = 4096) {
  std::ifstream in(std::string(KLARVEX_TEST_DATA) + "/" + file, std::ios::binary);
  std::vector<uint8_t> bytes(size);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

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
