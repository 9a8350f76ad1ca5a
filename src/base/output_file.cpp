#include "base/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "base/errors.h"

namespace klarvex {

void SourceFiles::add(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) files_.emplace_back(st.st_dev, st.st_ino);
}

bool SourceFiles::holds(dev_t device, ino_t inode) const {
  for (const auto& [d, i] : files_)
    if (d == device && i == inode) return true;
  return false;
}

void RefuseExistingOutput(const std::string& path, const SourceFiles& sources) {
  struct stat st {};
  if (!sources.existingRefusal().empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    throw CannotCreateFile(path, sources.existingRefusal());
}

namespace {

// What stands at an output's name, refused unless it is a regular file that
// the job does not read.
void RefuseUnlessWritable(const std::string& path, const struct stat& st, const SourceFiles& sources) {
  if (!S_ISREG(st.st_mode)) throw CannotCreateFile(path, NotRegularReason(st.st_mode));
  if (sources.holds(st.st_dev, st.st_ino)) throw CannotCreateFile(path, "It is one of the source files");
}

// Closes the descriptor and throws `error`.
[[noreturn]] void Abandon(int fd, const KlarvexError& error) {
  ::close(fd);
  throw error;
}

}  // namespace

void OutputFile::create(const std::string& path, const SourceFiles& sources) {
  close();
  // Look before opening: opening a FIFO or a device may block or act on it,
  // and a link would lead the output anywhere.
  struct stat st {};
  const bool keepExisting = !sources.existingRefusal().empty();
  if (::lstat(path.c_str(), &st) == 0) {
    RefuseUnlessWritable(path, st, sources);
    if (keepExisting) throw CannotCreateFile(path, sources.existingRefusal());
  } else if (errno != ENOENT) {
    throw CannotCreateFile(path, errno);
  }
  // O_NOFOLLOW and O_NONBLOCK hold if something else was put there since,
  // and O_EXCL where an existing file must stay. Not O_TRUNC yet: a file
  // that another creation holds must not be emptied under it. Lock first,
  // then empty.
  int fd =
      ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (keepExisting ? O_EXCL : 0), 0644);
  if (fd < 0) {
    int error = errno;
    if (error == ELOOP && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      throw CannotCreateFile(path, NotRegularReason(st.st_mode));
    if (error == EEXIST && keepExisting) throw CannotCreateFile(path, sources.existingRefusal());
    throw CannotCreateFile(path, error);
  }
  if (::fstat(fd, &st) != 0) Abandon(fd, CannotCreateFile(path, errno));
  try {
    RefuseUnlessWritable(path, st, sources);
  } catch (const KlarvexError& e) {
    Abandon(fd, e);
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) Abandon(fd, CannotCreateFile(path, errno == EWOULDBLOCK ? EBUSY : errno));
  if (::ftruncate(fd, 0) != 0) Abandon(fd, CannotCreateFile(path, errno));
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
  if (failed_ && !failure) failure = StreamWriteError(path_);
  int fd = fd_;
  fd_ = -1;
  used_ = 0;
  // The file is released whatever happened; the first failure is reported.
  if (::close(fd) != 0 && errno != EINTR && !failure) failure = StreamWriteError(path_, errno);
  if (failure) throw *failure;
}

void OutputFile::fail(int error) {
  failed_ = true;
  used_ = 0;
  throw StreamWriteError(path_, error);
}

void OutputFile::writeAll(const uint8_t* data, int64_t count) {
  if (fd_ < 0 || failed_) throw StreamWriteError(path_);
  if (count <= 0) return;
  size_t n = static_cast<size_t>(count);
  if (used_ + n > capacity_) flush();
  if (n >= capacity_) return writeOut(data, count);
  std::memcpy(buffer_.get() + used_, data, n);
  used_ += n;
}

void OutputFile::writeAt(int64_t offset, const uint8_t* data, int64_t count) {
  if (fd_ < 0 || failed_) throw StreamWriteError(path_);
  flush();
  int64_t done = 0;
  while (done < count) {
    ssize_t put = ::pwrite(fd_, data + done, static_cast<size_t>(count - done), offset + done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) fail(put < 0 ? errno : ENOSPC);
    done += put;
  }
}

void OutputFile::flush() {
  if (used_ == 0 || fd_ < 0) return;
  size_t pending = used_;
  used_ = 0;
  writeOut(buffer_.get(), static_cast<int64_t>(pending));
}

void OutputFile::writeOut(const uint8_t* data, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    ssize_t put = ::write(fd_, data + done, static_cast<size_t>(count - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) fail(put < 0 ? errno : ENOSPC);
    done += put;
  }
}

}  // namespace klarvex
