// The one buffer the source is read into, 256 KiB: 128 packs of 2048 bytes,
// so a file of whole packs never has a pack split between two reads.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "analysers/byte_view.h"
#include "base/input_file.h"

namespace klarvex {

class ReadBuffer {
 public:
  static constexpr int64_t kSize = 262144;

  // Page-aligned: the kernel copies file data into an aligned buffer far
  // faster than into one that starts mid-line.
  ReadBuffer() : storage_(static_cast<uint8_t*>(std::aligned_alloc(4096, kSize))) {
    if (!storage_) throw std::bad_alloc();
    std::memset(storage_.get(), 0, kSize);
  }

  // Reads the next block of `input`; returns the bytes loaded.
  int64_t fill(InputFile& input) {
    loaded = input.read(storage_.get(), kSize);
    return loaded;
  }

  const uint8_t* bytes() const { return storage_.get(); }
  // For a pass that patches packs in place before it writes them out.
  uint8_t* data() { return storage_.get(); }
  int64_t loaded = 0;  // bytes the last read returned
  ByteView view() const { return ByteView{storage_.get(), loaded}; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<uint8_t, Free> storage_;
};

}  // namespace klarvex
