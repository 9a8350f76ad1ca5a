#include "engine/lpcm_samples.h"

#include <algorithm>
#include <numeric>

namespace klarvex {

LpcmUnpacker::LpcmUnpacker(int channels, int bitsPerSample)
    // Anything else is taken as 16 bits or the nearest count, so a block is never empty.
    : bits_(bitsPerSample == 20 || bitsPerSample == 24 ? bitsPerSample : 16),
      containerBytes_(bits_ == 16 ? 2 : 3),
      groupSamples_(bits_ == 16     ? 1
                    : channels <= 1 ? 2
                                    : 4),
      groupBytes_(groupSamples_ * bits_ / 8) {
  channels = std::clamp(channels, 1, 8);
  const int blockSamples = std::lcm(groupSamples_, channels);
  blockGroups_ = blockSamples / groupSamples_;
  blockIn_ = blockGroups_ * groupBytes_;
  blockOut_ = blockSamples * containerBytes_;
}

void LpcmUnpacker::convertBlock(const uint8_t* in, uint8_t* out) const {
  const int g = groupSamples_;
  for (int group = 0; group < blockGroups_; ++group, in += groupBytes_) {
    const uint8_t* low = in + 2 * g;  // the low bits follow the group's high words
    for (int i = 0; i < g; ++i) {
      if (bits_ == 24)
        *out++ = low[i];
      else if (bits_ == 20)
        *out++ = static_cast<uint8_t>((i % 2 ? low[i / 2] << 4 : low[i / 2]) & 0xF0);
      *out++ = in[2 * i + 1];
      *out++ = in[2 * i];
    }
  }
}

}  // namespace klarvex
