#include "analysers/lpcm_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analyser_support.h"
#include "analysers/dispatch.h"

namespace klarvex {
namespace {

using RecordingLog = testing::LineLog;

using Lines = std::vector<std::string>;

// The 7 bytes the walker consumes in front of LPCM audio: substream id,
// frame header count, first access unit pointer (2), then the LPCM header:
// emphasis / mute / frame number, word length (2 bits) sample rate (2)
// reserved (1) channels - 1 (3), dynamic range.
using Header = std::vector<uint8_t>;

// Runs the analyser on `header` followed by `audio`, the piece starting at
// the first audio byte; the view ends where the bytes end.
Lines LpcmLines(const Header& header, std::vector<uint8_t> audio = {0x12, 0x34}, int64_t count = 2) {
  std::vector<uint8_t> bytes = header;
  bytes.insert(bytes.end(), audio.begin(), audio.end());
  RecordingLog log;
  LpcmInfo(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, static_cast<int64_t>(header.size()), count, log);
  return log.lines;
}

class LpcmInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(LpcmInfoTest, DvdVideoHeader) {
  // A0 | 7 frame headers | pointer 0004 | frame 12 | 16 bit, 48 kHz, 2 ch | no dynamic range
  EXPECT_EQ(LpcmLines({0xA0, 0x07, 0x00, 0x04, 0x0C, 0x01, 0x80}),
            (Lines{"   Number of frame headers = 7", "   First acces unit pointer = 0004",
                   "   Emphasis = off, mute = off", "   Frame number = 12", "   Quantization length = [bl]16[/bl] bits",
                   "   Sampling frequency = [bl]48[/bl] kHz", "   Number of audio channels = [bl]2[/bl]"}));
}

TEST_F(LpcmInfoTest, FieldsAtTheirBits) {
  // 10 01 0 111: word length 2, rate 1, 8 channels.
  auto lines = LpcmLines({0xA3, 0xFF, 0xAB, 0xCD, 0xC0, 0x97, 0x80});
  EXPECT_EQ(lines,
            (Lines{"   Number of frame headers = 255", "   First acces unit pointer = ABCD",
                   "   Emphasis = on, mute = on", "   Frame number = 0", "   Quantization length = [bl]24[/bl] bits",
                   "   Sampling frequency = [bl]96[/bl] kHz", "   Number of audio channels = [bl]8[/bl]"}));
  EXPECT_EQ(LpcmLines({0xA0, 0x00, 0x00, 0x00, 0x9F, 0x60, 0x80})[2], "   Emphasis = on, mute = off");
  EXPECT_EQ(LpcmLines({0xA0, 0x00, 0x00, 0x00, 0x9F, 0x60, 0x80})[3], "   Frame number = 31");
  EXPECT_EQ(LpcmLines({0xA0, 0x00, 0x00, 0x00, 0x40, 0x60, 0x80})[2], "   Emphasis = off, mute = on");
  EXPECT_EQ(LpcmLines({0xA0, 0x00, 0x00, 0x00, 0x00, 0x60, 0x80})[5], "   Sampling frequency = [bl]192[/bl] kHz");
  EXPECT_EQ(LpcmLines({0xA0, 0x00, 0x00, 0x00, 0x00, 0x40, 0x80})[4], "   Quantization length = [bl]20[/bl] bits");
}

TEST_F(LpcmInfoTest, FormatIsGivenBack) {
  struct Row {
    uint8_t format;  // byte 5
    int channels, sampleRate, bitsPerSample;
  };
  const Row rows[] = {
      {0x01, 2, 48000, 16}, {0x05, 6, 48000, 16}, {0x0D, 6, 48000, 16},  // the reserved bit 3 is not a channel bit
      {0x91, 2, 96000, 24}, {0x97, 8, 96000, 24}, {0x60, 1, 192000, 20}, {0xF0, 1, 0, 0},  // code 3 has no value
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.format));
    std::vector<uint8_t> bytes = {0xA0, 0x01, 0x00, 0x04, 0x00, row.format, 0x80, 0x12, 0x34};
    RecordingLog log;
    StreamFacts facts = AnalyseFirstPayload(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())},
                                            AnalyserCall{AnalyserRoute::Lpcm, 7, 2}, log);
    ASSERT_EQ(log.lines.size(), 7u);
    EXPECT_EQ(log.lines[6], "   Number of audio channels = [bl]" + std::to_string(row.channels) + "[/bl]");
    EXPECT_EQ(facts.channels, row.channels);
    EXPECT_EQ(facts.sampleRate, row.sampleRate);
    EXPECT_EQ(facts.bitsPerSample, row.bitsPerSample);
    EXPECT_EQ(facts.bitRate, int64_t{row.sampleRate} * row.bitsPerSample * row.channels);
    EXPECT_EQ(facts.coding, "LPCM");
    EXPECT_FALSE(facts.frameRate);
  }
  // Nothing read, nothing known but the coding.
  RecordingLog log;
  StreamFacts none = LpcmInfo(ByteView{nullptr, 0}, 7, 0, log);
  EXPECT_EQ(none.channels + none.sampleRate + none.bitsPerSample + none.bitRate, 0);
  EXPECT_EQ(none.coding, "LPCM");
}

