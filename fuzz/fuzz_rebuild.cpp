// libFuzzer target: the Read EVO job and then the rebuild pass over an
// arbitrary source. The first input byte picks the options and which of
// the found streams stay ticked; the rest is the EVO file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/errors.h"
#include "fuzz_support.h"
#include "jobs/app_state.h"
#include "jobs/host.h"
#include "jobs/jobs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const std::string source = klarvex::fuzzing::ScratchFolder() + "/FUZZ.EVO";
  {
    std::ofstream out(source, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  static klarvex::AppState state;  // the engine's buffer is made once
  klarvex::fuzzing::QuietHost host;
  klarvex::Jobs jobs(state, host);
  state.options.cbContinue = false;
  state.options.cbFastCheck = false;
  state.options.cbDetails = (selector & 0x01) != 0;
  state.options.cbCountFr = (selector & 0x02) != 0;
  state.options.cbRBAdvanced = (selector & 0x04) != 0;
  state.options.cbAdjustPTS = (selector & 0x08) != 0;
  state.options.eWorkdir = klarvex::fuzzing::ScratchFolder();
  state.eEVOfile = source;
  jobs.EVOadj();
  try {
    jobs.bReadEVOClick();
  } catch (const klarvex::KlarvexError&) {
    return 0;
  }
  // Keep every stream, or drop every other one of each kind.
  if (selector & 0x10) {
    int n = 0;
    state.forEachBox([&n](klarvex::StreamBox& box) {
      if (n++ % 2) box.ticked = false;
    });
  }
  jobs.bRebuildClick();
  if (state.engine.run.WriteJobRunning || state.jobRunning) std::abort();  // the job always ends cleanly
  return 0;
}
