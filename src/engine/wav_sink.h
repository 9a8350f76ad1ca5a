// "LPCM as WAV": an LPCM stream written as a WAV file.
//
// The header: RIFF/WAVE, a JUNK chunk the size of a ds64 chunk, "fmt ",
// "data". 16-bit mono and stereo are WAVE_FORMAT_PCM; more channels or more
// bits are WAVE_FORMAT_EXTENSIBLE, 20 bits in 24-bit containers (valid bits
// 20). The channel masks are those ffmpeg gives DVD LPCM of 1 to 8 channels
// (FC; FL FR; FL FR LFE; FL FR FC BC; FL FR FC BL BR; FL FR FC LFE BL BR;
// FL FR FC LFE BC SL SR; FL FR FC LFE BL BR SL SR), so the file says what
// ffmpeg's own decoding of the disc says.
//
// Sizes are known only at the end: the header is written with none and
// rewritten at finish(). A file whose RIFF size passes 32 bits (4 GiB of
// samples: 80 minutes of 24-bit 5.1 at 48 kHz, less at 96 kHz) becomes RF64:
// "RF64" in place of "RIFF", the JUNK chunk turned into ds64 with the 64-bit
// sizes, and the 32-bit sizes all ones. Capping the sizes instead would cut
// what players read at 4 GiB; ffmpeg and mkvmerge read RF64.
#pragma once

#include <array>
#include <cstdint>

#include "engine/lpcm_samples.h"
#include "engine/payload_output.h"

namespace klarvex {

struct WavFormat {
  int channels = 0;       // 1 to 8
  int sampleRate = 0;     // Hz
  int bitsPerSample = 0;  // as carried: 16, 20 or 24
};

// Whether an LPCM stream of `format` can be written as WAV: the read found
// its rate, word length and channels.
bool IsWavFormat(const WavFormat& format);

// The largest RIFF size (the file's size less 8) a RIFF header can say.
inline constexpr uint64_t kRiffSizeLimit = 0xFFFFFFFF;

struct WavHeader {
  std::array<uint8_t, 104> bytes{};
  int size = 0;  // 80 with WAVE_FORMAT_PCM, 104 with WAVE_FORMAT_EXTENSIBLE
};

// The header of a file holding `dataBytes` of samples (and a pad byte after
// them when that is odd): RIFF while its RIFF size is at most `riffLimit`,
// else RF64.
WavHeader MakeWavHeader(const WavFormat& format, uint64_t dataBytes, uint64_t riffLimit = kRiffSizeLimit);

class WavSink : public StreamSink {
 public:
  // Writes the header at the file's start (a failure to write throws).
  WavSink(OutputFile& file, const WavFormat& format, uint64_t riffLimit = kRiffSizeLimit);
  void write(const uint8_t* data, int64_t count) override;
  // Rewrites the header with the sizes. A cut sample block at the end (a
  // stream stopped mid-group, a cancelled job) is dropped: half a group
  // can't be decoded.
  void finish() override;

 private:
  OutputFile& file_;
  WavFormat format_;
  uint64_t riffLimit_;
  LpcmUnpacker unpacker_;
  uint64_t dataBytes_ = 0;
};

}  // namespace klarvex
