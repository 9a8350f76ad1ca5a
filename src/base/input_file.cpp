#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/errors.h"

namespace klarvex {

void InputFile::open(const std::string& path) {
  close();
  // Not blocking: opening a FIFO would wait for a writer for ever. Only a
  // regular file is read; its reads never block anyway.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw CannotOpenFile(path, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int error = errno;
    ::close(fd);
    throw CannotOpenFile(path, error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw CannotOpenFile(path, EISDIR);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    throw NotARegularFile(path, st.st_mode);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
    ssize_t got = ::pread(fd_, into + done, static_cast<size_t>(count - done), position_ + done);
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
  if (position < 0) throw StreamReadError(path_, EINVAL);
  position_ = position;
}

}  // namespace klarvex
