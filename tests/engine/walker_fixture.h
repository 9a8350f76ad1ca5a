// Walks program streams built by the test writer through the real walker,
// with the options a test sets, and records what it logs.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/pack_walker.h"
#include "engine/payload_output.h"
#include "engine/walker_host.h"
#include "ps_writer.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace klarvex::testing {

struct WalkOptions {
  bool fastCheck = false;
  int64_t fastMiB = 300;
  bool countFrames = true;
  bool details = true;
  std::string extension = ".EVO";
  std::set<std::pair<Section, int>> ticked;
  bool scanEveryByte = false;
};

class TestWalkerHost : public WalkerHost {
 public:
  TestWalkerHost(RecordingHost& recorder, WalkOptions& options) : recorder_(recorder), options_(options) {}
  MessageLog& messages() override { return recorder_; }
  bool fastCheck() const override { return options_.fastCheck; }
  int64_t fastCheckMiB() const override { return options_.fastMiB; }
  bool countFrames() const override { return options_.countFrames; }
  bool detailedInfo() const override { return options_.details; }
  bool streamTicked(Section section, int number) const override { return options_.ticked.count({section, number}) > 0; }
  std::string sourceExtension() const override { return options_.extension; }
  void processEvents() override { recorder_.processEvents(); }
  void repaint() override { ++repaints; }
  void setCancelEnabled(bool enabled) override { cancelStates.push_back(enabled); }
  bool scanEveryByte() const override { return options_.scanEveryByte; }

  int repaints = 0;
  std::vector<bool> cancelStates;

 private:
  RecordingHost& recorder_;
  WalkOptions& options_;
};

class WalkerTest : public ::testing::Test {
 protected:
  // Writes `bytes` as a file named for the options' extension and walks it.
  const std::vector<std::string>& walk(const Bytes& bytes, WalkMode mode = WalkMode::Read) {
    std::string path = dir.file("T" + options.extension);
    writeFile(path, bytes);
    return walkFile(path, mode);
  }

  const std::vector<std::string>& walkFile(const std::string& path, WalkMode mode = WalkMode::Read) {
    engine.input.open(path);
    demux(engine, host, mode);
    engine.input.close();
    return recorder.lines;
  }

  static void writeFile(const std::string& path, const Bytes& bytes) {
    ProgramStreamWriter w;
    w.raw(bytes);
    w.writeTo(path);
  }

  // Pads a stream with padding packs to at least `size` bytes, so the first
  // buffer of the walk is full and the system header is read.
  static void padTo(ProgramStreamWriter& w, size_t size) {
    while (w.bytes().size() < size) w.paddingPack();
  }

  TempDir dir;
  Engine engine;
  RecordingHost recorder;
  WalkOptions options;
  TestWalkerHost host{recorder, options};
};

}  // namespace klarvex::testing
