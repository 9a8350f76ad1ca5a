#include "engine/wav_sink.h"

#include <algorithm>

#include "base/files.h"

namespace klarvex {

namespace {

constexpr uint16_t kFormatPcm = 0x0001;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM, as it lies in the file.
constexpr std::array<uint8_t, 16> kSubtypePcm = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// By channel count, from one.
constexpr std::array<uint32_t, 8> kChannelMasks = {0x4, 0x3, 0xB, 0x107, 0x37, 0x3F, 0x70F, 0x63F};

// "RIFF" size WAVE, "JUNK" or "ds64" of 28 bytes: riff size, data size and
// sample count (64 bits each), a table of no entries.
constexpr uint32_t kDs64Size = 28;

class LittleEndian {
 public:
  explicit LittleEndian(uint8_t* at) : at_(at) {}
  LittleEndian& tag(const char (&fourCc)[5]) {
    for (int i = 0; i < 4; ++i) *at_++ = static_cast<uint8_t>(fourCc[i]);
    return *this;
  }
  LittleEndian& u16(uint32_t value) { return bytes(value, 2); }
  LittleEndian& u32(uint64_t value) { return bytes(value, 4); }
  LittleEndian& u64(uint64_t value) { return bytes(value, 8); }
  LittleEndian& zeros(int n) {
    at_ = std::fill_n(at_, n, uint8_t{0});
    return *this;
  }
  LittleEndian& raw(const std::array<uint8_t, 16>& data) {
    at_ = std::copy(data.begin(), data.end(), at_);
    return *this;
  }

 private:
  LittleEndian& bytes(uint64_t value, int n) {
    for (int i = 0; i < n; ++i) *at_++ = static_cast<uint8_t>(value >> (8 * i));
    return *this;
  }
  uint8_t* at_;
};

bool Extensible(const WavFormat& format) { return format.channels > 2 || format.bitsPerSample > 16; }

int ContainerBytes(const WavFormat& format) { return format.bitsPerSample == 16 ? 2 : 3; }

}  // namespace

bool IsWavFormat(const WavFormat& format) {
  const int bits = format.bitsPerSample;
  return format.sampleRate > 0 && format.channels >= 1 && format.channels <= 8 &&
         (bits == 16 || bits == 20 || bits == 24);
}

WavHeader MakeWavHeader(const WavFormat& format, uint64_t dataBytes, uint64_t riffLimit) {
  const bool extensible = Extensible(format);
  const uint32_t fmtSize = extensible ? 40 : 16;
  const uint32_t blockAlign = static_cast<uint32_t>(format.channels * ContainerBytes(format));
  WavHeader header;
  header.size = static_cast<int>(12 + 8 + kDs64Size + 8 + fmtSize + 8);
  const uint64_t riffSize = header.size - 8 + dataBytes + (dataBytes & 1);
  const bool rf64 = riffSize > riffLimit;

  LittleEndian out(header.bytes.data());
  out.tag(rf64 ? "RF64" : "RIFF").u32(rf64 ? kRiffSizeLimit : riffSize).tag("WAVE");
  if (rf64)
    out.tag("ds64").u32(kDs64Size).u64(riffSize).u64(dataBytes).u64(dataBytes / blockAlign).u32(0);
  else
    out.tag("JUNK").u32(kDs64Size).zeros(kDs64Size);
  out.tag("fmt ").u32(fmtSize).u16(extensible ? kFormatExtensible : kFormatPcm).u16(format.channels);
  out.u32(format.sampleRate).u32(uint64_t{blockAlign} * format.sampleRate).u16(blockAlign);
  out.u16(8 * ContainerBytes(format));
  if (extensible) {
    out.u16(22).u16(format.bitsPerSample).u32(kChannelMasks[format.channels - 1]).raw(kSubtypePcm);
  }
  out.tag("data").u32(rf64 ? kRiffSizeLimit : dataBytes);
  return header;
}

WavSink::WavSink(OutputFile& file, const WavFormat& format, uint64_t riffLimit)
    : file_(file), format_(format), riffLimit_(riffLimit), unpacker_(format.channels, format.bitsPerSample) {
  WavHeader header = MakeWavHeader(format_, 0, riffLimit_);
  file_.writeAll(header.bytes.data(), header.size);
}

void WavSink::write(const uint8_t* data, int64_t count) {
  unpacker_.unpack(data, count, [this](const uint8_t* samples, int bytes) {
    file_.writeAll(samples, bytes);
    dataBytes_ += static_cast<uint64_t>(bytes);
  });
}

void WavSink::finish() {
  // A chunk of odd size is followed by a pad byte.
  if (dataBytes_ & 1) {
    const uint8_t pad = 0;
    file_.writeAll(&pad, 1);
  }
  WavHeader header = MakeWavHeader(format_, dataBytes_, riffLimit_);
  file_.writeAt(0, header.bytes.data(), header.size);
}

}  // namespace klarvex
