// DVD-Video and HD DVD LPCM samples to little-endian PCM, as WAV holds it.
//
// 16-bit samples are big-endian words. 20- and 24-bit samples come in
// groups: the high 16 bits (big-endian) of every sample of the group first,
// then their low bits, one byte per sample at 24 bits, one nibble per sample
// at 20 bits (the first sample of a byte in its high nibble). A group holds
// two samples for one channel and four for more, taken in stream order
// whatever the channel count: for one and two channels that is two sample
// frames, for 5.1 it crosses frames. That is the layout ffmpeg's pcm_dvd
// encoder writes and its decoder reads (discs authored from its output
// with dvdauthor hold it), and the decoding users compare with.
//
// 20-bit samples are written in 24-bit containers (the low nibble zero), as
// ffmpeg decodes them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace klarvex {

class LpcmUnpacker {
 public:
  // `bitsPerSample` 16, 20 or 24; `channels` 1 to 8.
  LpcmUnpacker(int channels, int bitsPerSample);

  // Converts the next `count` bytes of the stream and hands the samples to
  // `emit(data, bytes)` in whole sample frames. A block cut by the end of a
  // piece (a packet, a read block) is held back and completed by the next.
  template <typename Emit>
  void unpack(const uint8_t* data, int64_t count, Emit&& emit);

  // Bytes of a cut block held back.
  int heldBytes() const { return held_; }
  // The container's bytes per sample: 2 or 3.
  int containerBytes() const { return containerBytes_; }

  // What a block is: the smallest run of whole groups that is also whole
  // sample frames (two frames of five channels at 24 bits are 2.5 groups).
  int blockInBytes() const { return blockIn_; }
  int blockOutBytes() const { return blockOut_; }

 private:
  static constexpr int kMaxBlock = 84;  // 28 samples of 24 bits: 7 channels
  static constexpr int kOutSize = 4032;

  void convertBlock(const uint8_t* in, uint8_t* out) const;

  int bits_;
  int containerBytes_;
  int groupSamples_;
  int groupBytes_;
  int blockGroups_;
  int blockIn_;
  int blockOut_;
  std::array<uint8_t, kMaxBlock> carry_{};
  int held_ = 0;
  std::array<uint8_t, kOutSize> out_{};
};

template <typename Emit>
void LpcmUnpacker::unpack(const uint8_t* data, int64_t count, Emit&& emit) {
  if (count <= 0) return;
  int used = 0;  // bytes of out_ filled
  auto flushIfFull = [&] {
    if (used + blockOut_ > kOutSize) {
      emit(out_.data(), used);
      used = 0;
    }
  };
  if (held_ > 0) {
    const int take = static_cast<int>(std::min<int64_t>(count, blockIn_ - held_));
    std::memcpy(carry_.data() + held_, data, static_cast<size_t>(take));
    held_ += take;
    data += take;
    count -= take;
    if (held_ < blockIn_) return;
    convertBlock(carry_.data(), out_.data());
    used = blockOut_;
    held_ = 0;
  }
  while (count >= blockIn_) {
    flushIfFull();
    convertBlock(data, out_.data() + used);
    used += blockOut_;
    data += blockIn_;
    count -= blockIn_;
  }
  if (used > 0) emit(out_.data(), used);
  std::memcpy(carry_.data(), data, static_cast<size_t>(count));
  held_ = static_cast<int>(count);
}

}  // namespace klarvex
