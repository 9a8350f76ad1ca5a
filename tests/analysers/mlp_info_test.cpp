#include "analysers/mlp_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using RecordingLog = testing::LineLog;

using Lines = std::vector<std::string>;

// Runs the analyser over `bytes`, all of them loaded, on the piece of
// `count` bytes from `start`.
Lines MlpPiece(const std::vector<uint8_t>& bytes, int64_t start, int64_t count) {
  RecordingLog log;
  MlpInfo(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, start, count, log);
  return log.lines;
}

StreamFacts MlpFacts(const std::vector<uint8_t>& bytes, int64_t count = -1) {
  RecordingLog log;
  const int64_t size = static_cast<int64_t>(bytes.size());
  return MlpInfo(ByteView{bytes.data(), size}, 0, count < 0 ? size : count, log);
}

// The piece from `start` to the end of the bytes.
Lines MlpLines(const std::vector<uint8_t>& bytes, int64_t start = 0) {
  return MlpPiece(bytes, start, static_cast<int64_t>(bytes.size()) - start);
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<uint8_t> kTrueHdSync = {0xF8, 0x72, 0x6F, 0xBA};
const std::vector<uint8_t> kMlpSync = {0xF8, 0x72, 0x6F, 0xBB};
const std::string kTrueHdLine = "   [b]TrueHD[/b] stream (up to 8 channels)";
const std::string kMlpLine = "   [b]Standard MLP[/b] stream (up to 6 channels) ";
const std::string kAllSix =
    "      channel arrangement = [bl]Main (Left,Right), Centre, LFE, Surrounds (Ls/Rs), Highs (Lvh/Rvh)[/bl]";
const std::string kFrontFour = "      channel arrangement = [bl]Main (Left,Right), Centre, LFE, Surrounds (Ls/Rs)[/bl]";

class MlpInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(MlpInfoTest, TrueHdMajorSync) {
  // rate 0 | mod2 01, mod6 00, assign6 1111 | 1 (assign6 low bit), mod8 00, assign8 0 0000
  //        | assign8 0000 1111 | dynamic range 21 00 | last byte, not examined
  auto bytes = Concat(kTrueHdSync, {0x00, 0x4F, 0x80, 0x0F, 0x21, 0x00, 0xEE});
  EXPECT_EQ(MlpLines(bytes),
            (Lines{kTrueHdLine, "   Sampling frequency = [bl]48[/bl] kHz", "   2 ch. decoder",
                   "      channel modifier = Lt/Rt", "   6 ch. decoder", "      channel modifier = Stereo", kAllSix,
                   "   8 ch. decoder", "      channel modifier = Stereo", kFrontFour,
                   "   Dynamic range control = 17.8607 dB .. 24.082 dB"}));
}

TEST_F(MlpInfoTest, TrueHdAssignmentsNameEverySetBit) {
  auto sixLine = [](uint8_t byte2, uint8_t byte3) {
    return MlpLines(Concat(kTrueHdSync, {0x00, byte2, byte3, 0x00, 0x00})).at(6);
  };
  EXPECT_EQ(sixLine(0x05, 0x80), "      channel arrangement = [bl]Main (Left,Right), Centre, Surrounds (Ls/Rs)[/bl]");
  EXPECT_EQ(sixLine(0x05, 0x00), "      channel arrangement = [bl]Centre, Surrounds (Ls/Rs)[/bl]");
  EXPECT_EQ(sixLine(0x00, 0x00), "      channel arrangement = [bl][/bl]");

  // mod8 11; assign8 1 1111 1111 1111: all 13 groups.
  auto lines = MlpLines(Concat(kTrueHdSync, {0x00, 0x00, 0x7F, 0xFF, 0x00, 0x00}));
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[8], "      channel modifier = Mono");
  EXPECT_EQ(lines[9],
            "      channel arrangement = [bl]Main (Left,Right), Centre, LFE, Surrounds (Ls/Rs), Front Highs (Lvh/Rvh), "
            "Inner fronts (Lc/Rc), Rears (Lrs/Rrs), Centre surround (Cs), Top (Ts), Surround Directs (Lsd/Rsd), "
            "Front Wide (Lw/Rw), Centre Front High (Cvh), LFE2[/bl]");
}

