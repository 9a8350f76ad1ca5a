// The program's file streams: a source opened read-only (others may read,
// not write) and outputs created for exclusive use. Sizes and positions are
// 64-bit; every failure names the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace klarvex {

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { close(); }

  // Releases any file held, then opens `path`; throws "Cannot open file ...".
  void open(const std::string& path);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Reads up to `count` bytes (fewer only at the end of the file); throws
  // "Stream read error" when the system reports a failure.
  int64_t read(uint8_t* into, int64_t count);
  // Current size, asked of the system each time (a file may still grow).
  int64_t size() const;
  int64_t position() const { return position_; }
  void seek(int64_t position);

 private:
  int fd_ = -1;
  int64_t position_ = 0;
  std::string path_;
};

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // releases without reporting: call close() to learn of failures

  // Creates or empties `path` and holds it exclusively; a second creation
  // of the same file while this one is open fails. Throws "Cannot create file ...".
  void create(const std::string& path);
  // Closes the file; a failure to flush what was written is a write error.
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Writes all `count` bytes or throws "Stream write error".
  void writeAll(const uint8_t* data, int64_t count);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace klarvex
