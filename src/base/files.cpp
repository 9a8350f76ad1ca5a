#include "files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

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
      throw StreamReadError(path_, errno);
    }
    if (got == 0) break;
    done += got;
  }
  position_ += done;
  return done;
}

int64_t InputFile::size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) throw StreamReadError(path_, fd_ < 0 ? EBADF : errno);
  return static_cast<int64_t>(st.st_size);
}

void InputFile::seek(int64_t position) {
  if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) throw StreamReadError(path_, errno);
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
  failed_ = false;
  used_ = 0;
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
}

void OutputFile::setBuffer(size_t bytes) {
  flush();
  buffer_.reset(bytes ? new uint8_t[bytes] : nullptr);
  capacity_ = bytes;
  used_ = 0;
}

void OutputFile::close() {
  if (fd_ < 0) return;
  std::optional<KlarvexError> failure;
  try {
    flush();
  } catch (const KlarvexError& e) {
    failure = e;
  }
  int fd = fd_;
  fd_ = -1;
  used_ = 0;
  // The file is released whatever happened; the first failure is reported.
  if (::close(fd) != 0 && errno != EINTR && !failure) failure = StreamWriteError(path_, errno);
  if (failure) throw *failure;
}

void OutputFile::flush() {
  if (used_ == 0) return;
  size_t pending = used_;
  used_ = 0;
  writeOut(buffer_.get(), static_cast<int64_t>(pending));
}

void OutputFile::writeAll(const uint8_t* data, int64_t count) {
  if (fd_ < 0 || failed_) throw StreamWriteError(path_);
  if (count <= 0) return;
  size_t n = static_cast<size_t>(count);
  if (used_ + n <= capacity_) {
    std::memcpy(buffer_.get() + used_, data, n);
    used_ += n;
    return;
  }
  flush();
  if (n < capacity_) {
    std::memcpy(buffer_.get(), data, n);
    used_ = n;
  } else {
    writeOut(data, count);
  }
}

void OutputFile::writeOut(const uint8_t* data, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    ssize_t put = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      failed_ = true;
      throw StreamWriteError(path_, put < 0 ? errno : ENOSPC);
    }
    done += put;
  }
}

}  // namespace klarvex
