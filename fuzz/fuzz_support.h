// What the fuzz targets share: a front end that shows nothing (also their
// log), and the input bytes as a file, since the readers take a path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/message_log.h"
#include "jobs/host.h"

namespace klarvex::fuzzing {

// A front end that shows nothing and answers every question with yes.
class QuietHost : public Host {
 public:
  void log(const std::string& message) override { sink_ += message.size(); }
  void slog(const std::string& text, int) override { sink_ += text.size(); }
  void erslog(const std::string&) override {}
  void beep() override {}
  void clear() override {}
  void processEvents() override {}
  bool confirm(const std::string&) override { return true; }

 private:
  size_t sink_ = 0;
};

// The bytes in a memory file; "" when none could be made. The caller
// closes `fd`.
inline std::string MemoryFile(const uint8_t* data, size_t size, int& fd) {
  fd = memfd_create("fuzz-input", MFD_CLOEXEC);
  if (fd < 0) return "";
  size_t done = 0;
  while (done < size) {
    ssize_t put = write(fd, data + done, size - done);
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

// A folder for the files a target writes (outputs are regular files, never
// a memory file's /proc link): in memory where /dev/shm is, made once per
// process and removed with everything in it when the process ends.
inline const std::string& ScratchFolder() {
  // Never destroyed: the exit handler below still needs the name.
  static const std::string* const folder = [] {
    std::string pattern =
        (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) + "/klarvex-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    return new std::string(pattern);
  }();
  static const bool removedAtExit = std::atexit([] {
                                      std::error_code ignored;
                                      std::filesystem::remove_all(*folder, ignored);
                                    }) == 0;
  (void)removedAtExit;
  return *folder;
}

}  // namespace klarvex::fuzzing
