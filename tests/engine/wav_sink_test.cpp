#include "engine/wav_sink.h"

#include <gtest/gtest.h>

#include <string>

#include "base/files.h"
#include "lpcm_layout.h"
#include "temp_dir.h"
#include "test_bytes.h"

namespace klarvex::testing {
namespace {

struct Layout {
  int channels;
  int bits;
  int blockSamples;  // the unit carried over: whole groups and whole frames
};

constexpr Layout kLayouts[] = {
    {2, 16, 2}, {6, 16, 6}, {2, 20, 4}, {6, 20, 12}, {2, 24, 4}, {6, 24, 12}, {1, 20, 2}, {1, 24, 2}, {5, 24, 20},
};

Bytes Unpack(LpcmUnpacker& unpacker, const Bytes& in, size_t cut) {
  Bytes out;
  auto take = [&](const uint8_t* data, int n) { out.insert(out.end(), data, data + n); };
  unpacker.unpack(in.data(), static_cast<int64_t>(cut), take);
  unpacker.unpack(in.data() + cut, static_cast<int64_t>(in.size() - cut), take);
  return out;
}

// Three blocks and part of a fourth, cut into two pieces at every byte:
// the output is the three blocks, and the part is held back.
TEST(LpcmUnpacker, ConvertsWholeBlocksWhereverThePiecesAreCut) {
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(std::to_string(l.channels) + " channels, " + std::to_string(l.bits) + " bits");
    const Bytes whole = DvdLpcmLayout(4 * l.blockSamples, l.channels, l.bits);
    const size_t blockIn = whole.size() / 4;
    const Bytes in(whole.begin(), whole.end() - 1);
    const Bytes expected = WavLpcmLayout(3 * l.blockSamples, l.bits);
    for (size_t cut = 0; cut <= in.size(); ++cut) {
      LpcmUnpacker unpacker(l.channels, l.bits);
      ASSERT_EQ(Unpack(unpacker, in, cut), expected) << "cut at " << cut;
      ASSERT_EQ(unpacker.heldBytes(), static_cast<int>(blockIn - 1));
    }
  }
}

// 24-bit 5.1, the first two frames, spelled out: four-sample groups in
// stream order, so the second group holds channels 4, 5 of frame 0 and
// channels 0, 1 of frame 1.
TEST(LpcmUnpacker, FiveOneTwentyFourBitGroupsCrossFrames) {
  Bytes in;
  for (int group = 0; group < 3; ++group) {
    for (int i = 0; i < 4; ++i) in.insert(in.end(), {uint8_t(0x10 * group + i), uint8_t(0xA0 + i)});  // high words
    for (int i = 0; i < 4; ++i) in.push_back(uint8_t(0x10 * group + 0x0C + i));                       // low bytes
  }
  Bytes out;
  LpcmUnpacker unpacker(6, 24);
  unpacker.unpack(in.data(), static_cast<int64_t>(in.size()),
                  [&](const uint8_t* d, int n) { out.insert(out.end(), d, d + n); });
  // frame 0: ch0..ch3 from group 0, ch4..ch5 from group 1
  const Bytes expected = {
      0x0C, 0xA0, 0x00, 0x0D, 0xA1, 0x01, 0x0E, 0xA2, 0x02, 0x0F, 0xA3, 0x03, 0x1C, 0xA0, 0x10, 0x1D, 0xA1, 0x11,
      // frame 1: ch0..ch1 from group 1, ch2..ch5 from group 2
      0x1E, 0xA2, 0x12, 0x1F, 0xA3, 0x13, 0x2C, 0xA0, 0x20, 0x2D, 0xA1, 0x21, 0x2E, 0xA2, 0x22, 0x2F, 0xA3, 0x23};
  EXPECT_EQ(out, expected);
}

TEST(WavHeader, PcmExtensibleAndRf64) {
  // 16-bit stereo: WAVE_FORMAT_PCM; JUNK keeps room for a ds64 chunk.
  WavHeader pcm = MakeWavHeader({2, 48000, 16}, 1000);
  Bytes expected = Cat({{'R', 'I', 'F', 'F', 0x30, 0x04, 0, 0, 'W', 'A', 'V', 'E', 'J', 'U', 'N', 'K', 28, 0, 0, 0},
                        Bytes(28, 0),
                        {'f',  'm',  't',  ' ',  16, 0, 0,  0, 1,   0,   2,   0,   0x80, 0xBB, 0, 0,
                         0x00, 0xEE, 0x02, 0x00, 4,  0, 16, 0, 'd', 'a', 't', 'a', 0xE8, 0x03, 0, 0}});
  EXPECT_EQ(Bytes(pcm.bytes.begin(), pcm.bytes.begin() + pcm.size), expected);

  // 20-bit 5.1 at 96 kHz, an odd data size: extensible, 24-bit container,
  // 20 valid bits, FL FR FC LFE BL BR; the pad byte counts in the RIFF size.
  WavHeader ext = MakeWavHeader({6, 96000, 20}, 1001);
  ASSERT_EQ(ext.size, 104);
  const Bytes fmt = {'f',  'm',  't',  ' ',  40,   0,    0,    0,    0xFE, 0xFF, 6,    0,    0x00, 0x77,
                     0x01, 0x00, 0x00, 0x5E, 0x1A, 0x00, 18,   0,    24,   0,    22,   0,    20,   0,
                     0x3F, 0,    0,    0,    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                     0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71, 'd',  'a',  't',  'a',  0xE9, 0x03, 0,    0};
  EXPECT_EQ(Bytes(ext.bytes.begin() + 48, ext.bytes.begin() + 104), fmt);
  EXPECT_EQ(Bytes(ext.bytes.begin(), ext.bytes.begin() + 8), (Bytes{'R', 'I', 'F', 'F', 0x4A, 0x04, 0, 0}));

  // 5 GiB of 24-bit stereo: RF64, the sizes in ds64, all ones in the 32-bit fields.
  const uint64_t data = 5ull << 30;
  WavHeader big = MakeWavHeader({2, 48000, 24}, data);
  const uint64_t riff = 96 + data;
  Bytes rf64 = {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E', 'd', 's', '6', '4', 28, 0, 0, 0};
  for (uint64_t v : {riff, data, data / 6})
    for (int b = 0; b < 8; ++b) rf64.push_back(static_cast<uint8_t>(v >> (8 * b)));
  rf64.insert(rf64.end(), 4, 0);
  EXPECT_EQ(Bytes(big.bytes.begin(), big.bytes.begin() + 48), rf64);
  EXPECT_EQ(Bytes(big.bytes.begin() + 96, big.bytes.begin() + 104),
            (Bytes{'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF}));
  // The largest RIFF size is even (an odd data chunk is padded): 2^32 - 2
  // is the last that stays RIFF.
  EXPECT_EQ(MakeWavHeader({2, 48000, 24}, kRiffSizeLimit - 97).bytes[1], 'I');
  EXPECT_EQ(MakeWavHeader({2, 48000, 24}, kRiffSizeLimit - 96).bytes[1], 'F');
}

// The whole file: header first, samples as they come, the sizes patched at
// the end; past the limit (lowered here from 4 GiB) the header turns RF64.
TEST(WavSink, WritesHeaderSamplesAndPatchedSizes) {
  TempDir dir;
  const Bytes in = DvdLpcmLayout(4 * 4, 2, 24);  // four blocks of two frames
  for (uint64_t limit : {kRiffSizeLimit, uint64_t{100}}) {
    const std::string path = dir.file("a.wav");
    OutputFile file;
    file.create(path);
    file.setBuffer(64);
    WavSink sink(file, {2, 48000, 24}, limit);
    sink.write(in.data(), 20);
    sink.write(in.data() + 20, static_cast<int64_t>(in.size() - 20) - 3);  // the last block cut: dropped
    sink.finish();
    file.close();
    const Bytes samples = WavLpcmLayout(3 * 4, 24);
    WavHeader header = MakeWavHeader({2, 48000, 24}, samples.size(), limit);
    EXPECT_EQ(ReadAll(path), Cat({Bytes(header.bytes.begin(), header.bytes.begin() + header.size), samples}));
    EXPECT_EQ(header.bytes[1], limit == 100 ? 'F' : 'I');
  }
}

TEST(WavSink, OnlyKnownFormatsAreWritten) {
  EXPECT_TRUE(IsWavFormat({8, 192000, 24}));
  EXPECT_FALSE(IsWavFormat({2, 0, 16}));     // rate code 3
  EXPECT_FALSE(IsWavFormat({2, 48000, 0}));  // word length code 3
  EXPECT_FALSE(IsWavFormat({0, 48000, 16}));
}

}  // namespace
}  // namespace klarvex::testing
