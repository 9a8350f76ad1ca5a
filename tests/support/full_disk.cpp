#include "full_disk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace {

// One marked file at a time is all the tests need; 0: none.
std::atomic<unsigned long> markedDevice{0}, markedInode{0};

bool IsMarked(int fd) {
  unsigned long inode = markedInode.load();
  if (inode == 0) return false;
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_ino == inode && st.st_dev == markedDevice.load();
}

}  // namespace

// Every write() and pwrite() of the program comes here; the C library's own calls
// (stdio) go on to the system directly.
extern "C" ssize_t write(int fd, const void* data, size_t count) {
  if (IsMarked(fd)) {
    errno = ENOSPC;
    return -1;
  }
  return ::syscall(SYS_write, fd, data, count);
}

extern "C" ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
  if (IsMarked(fd)) {
    errno = ENOSPC;
    return -1;
  }
  return ::syscall(SYS_pwrite64, fd, data, count, offset);
}

namespace klarvex::testing {

FullDisk::FullDisk(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) throw std::runtime_error("cannot make " + path);
  ::close(fd);
  device_ = st.st_dev;
  inode_ = st.st_ino;
  markedDevice = device_;
  markedInode = inode_;
}

FullDisk::~FullDisk() { markedInode = 0; }

}  // namespace klarvex::testing
