// libFuzzer target: the pack walker in read and demux mode over arbitrary
// bytes. The first input byte picks the source extension (EVO, VOB, AOB)
// and the options; the rest is the file. Each input is walked twice, once
// passing over scanned bytes and once stepping every byte: the two walks
// must find, log, count and write exactly the same.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/files.h"
#include "engine/engine.h"
#include "engine/pack_walker.h"
#include "engine/payload_output.h"
#include "fuzz_support.h"

namespace {

using klarvex::fuzzing::MemoryFile;
using klarvex::fuzzing::ScratchFolder;

class RecordingLog : public klarvex::MessageLog {
 public:
  void log(const std::string& message) override { lines.push_back(message); }
  void slog(const std::string&, int) override {}  // progress carries times
  void erslog(const std::string& text) override { lines.push_back("erslog: " + text); }
  void beep() override {}
  void clear() override {}
  std::vector<std::string> lines;
};

class FuzzHost : public klarvex::WalkerHost {
 public:
  FuzzHost(uint8_t selector, bool everyByte) : selector_(selector), everyByte_(everyByte) {}
  klarvex::MessageLog& messages() override { return log; }
  bool fastCheck() const override { return false; }
  int64_t fastCheckMiB() const override { return 300; }
  bool countFrames() const override { return !(selector_ & 0x04); }
  bool detailedInfo() const override { return !(selector_ & 0x08); }
  bool streamTicked(klarvex::Section, int number) const override { return (number & 1) == 0; }
  std::string sourceExtension() const override {
    static const char* const kExtensions[] = {".EVO", ".VOB", ".AOB", ".evo"};
    return kExtensions[selector_ & 0x03];
  }
  bool scanEveryByte() const override { return everyByte_; }
  void processEvents() override {}
  void repaint() override {}
  void setCancelEnabled(bool) override {}
  RecordingLog log;

 private:
  uint8_t selector_;
  bool everyByte_;
};

// What one walk found and wrote.
struct Outcome {
  std::vector<std::string> lines;
  std::vector<int64_t> numbers;  // per slot: id, frames, first PTS; then the run's times
  std::vector<std::vector<std::string>> descriptions;
  std::string written;
};

std::string ReadBack(int fd) {
  std::string bytes;
  char block[65536];
  off_t at = 0;
  for (ssize_t got; (got = pread(fd, block, sizeof block, at)) > 0; at += got)
    bytes.append(block, static_cast<size_t>(got));
  return bytes;
}

Outcome Walk(klarvex::Engine& engine, const std::string& path, uint8_t selector, bool everyByte) {
  Outcome outcome;
  FuzzHost host(selector, everyByte);
  engine.run = klarvex::RunState{};
  engine.run.minFirstPts = 0xFFFFFFFF;
  engine.streams.resetFrameCounts();  // as a job starts: nothing carried from the walks before
  klarvex::OutputFile out;
  out.create(ScratchFolder() + "/demuxed");
  klarvex::RawSink raw(out);
  klarvex::SupSink sup(out, engine.run.minFirstPts);
  for (int i = 1; i <= klarvex::StreamTable::kEntries; ++i)
    engine.streams.entry(i).sink =
        i >= klarvex::StreamTable::kSubpictureBase ? static_cast<klarvex::StreamSink*>(&sup) : &raw;

  engine.input.open(path);
  klarvex::demux(engine, host, klarvex::WalkMode::Read);
  for (int i = 1; i <= klarvex::StreamTable::kEntries; ++i) {
    const klarvex::StreamSlot& slot = engine.streams.entry(i);
    outcome.numbers.insert(outcome.numbers.end(), {slot.streamId, slot.frameCount, slot.firstPtsKnown, slot.firstPts});
    outcome.descriptions.push_back(slot.description);
  }
  const klarvex::RunState& run = engine.run;
  outcome.numbers.insert(outcome.numbers.end(), {run.minFirstPts, run.firstPtm, run.lastPtm, run.titleDuration});
  engine.input.open(path);
  klarvex::demux(engine, host, klarvex::WalkMode::Demux);
  engine.input.close();
  out.close();
  int outFd = open((ScratchFolder() + "/demuxed").c_str(), O_RDONLY | O_CLOEXEC);
  if (outFd < 0) abort();
  outcome.written = ReadBack(outFd);
  close(outFd);
  for (int i = 1; i <= klarvex::StreamTable::kEntries; ++i) engine.streams.entry(i).sink = nullptr;
  outcome.lines = std::move(host.log.lines);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t selector = data[0];
  int fd = -1;
  std::string path = MemoryFile(data + 1, size - 1, fd);
  if (path.empty()) return 0;

  static klarvex::Engine engine;  // the 256 KiB buffer is made once
  Outcome passing = Walk(engine, path, selector, false);
  Outcome stepping = Walk(engine, path, selector, true);
  close(fd);
  if (passing.lines != stepping.lines || passing.numbers != stepping.numbers ||
      passing.descriptions != stepping.descriptions || passing.written != stepping.written)
    abort();  // passing over scanned bytes changed what the walk found
  return 0;
}
