// Builds bit strings for hand-made headers, most significant bit first, with
// the Exp-Golomb codes of H.264.
#pragma once

#include <cstdint>
#include <vector>

namespace klarvex::testing {

class BitWriter {
 public:
  void put(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) bits_.push_back((value >> i) & 1);
  }
  void ue(uint32_t value) {
    uint64_t code = uint64_t{value} + 1;
    int width = 0;
    while ((code >> width) > 1) ++width;
    put(0, width);
    for (int i = width; i >= 0; --i) bits_.push_back((code >> i) & 1);
  }
  void se(int32_t value) { ue(value > 0 ? 2 * value - 1 : -2 * value); }
  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out((bits_.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits_.size(); ++i) out[i / 8] |= static_cast<uint8_t>(bits_[i] << (7 - i % 8));
    return out;
  }

 private:
  std::vector<int> bits_;
};

}  // namespace klarvex::testing
