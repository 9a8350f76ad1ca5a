#include "files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "errors.h"

namespace klarvex {

void InputFile::open(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw CannotOpenFile(path, errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw CannotOpenFile(path, EISDIR);
  }
  // The walker reads front to back in big blocks: let the kernel read ahead.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  fd_ = fd;
  path_ = path;
  position_ = 0;
}

void InputFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  position_ = 0;
}

int64_t InputFile::read(uint8_t* into, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    ssize_t got = ::read(fd_, into + done, static_cast<size_t>(count - done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw StreamReadError();
    }
    if (got == 0) break;
    done += got;
  }
  position_ += done;
  return done;
}

int64_t InputFile::size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) throw StreamReadError();
  return static_cast<int64_t>(st.st_size);
}

void InputFile::seek(int64_t position) {
  if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) throw StreamReadError();
  position_ = position;
}

void OutputFile::create(const std::string& path) {
  close();
  // Not O_TRUNC yet: a file that another creation holds must not be emptied
  // under it. Lock first, then empty.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw CannotCreateFile(path, errno);
  auto refuse = [&](int error) {
    ::close(fd);
    throw CannotCreateFile(path, error);
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) refuse(errno);
  // Only a regular file is held and emptied. A device or pipe (/dev/null) is
  // a shared sink: a lock on it would refuse every other writer on the
  // system, and ftruncate fails on it with EINVAL.
  if (S_ISREG(st.st_mode)) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) refuse(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ftruncate(fd, 0) != 0) refuse(errno);
  }
  fd_ = fd;
  path_ = path;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputFile::close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) throw StreamWriteError();
}

void OutputFile::writeAll(const uint8_t* data, int64_t count) {
  if (fd_ < 0) throw StreamWriteError();
  int64_t done = 0;
  while (done < count) {
    ssize_t put = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (put < 0) {
      if (errno == EINTR) continue;
      throw StreamWriteError();
    }
    if (put == 0) throw StreamWriteError();
    done += put;
  }
}

}  // namespace klarvex
