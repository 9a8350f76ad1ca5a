// The program's file streams: a source opened read-only (others may read,
// not write) and outputs created for exclusive use. Sizes and positions are
// 64-bit; every failure names the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
  // Collects writes in a buffer of `bytes` and hands them to the system in
  // big blocks (0: every write goes straight through).
  void setBuffer(size_t bytes);
  // Writes out what is buffered and closes the file; a failure to write is
  // "Stream write error", and the file is closed all the same.
  void close();
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Writes all `count` bytes (through the buffer) or throws "Stream write
  // error". After a failure the file takes nothing more: what reached the
  // disk before stays there.
  void writeAll(const uint8_t* data, int64_t count);
  void flush();

 private:
  void writeOut(const uint8_t* data, int64_t count);

  int fd_ = -1;
  std::string path_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace klarvex
