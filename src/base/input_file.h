// The source file stream: opened read-only, read front to back in big
// blocks. Sizes and positions are 64-bit; failures name the file and the
// system's reason.
#pragma once

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

}  // namespace klarvex
