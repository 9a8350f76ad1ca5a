// libFuzzer target: Read XPL over arbitrary bytes as the playlist, with a
// source whose base name the input may hold, so titles are cut out too.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "jobs/jobs.h"
#include "navigation/xpl_chapters.h"

namespace {

using klarvex::fuzzing::MemoryFile;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd = -1;
  std::string path = MemoryFile(data, size, fd);
  if (path.empty()) return 0;

  static klarvex::AppState state;  // the tables persist between reads, as in the program
  klarvex::fuzzing::QuietHost host;
  klarvex::Jobs jobs(state, host);
  state.eEVOfile = "/disc/HVDVD_TS/FEATURE_1.EVO";
  jobs.EVOadj();
  state.eXPLfile = path;
  jobs.XPLadj();
  jobs.bReadXPLClick();
  volatile size_t chapterBytes = klarvex::ChapterFileText(state.xpl.mChapter).size();
  (void)chapterBytes;
  close(fd);
  return 0;
}
