// libFuzzer target: the title set information reader over arbitrary bytes,
// then the view refreshed for every EVOB and every attribute entry read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "base/errors.h"
#include "navigation/vti_reader.h"
#include "navigation/vti_view.h"

namespace {

class NullLog : public klarvex::MessageLog {
 public:
  void log(const std::string& message) override { sink_ += message.size(); }
  void slog(const std::string& text, int) override { sink_ += text.size(); }
  void erslog(const std::string&) override {}
  void beep() override {}
  void clear() override {}

 private:
  size_t sink_ = 0;
};

// The reader takes a file path: hand it the bytes in memory.
std::string MemoryFile(const uint8_t* data, size_t size, int& fd) {
  fd = memfd_create("vti-input", MFD_CLOEXEC);
  if (fd < 0) return "";
  size_t done = 0;
  while (done < size) {
    ssize_t put = write(fd, data + done, size - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

void ShowEverything(klarvex::VtiModel& model) {
  for (int i = -1; i <= static_cast<int>(model.infoTable.size()); ++i) {
    model.cbEVOname.selected = i;
    klarvex::RefreshEvob(model);
  }
  for (int i = -1; i <= static_cast<int>(model.attrTable.size()); ++i) {
    model.cbAttrNo.selected = i;
    klarvex::RefreshAttr(model);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = -1;
  std::string path = MemoryFile(data, size, fd);
  if (path.empty()) return 0;
  klarvex::VtiModel model;
  NullLog log;
  klarvex::InputFile input;
  try {
    input.open(path);
    klarvex::ReadVtiTables(input, "FEATURE_1.EVO", model, log);
  } catch (const klarvex::KlarvexError&) {
    // A short file: the tables must be empty and the view still safe.
    if (!model.infoTable.empty() || !model.attrTable.empty()) __builtin_trap();
  }
  input.close();
  close(fd);
  ShowEverything(model);
  return 0;
}
