#include "analysers/subpicture_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using RecordingLog = testing::LineLog;

std::vector<std::string> FormatLines(const std::vector<uint8_t>& bytes, int64_t loaded, int64_t start) {
  RecordingLog log;
  SubpictureFormat(ByteView{bytes.data(), loaded}, start, log);
  return log.lines;
}

const std::vector<std::string> k8Bit = {"   Format = [bl]8bitRLE[/bl]"};
const std::vector<std::string> k2Bit = {"   Format = [bl]2bitRLE[/bl]"};

TEST(SubpictureFormat, FirstTwoBytesDecide) {
  // 8-bit RLE units begin 00 00; a 2-bit unit begins with its size (00 10 = 16 bytes).
  EXPECT_EQ(FormatLines({0x00, 0x00, 0x12, 0x34}, 4, 0), k8Bit);
  EXPECT_EQ(FormatLines({0x00, 0x10, 0x00, 0x00}, 4, 0), k2Bit);
  EXPECT_EQ(FormatLines({0x10, 0x00}, 2, 0), k2Bit);
  EXPECT_EQ(FormatLines({0xFF, 0x00, 0x10, 0x00, 0x00}, 5, 1), k2Bit);  // read at `start`
  EXPECT_EQ(FormatLines({0xFF, 0x00, 0x00}, 3, 1), k8Bit);
}

TEST(SubpictureFormat, FactsNameTheRunLengthCoding) {
  RecordingLog log;
  const std::vector<uint8_t> bytes = {0x00, 0x00, 0x00, 0x10};
  StreamFacts eightBit = SubpictureFormat(ByteView{bytes.data(), 4}, 0, log);
  StreamFacts twoBit = SubpictureFormat(ByteView{bytes.data(), 4}, 2, log);
  EXPECT_EQ(eightBit.coding, "Subpicture");
  EXPECT_EQ(eightBit.rleBits, 8);
  EXPECT_EQ(twoBit.rleBits, 2);
  EXPECT_EQ(log.lines, (std::vector<std::string>{k8Bit[0], k2Bit[0]}));
}

TEST(SubpictureFormat, BytesBeyondLoadedAreZero) {
  // The array holds 00 10, but only the first byte was loaded: 00 00.
  EXPECT_EQ(FormatLines({0x00, 0x10}, 1, 0), k8Bit);
  EXPECT_EQ(FormatLines({0x05, 0x05}, 2, 2), k8Bit);
}

}  // namespace
}  // namespace klarvex
