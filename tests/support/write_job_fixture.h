// A test fixture for the jobs that write into an output folder: a fresh
// folder, the program state, a recording host, and a read of a title.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <string>

#include "jobs/jobs.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace klarvex::testing {

class WriteJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C");
    out = dir.file("out");
    std::filesystem::create_directory(out);
    state.options.eWorkdir = out;
  }

  // Reads the title of `path` as the user would before writing it.
  void readTitle(const std::string& path) {
    state.eEVOfile = path;
    jobs.EVOadj();
    jobs.bReadEVOClick();
    host.lines.clear();
    host.progress.clear();
  }

  std::string output(const std::string& name) const { return out + "/" + name; }

  bool hasLine(const std::string& line) const {
    return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
  }

  TempDir dir;
  std::string out;
  AppState state;
  RecordingHost host;
  Jobs jobs{state, host};
};

}  // namespace klarvex::testing
