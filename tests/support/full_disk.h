// A file that refuses writes as a full disk does (ENOSPC), on any file
// system: the test program's own write() and pwrite() stand before the C library's and
// fails the writes to a marked file; every other write passes through.
// Outputs are regular files, so this takes the place of /dev/full.
#pragma once

#include <string>

namespace klarvex::testing {

class FullDisk {
 public:
  // Creates `path` as an empty regular file (or takes the one there) and
  // marks it full until the end of this object's life.
  explicit FullDisk(const std::string& path);
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  unsigned long device_ = 0, inode_ = 0;
};

}  // namespace klarvex::testing
