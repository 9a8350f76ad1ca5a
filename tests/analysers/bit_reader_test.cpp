#include "analysers/bit_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace klarvex {
namespace {

// Two filler bytes, then 12 34 56 78 9A BC from index p = 2.
const uint8_t kBytes[] = {0xEE, 0xEE, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
constexpr int32_t kP = 2;

BitReader Over(const uint8_t* data, int64_t loaded) { return BitReader(ByteView{data, loaded}); }

TEST(BitReader, LoadAndRead) {
  BitReader r = Over(kBytes, sizeof kBytes);
  r.LoadAt(kP);
  EXPECT_EQ(r.window, 0x12345678u);
  EXPECT_EQ(r.position, kP + 4);
  EXPECT_EQ(r.consumed, 0);
  EXPECT_EQ(r.ReadBits(4), 0x1u);
  EXPECT_EQ(r.ReadBits(12), 0x234u);
  EXPECT_EQ(r.position, kP + 6);
  EXPECT_EQ(r.consumed, 0);
  EXPECT_EQ(r.ReadBits(16), 0x5678u);
}

TEST(BitReader, FullWidthReadAfterSkip) {
  BitReader r = Over(kBytes, sizeof kBytes);
  r.LoadAt(kP);
  r.SkipBits(3);
  // 0001 0010 0011 0100 0101 0110 0111 1000 | 100 1 1010: bits 3..34 are
  // 1 0010 0011 0100 0101 0110 0111 1000 100 = 0x91A2B3C4 (the last three
  // bits come from 9A, the byte at position).
  EXPECT_EQ(r.ReadBits(32), 0x91A2B3C4u);
  EXPECT_EQ(r.position, kP + 8);
  EXPECT_EQ(r.consumed, 3);
}

// Reader over `bits` (a string of '0'/'1', padded with zeros to whole bytes).
struct BitString {
  explicit BitString(const std::string& bits) : bytes((bits.size() + 7) / 8 + 4, 0) {
    for (size_t i = 0; i < bits.size(); ++i)
      if (bits[i] == '1') bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  }
  BitReader reader() const {
    BitReader r = Over(bytes.data(), static_cast<int64_t>(bytes.size()));
    r.LoadAt(0);
    return r;
  }
  std::vector<uint8_t> bytes;
};

TEST(BitReader, ExpGolomb) {
  EXPECT_EQ(BitString("1").reader().ReadUE(), 0u);
  EXPECT_EQ(BitString("010").reader().ReadUE(), 1u);
  EXPECT_EQ(BitString("011").reader().ReadUE(), 2u);
  EXPECT_EQ(BitString("00111").reader().ReadUE(), 6u);
  EXPECT_EQ(BitString("0001000").reader().ReadUE(), 7u);
  EXPECT_EQ(BitString("010").reader().ReadSE(), 1);
  EXPECT_EQ(BitString("011").reader().ReadSE(), -1);
  EXPECT_EQ(BitString("00100").reader().ReadSE(), 2);
  EXPECT_EQ(BitString("00101").reader().ReadSE(), -2);

  // Codes read back to back: 1 | 011 | 00111 | 1.
  const BitString codes("1011001111");
  BitReader r = codes.reader();
  EXPECT_EQ(r.ReadUE(), 0u);
  EXPECT_EQ(r.ReadUE(), 2u);
  EXPECT_EQ(r.ReadUE(), 6u);
  EXPECT_EQ(r.ReadFlag(), true);
  EXPECT_EQ(r.bitPosition(), 10);
}

TEST(BitReader, BeyondLoadedReadsZero) {
  // Array holds FF FF FF FF FF FF, but only 2 bytes are loaded.
  const uint8_t ones[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  BitReader r = Over(ones, 2);
  r.LoadAt(0);
  EXPECT_EQ(r.window, 0xFFFF0000u);
  EXPECT_EQ(r.ReadBits(12), 0xFFFu);
  EXPECT_EQ(r.ReadBits(8), 0xF0u);
  EXPECT_EQ(r.ReadBits(32), 0u);
  EXPECT_TRUE(r.pastEnd());

  // A zero run that reaches the end stops there.
  const uint8_t zeros[64] = {};
  BitReader z = Over(zeros, sizeof zeros);
  z.LoadAt(0);
  EXPECT_EQ(z.ReadUE(), 0u);
  EXPECT_TRUE(z.pastEnd());
  EXPECT_EQ(z.ReadSE(), 0);
  BitReader empty = Over(ones, 0);
  empty.LoadAt(0);
  EXPECT_EQ(empty.ReadUE(), 0u);
}

TEST(BitReader, SkipsAndReadsMatchBitModel) {
  std::mt19937 random(7);
  std::vector<uint8_t> data(256);
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  auto bitAt = [&](int64_t i) { return i < 256 * 8 ? (data[i / 8] >> (7 - i % 8)) & 1 : 0; };

  BitReader r = Over(data.data(), static_cast<int64_t>(data.size()));
  r.LoadAt(0);
  int64_t at = 0;  // model position in bits
  while (at < 256 * 8 - 64) {
    int n = 1 + static_cast<int>(random() % 32);
    if (random() % 2) {
      r.SkipBits(n);
    } else {
      uint32_t expected = 0;
      for (int i = 0; i < n; ++i) expected = expected << 1 | bitAt(at + i);
      ASSERT_EQ(r.ReadBits(n), expected) << "at bit " << at << ", width " << n;
    }
    at += n;
    ASSERT_EQ(r.bitPosition(), at);
    ASSERT_LT(r.consumed, 8);
    const ByteView view{data.data(), 256};
    ASSERT_EQ(r.window, view.be32(r.position - 4) << r.consumed);
  }
}

}  // namespace
}  // namespace klarvex
