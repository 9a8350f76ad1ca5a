// Output files: created for exclusive use (a regular file is locked while
// open, so a second creation of it fails), written in big blocks.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace klarvex {

// The files a job reads, known by device and inode: an output under any
// name of one of them (a hard link, a link to it) would empty the source.
class SourceFiles {
 public:
  // A path that can't be looked at is left out: nothing stands there to harm.
  void add(const std::string& path);
  bool holds(dev_t device, ino_t inode) const;

  // A regular file that exists at an output's name is refused too, for
  // `reason` (the window replaces it; the command line does only when told).
  void refuseExisting(std::string reason) { existingRefusal_ = std::move(reason); }
  const std::string& existingRefusal() const { return existingRefusal_; }

 private:
  std::vector<std::pair<dev_t, ino_t>> files_;
  std::string existingRefusal_;  // empty: an existing file is replaced
};

// Throws "Cannot create file ..." when `sources` refuse existing files and
// a regular file stands at `path`; what else may stand there is for
// OutputFile::create to refuse. A job checks all its names with it before
// it writes anything.
void RefuseExistingOutput(const std::string& path, const SourceFiles& sources);

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // releases without reporting: call close() to learn of failures

  // Creates or empties `path` and holds it exclusively; a second creation
  // of the same file while this one is open fails. Only a regular file is
  // written: a symbolic link, FIFO, device or folder at `path` is refused,
  // and so is one of `sources`, before anything is emptied. Throws
  // "Cannot create file ...".
  void create(const std::string& path, const SourceFiles& sources = SourceFiles());
  // Collects writes in a buffer of `bytes` and hands them to the system in
  // big blocks (0: every write goes straight through).
  void setBuffer(size_t bytes);
  // Writes out what is gathered and closes the file; a failure to write is
  // "Stream write error", and the file is closed all the same.
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Writes all `count` bytes (through the buffer) or throws "Stream write
  // error". After a failure the file takes nothing more: what reached the
  // disk stays there.
  void writeAll(const uint8_t* data, int64_t count);
  // Writes all `count` bytes at `offset` (a header completed at the end),
  // what is buffered first, or throws "Stream write error" as writeAll does.
  void writeAt(int64_t offset, const uint8_t* data, int64_t count);
  // Hands the buffered bytes to the system.
  void flush();

 private:
  void writeOut(const uint8_t* data, int64_t count);
  void fail(int error);

  int fd_ = -1;
  std::string path_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace klarvex