TEST_F(MlpInfoTest, MlpMajorSync) {
  // word length 2 | rate 2 | (byte 3 unused) | assignment 4 | dynamic range 00 00 | not examined
  auto bytes = Concat(kMlpSync, {0x22, 0x21, 0x55, 0x04, 0x00, 0x00, 0xEE});
  EXPECT_EQ(
      MlpLines(bytes),
      (Lines{kMlpLine, "   Quantization length = [bl]24[/bl] bits", "   Sampling frequency = [bl]192[/bl] kHz",
             "   Channel arrangement = [bl]Lf + Rf + LFE[/bl]", "   Dynamic range control = 24.082 dB .. 24.082 dB"}));
}

TEST_F(MlpInfoTest, FactsOfTheFirstMajorSync) {
  const struct {
    const char* name;
    std::vector<uint8_t> info;  // after the sync word
    bool trueHd;
    int channels, sampleRate, bitsPerSample;
  } rows[] = {
      // The largest presentation counts: all five groups of the 6-channel one.
      {"TrueHD, 6 ch. presentation of 8", {0x00, 0x4F, 0x80, 0x0F, 0x21, 0x00, 0xEE}, true, 8, 48000, 0},
      // 6 ch. 5.1 (0 1111), 8 ch. 7.1 with the rears (0 0000 0100 1111).
      {"TrueHD 7.1", {0x80, 0x07, 0x80, 0x4F, 0x80, 0x00, 0xEE}, true, 8, 44100, 0},
      {"TrueHD, no assignment", {0x10, 0x00, 0x00, 0x00, 0x80, 0x00, 0xEE}, true, 0, 96000, 0},
      {"MLP Lf + Rf + LFE", {0x22, 0x21, 0x55, 0x04, 0x00, 0x00, 0xEE}, false, 3, 192000, 24},
      {"MLP, codes without a value", {0x30, 0x30, 0x00, 0x15, 0x80, 0x00, 0xEE}, false, 0, 0, 0},
      {"MLP 5.1 at 44.1 kHz", {0x10, 0x80, 0x00, 0x14, 0x80, 0x00, 0xEE}, false, 6, 44100, 20},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StreamFacts facts = MlpFacts(Concat(row.trueHd ? kTrueHdSync : kMlpSync, row.info));
    EXPECT_EQ(facts.coding, row.trueHd ? "TrueHD" : "MLP");
    EXPECT_EQ(facts.channels, row.channels);
    EXPECT_EQ(facts.sampleRate, row.sampleRate);
    EXPECT_EQ(facts.bitsPerSample, row.bitsPerSample);
  }
  // A later major sync describes the stream again, but the first one's facts stand.
  auto first = Concat(kMlpSync, {0x00, 0x00, 0x00, 0x01, 0x80, 0x00});
  auto second = Concat(kMlpSync, {0x22, 0x21, 0x55, 0x04, 0x00, 0x00, 0xEE});
  StreamFacts facts = MlpFacts(Concat(first, second));
  EXPECT_EQ(facts.channels, 2);
  EXPECT_EQ(facts.bitsPerSample, 16);
  EXPECT_EQ(MlpFacts({0x12, 0x34, 0x56}).coding, "") << "no major sync";
}

TEST_F(MlpInfoTest, DynamicRangeOfFirstByte80IsNotShown) {
  EXPECT_EQ(MlpLines(Concat(kMlpSync, {0x00, 0x00, 0x00, 0x01, 0x80, 0x00, 0xEE})).size(), 4u);
  EXPECT_EQ(MlpLines(Concat(kTrueHdSync, {0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0xEE})).size(), 10u);
}

TEST_F(MlpInfoTest, DynamicRangeFollowsTheLocaleSeparator) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  auto lines = MlpLines(Concat(kMlpSync, {0x00, 0x00, 0x00, 0x01, 0x00, 0x21, 0xEE}));
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4], "   Dynamic range control = 24,082 dB .. 17,8607 dB");
}

TEST_F(MlpInfoTest, CodesWithoutARowShowEmptyTexts) {
  // word length 3, rate 3, DVD-Audio assignment 21; then word length 15, rate 15, assignment 31.
  auto lines = MlpLines(Concat(kMlpSync, {0x30, 0x30, 0x00, 0x15, 0x80, 0x00, 0xEE}));
  EXPECT_EQ(lines, (Lines{kMlpLine, "   Quantization length = [bl][/bl] bits", "   Sampling frequency = [bl][/bl] kHz",
                          "   Channel arrangement = [bl][/bl]"}));
  lines = MlpLines(Concat(kMlpSync, {0xF0, 0xF0, 0x00, 0xFF, 0x80, 0x00, 0xEE}));
  EXPECT_EQ(lines, (Lines{kMlpLine, "   Quantization length = [bl][/bl] bits", "   Sampling frequency = [bl][/bl] kHz",
                          "   Channel arrangement = [bl][/bl]"}));
  EXPECT_EQ(MlpLines(Concat(kTrueHdSync, {0x70, 0x00})).at(1), "   Sampling frequency = [bl][/bl] kHz");
  EXPECT_EQ(MlpLines(Concat(kTrueHdSync, {0x80, 0x00})).at(1), "   Sampling frequency = [bl]44.1[/bl] kHz");
}