TEST_F(LpcmInfoTest, CodeThreeShowsEmptyTexts) {
  auto lines = LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0xF0, 0x80});
  EXPECT_EQ(lines[4], "   Quantization length = [bl][/bl] bits");
  EXPECT_EQ(lines[5], "   Sampling frequency = [bl][/bl] kHz");
  EXPECT_EQ(lines[6], "   Number of audio channels = [bl]1[/bl]");
}

TEST_F(LpcmInfoTest, DynamicRange) {
  EXPECT_EQ(LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0x01, 0x00}).back(), "   Dynamic range = 24.082 dB");
  EXPECT_EQ(LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0x01, 0x21}).back(), "   Dynamic range = 17.8607 dB");
  EXPECT_EQ(LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0x01, 0xFF}).back(), "   Dynamic range = -24.2839 dB");
  EXPECT_EQ(LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0x01, 0x80}).size(), 7u);
}

TEST_F(LpcmInfoTest, DynamicRangeFollowsTheLocaleSeparator) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  auto lines = LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, 0x01, 0x21});
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(lines.back(), "   Dynamic range = 17,8607 dB");
}

TEST_F(LpcmInfoTest, CountOnlyGatesTheReport) {
  const Header header = {0xA0, 0x07, 0x00, 0x04, 0x0C, 0x01, 0x80};
  EXPECT_EQ(LpcmLines(header, {0x12, 0x34}, 0), Lines{});
  EXPECT_EQ(LpcmLines(header, {0x12, 0x34}, -1), Lines{});
  // One byte, or no audio loaded at all: the header alone is read.
  EXPECT_EQ(LpcmLines(header, {0x12, 0x34}, 1).size(), 7u);
  EXPECT_EQ(LpcmLines(header, {}, 2000), LpcmLines(header));
}

TEST_F(LpcmInfoTest, HeaderBytesBeforeTheBufferReadAsZero) {
  // Start 3: frame header count and pointer lie before index 0.
  EXPECT_EQ(LpcmLines({0x0C, 0x01, 0x80}),
            (Lines{"   Number of frame headers = 0", "   First acces unit pointer = 0000",
                   "   Emphasis = off, mute = off", "   Frame number = 12", "   Quantization length = [bl]16[/bl] bits",
                   "   Sampling frequency = [bl]48[/bl] kHz", "   Number of audio channels = [bl]2[/bl]"}));
  // Start 0: every header byte is zero, so a dynamic range is shown.
  EXPECT_EQ(LpcmLines({}),
            (Lines{"   Number of frame headers = 0", "   First acces unit pointer = 0000",
                   "   Emphasis = off, mute = off", "   Frame number = 0", "   Quantization length = [bl]16[/bl] bits",
                   "   Sampling frequency = [bl]48[/bl] kHz", "   Number of audio channels = [bl]1[/bl]",
                   "   Dynamic range = 24.082 dB"}));
}

// --- Real streams -----------------------------------------------------------

using testing::FixtureFacts;

using testing::FixtureHead;

// Audio of a DVD-Video LPCM pack behind the header the authoring tool wrote
// for it; the rest of the 4 KiB read is the file's next samples.
Lines RealLpcmLines(const std::string& file, uint8_t format) {
  auto audio = FixtureHead(file, 4096);
  EXPECT_EQ(audio.size(), 4096u);
  return LpcmLines({0xA0, 0x01, 0x00, 0x04, 0x00, format, 0x80}, audio, 2000);
}

Lines ExpectedFromFacts(const std::string& file) {
  auto facts = FixtureFacts(file);
  return {"   Number of frame headers = 1",
          "   First acces unit pointer = 0004",
          "   Emphasis = off, mute = off",
          "   Frame number = 0",
          "   Quantization length = [bl]" + facts["bits_per_sample"] + "[/bl] bits",
          "   Sampling frequency = [bl]" + std::to_string(std::stoi(facts["sample_rate"]) / 1000) + "[/bl] kHz",
          "   Number of audio channels = [bl]" + facts["channels"] + "[/bl]"};
}

TEST_F(LpcmInfoTest, RealSixteenBitStream) {
  ASSERT_EQ(FixtureFacts("lpcm_s16be_stereo.pcm")["sample_rate"], "48000");
  // 00 00 0 001: 16 bit, 48 kHz, 2 channels.
  EXPECT_EQ(RealLpcmLines("lpcm_s16be_stereo.pcm", 0x01), ExpectedFromFacts("lpcm_s16be_stereo.pcm"));
}

TEST_F(LpcmInfoTest, RealTwentyFourBitStream) {
  ASSERT_EQ(FixtureFacts("lpcm_s24_stereo.raw")["sample_rate"], "48000");
  // 10 00 0 001: 24 bit, 48 kHz, 2 channels.
  EXPECT_EQ(RealLpcmLines("lpcm_s24_stereo.raw", 0x81), ExpectedFromFacts("lpcm_s24_stereo.raw"));
}

}  // namespace
}  // namespace klarvex
