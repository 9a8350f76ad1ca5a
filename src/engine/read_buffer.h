// The one buffer the source is read into, 256 KiB: 128 packs of 2048 bytes,
// so a file of whole packs never has a pack split between two reads.
#pragma once

#include <cstdint>
#include <memory>

#include "analysers/byte_view.h"

namespace klarvex {

class ReadBuffer {
 public:
  static constexpr int64_t kSize = 262144;

  ReadBuffer() : data_(new uint8_t[kSize]()) {}
  uint8_t* data() { return data_.get(); }
  const uint8_t* data() const { return data_.get(); }
  uint8_t operator[](int64_t i) const { return data_[static_cast<size_t>(i)]; }
  int64_t loaded = 0;  // bytes the last read returned
  ByteView view() const { return ByteView{data_.get(), loaded}; }

 private:
  std::unique_ptr<uint8_t[]> data_;
};

}  // namespace klarvex
