// libFuzzer target: the title set information reader over arbitrary bytes,
// then the view refreshed for every EVOB and every attribute entry read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "base/errors.h"
#include "fuzz_support.h"
#include "navigation/vti_reader.h"
#include "navigation/vti_view.h"

namespace {

using klarvex::fuzzing::MemoryFile;
using klarvex::fuzzing::QuietHost;

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
  QuietHost log;  // discards what is logged
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