TEST_F(MlpInfoTest, PieceEndsBeforeItsLastByte) {
  // The sync word's last byte is the piece's last byte: not examined.
  EXPECT_EQ(MlpLines(kTrueHdSync), Lines{});
  EXPECT_EQ(MlpLines(Concat(kTrueHdSync, {0x00})), Lines{kTrueHdLine});
  // A header cut by the piece writes only the lines its bytes reached,
  // although the buffer holds the rest.
  auto bytes = Concat(kMlpSync, {0x22, 0x21, 0x55, 0x04, 0x00, 0x00, 0xEE});
  EXPECT_EQ(MlpPiece(bytes, 0, 6), (Lines{kMlpLine, "   Quantization length = [bl]24[/bl] bits"}));
  EXPECT_EQ(MlpPiece(bytes, 0, 0), Lines{});
  EXPECT_EQ(MlpPiece(bytes, 0, -5), Lines{});
}

TEST_F(MlpInfoTest, HeaderCutAtTheEndOfTheBufferReadsZeros) {
  // Only the sync word and the sample rate byte were loaded; the piece claims more.
  auto bytes = Concat(kTrueHdSync, {0x10});
  EXPECT_EQ(MlpPiece(bytes, 0, 100),
            (Lines{kTrueHdLine, "   Sampling frequency = [bl]96[/bl] kHz", "   2 ch. decoder",
                   "      channel modifier = Stereo", "   6 ch. decoder", "      channel modifier = Stereo",
                   "      channel arrangement = [bl][/bl]", "   8 ch. decoder", "      channel modifier = Stereo",
                   "      channel arrangement = [bl][/bl]", "   Dynamic range control = 24.082 dB .. 24.082 dB"}));
  // A piece that starts past the loaded bytes finds nothing.
  EXPECT_EQ(MlpPiece(bytes, 50, 100), Lines{});
}

TEST_F(MlpInfoTest, BytesBeforeThePieceAreNotRead) {
  // F8 72 6F in front of the start would complete a sync word with BA.
  auto bytes = Concat(kTrueHdSync, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE});
  EXPECT_EQ(MlpLines(bytes, 3), Lines{});
}

TEST_F(MlpInfoTest, EverySyncWordStartsANewReport) {
  auto header = Concat(kMlpSync, {0x00, 0x00, 0x00, 0x01, 0x80, 0x00});
  auto lines = MlpLines(Concat(Concat(header, {0x12, 0x34}), Concat(header, {0xEE})));
  Lines one = {kMlpLine, "   Quantization length = [bl]16[/bl] bits", "   Sampling frequency = [bl]48[/bl] kHz",
               "   Channel arrangement = [bl]L + R[/bl]"};
  Lines twice = one;
  twice.insert(twice.end(), one.begin(), one.end());
  EXPECT_EQ(lines, twice);

  // A sync word two info bytes into a countdown restarts it; the bytes of
  // the sync word itself were counted down as info bytes.
  lines = MlpLines(Concat(Concat(kMlpSync, {0x22}), Concat(header, {0xEE})));
  Lines restarted = {kMlpLine, "   Quantization length = [bl]24[/bl] bits", "   Sampling frequency = [bl][/bl] kHz",
                     "   Channel arrangement = [bl]Lf + Rf + C + LFE[/bl]"};
  restarted.insert(restarted.end(), one.begin(), one.end());
  EXPECT_EQ(lines, restarted);
}

// --- Real streams -----------------------------------------------------------

using testing::FixtureFacts;

using testing::FixtureHead;

std::string KhzText(int hertz) {
  std::string text = std::to_string(hertz / 1000);
  return hertz % 1000 ? text + "." + std::to_string(hertz % 1000 / 100) : text;
}

