// libFuzzer target: the pack walker in read and demux mode over arbitrary
// bytes. The first input byte picks the source extension (EVO, VOB, AOB)
// and the options; the rest is the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/files.h"
#include "engine/engine.h"
#include "engine/pack_walker.h"

#include "fuzz_support.h"

namespace {

using klarvex::fuzzing::MemoryFile;
using klarvex::fuzzing::NullLog;

class FuzzHost : public klarvex::WalkerHost {
 public:
  explicit FuzzHost(uint8_t selector) : selector_(selector) {}
  klarvex::MessageLog& messages() override { return log_; }
  bool fastCheck() const override { return false; }
  int64_t fastCheckMiB() const override { return 300; }
  bool countFrames() const override { return !(selector_ & 0x04); }
  bool detailedInfo() const override { return !(selector_ & 0x08); }
  bool streamTicked(klarvex::Section, int number) const override { return (number & 1) == 0; }
  std::string sourceExtension() const override {
    static const char* const kExtensions[] = {".EVO", ".VOB", ".AOB", ".evo"};
    return kExtensions[selector_ & 0x03];
  }
  void processEvents() override {}
  void repaint() override {}
  void setCancelEnabled(bool) override {}

 private:
  uint8_t selector_;
  NullLog log_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  uint8_t selector = data[0];
  int fd = -1;
  std::string path = MemoryFile(data + 1, size - 1, fd);
  if (path.empty()) return 0;

  static klarvex::Engine engine;  // the 256 KiB buffer is made once
  FuzzHost host(selector);
  engine.run = klarvex::RunState{};
  engine.run.minFirstPts = 0xFFFFFFFF;
  klarvex::OutputFile out;
  out.create("/dev/null");
  for (int n = 0; n < 2; ++n) engine.streams.video(n).outFile = &out;
  for (int n = 0; n < 16; ++n) engine.streams.audio(n).outFile = &out;
  for (int n = 0; n < 32; ++n) engine.streams.subpicture(n).outFile = &out;

  engine.input.open(path);
  klarvex::demux(engine, host, klarvex::WalkMode::Read);
  engine.input.open(path);
  klarvex::demux(engine, host, klarvex::WalkMode::Demux);
  engine.input.close();
  close(fd);
  return 0;
}