// Speakers named by an arrangement line: a group written with a pair in
// brackets ("Main (Left,Right)", "Surrounds (Ls/Rs)") is two.
int SpeakerCount(const std::string& line) {
  size_t open = line.find("[bl]") + 4;
  std::string names = line.substr(open, line.find("[/bl]") - open) + ",";
  int speakers = 0;
  int depth = 0;
  bool pair = false;
  for (char c : names) {
    if (c == '(') {
      ++depth;
      pair = true;
    } else if (c == ')') {
      --depth;
    } else if (c == ',' && depth == 0) {
      speakers += pair ? 2 : 1;
      pair = false;
    }
  }
  return speakers;
}

// A 4 KiB buffer from the stream's start, holding a first payload of a
// pack's size followed by what comes next in the file.
constexpr size_t kBufferBytes = 4096;
constexpr int64_t kFirstPayloadBytes = 2010;

TEST_F(MlpInfoTest, RealTrueHdStream) {
  auto facts = FixtureFacts("truehd_51.thd");
  ASSERT_EQ(facts["sample_rate"], "48000");
  ASSERT_EQ(facts["channel_layout"], "5.1(side)");
  auto bytes = FixtureHead("truehd_51.thd", kBufferBytes);
  ASSERT_EQ(bytes.size(), kBufferBytes);

  // The piece holds one major sync (the next is at 2548). The encoder marks
  // the 2-channel presentation Lbin/Rbin and the 6-channel one Lt/Rt; the
  // dynamic range bytes hold B7 52.
  Lines expected = {kTrueHdLine,
                    "   Sampling frequency = [bl]" + KhzText(std::stoi(facts["sample_rate"])) + "[/bl] kHz",
                    "   2 ch. decoder",
                    "      channel modifier = Lbin/Rbin",
                    "   6 ch. decoder",
                    "      channel modifier = Lt/Rt",
                    kFrontFour,
                    "   8 ch. decoder",
                    "      channel modifier = Lbin/Rbin",
                    kFrontFour,
                    "   Dynamic range control = -10.6371 dB .. 8.4282 dB"};
  auto lines = MlpPiece(bytes, 0, kFirstPayloadBytes);
  EXPECT_EQ(lines, expected);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(SpeakerCount(lines[6]), std::stoi(facts["channels"]));
  EXPECT_EQ(SpeakerCount(lines[9]), std::stoi(facts["channels"]));
  EXPECT_NE(lines[6].find("LFE"), std::string::npos);  // the ".1"
  StreamFacts found = MlpFacts(bytes, kFirstPayloadBytes);
  EXPECT_EQ(found.coding, "TrueHD");
  EXPECT_EQ(std::to_string(found.channels), facts["channels"]);
  EXPECT_EQ(std::to_string(found.sampleRate), facts["sample_rate"]);
  EXPECT_EQ(found.bitsPerSample, 0) << "the major sync states no word length";

  // The whole buffer as the piece: both major syncs are reported.
  auto twice = expected;
  twice.insert(twice.end(), expected.begin(), expected.end());
  EXPECT_EQ(MlpLines(bytes), twice);
}

TEST_F(MlpInfoTest, RealMlpStream) {
  auto facts = FixtureFacts("mlp_stereo.mlp");
  ASSERT_EQ(facts["channel_layout"], "stereo");
  auto bytes = FixtureHead("mlp_stereo.mlp", kBufferBytes);
  ASSERT_EQ(bytes.size(), kBufferBytes);

  // Major syncs at 4, 864 and 1844 lie in the piece.
  Lines report = {kMlpLine, "   Quantization length = [bl]" + facts["bits_per_sample"] + "[/bl] bits",
                  "   Sampling frequency = [bl]" + KhzText(std::stoi(facts["sample_rate"])) + "[/bl] kHz",
                  "   Channel arrangement = [bl]L + R[/bl]", "   Dynamic range control = -10.6371 dB .. 8.4282 dB"};
  EXPECT_EQ(std::stoi(facts["channels"]), 2);  // "L + R"
  Lines expected;
  for (int sync = 0; sync < 3; ++sync) expected.insert(expected.end(), report.begin(), report.end());
  EXPECT_EQ(MlpPiece(bytes, 0, kFirstPayloadBytes), expected);
  StreamFacts found = MlpFacts(bytes, kFirstPayloadBytes);
  EXPECT_EQ(found.coding, "MLP");
  EXPECT_EQ(std::to_string(found.channels), facts["channels"]);
  EXPECT_EQ(std::to_string(found.sampleRate), facts["sample_rate"]);
  EXPECT_EQ(std::to_string(found.bitsPerSample), facts["bits_per_sample"]);
}

}  // namespace
}  // namespace klarvex
