#include "analysers/vc1_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "analyser_support.h"
#include "bit_writer.h"

namespace klarvex {
namespace {

using RecordingLog = testing::LineLog;

using testing::BitWriter;

// Sequence header fields, by default those of tests/data/vc1_ap_1080p.vc1.
struct SequenceHeader {
  uint32_t profile = 3, level = 3, colordiff = 1;
  uint32_t codedWidth = 959, codedHeight = 539;
  uint32_t pulldown = 0, interlace = 0, psf = 0, displayExt = 1;
  uint32_t displayWidth = 1919, displayHeight = 1079;
  uint32_t aspectFlag = 1, aspect = 1, aspectHoriz = 0, aspectVert = 0;
  uint32_t frameRateFlag = 1, frameRateInd = 0, frameRateNr = 1, frameRateDr = 2, frameRateExp = 0;
  uint32_t hrdBuckets = 0, bitRateExponent = 0, hrdRate = 0;  // no HRD_PARAM without buckets

  std::vector<uint8_t> bytes() const {
    BitWriter w;
    w.put(0x0000010F, 32);
    w.put(profile, 2), w.put(level, 3), w.put(colordiff, 2);
    w.put(5, 3), w.put(31, 5), w.put(0, 1);  // post-processing fields
    w.put(codedWidth, 12), w.put(codedHeight, 12);
    w.put(pulldown, 1), w.put(interlace, 1), w.put(0, 2), w.put(1, 1), w.put(psf, 1), w.put(displayExt, 1);
    if (displayExt) {
      w.put(displayWidth, 14), w.put(displayHeight, 14), w.put(aspectFlag, 1);
      if (aspectFlag) w.put(aspect, 4);
      if (aspectFlag && aspect == 15) w.put(aspectHoriz, 8), w.put(aspectVert, 8);
      w.put(frameRateFlag, 1);
      if (frameRateFlag) {
        w.put(frameRateInd, 1);
        if (frameRateInd)
          w.put(frameRateExp, 16);
        else
          w.put(frameRateNr, 8), w.put(frameRateDr, 4);
      }
      w.put(1, 1), w.put(0x010101, 24);  // BT.709 colour format
    }
    w.put(hrdBuckets != 0, 1);
    if (hrdBuckets) {
      w.put(hrdBuckets, 5), w.put(bitRateExponent, 4), w.put(3, 4);  // BUFFER_SIZE_EXPONENT
      for (uint32_t i = 0; i < hrdBuckets; ++i) w.put(hrdRate + i, 16), w.put(0x0400, 16);
    }
    w.put(1, 1);  // flushing bit
    return w.bytes();
  }
};

struct Result {
  std::vector<std::string> lines;
  std::optional<double> frameRate;
  StreamFacts facts;
};

// The whole of `bytes` is loaded; the piece is [start, start + count).
Result Analyse(const std::vector<uint8_t>& bytes, int64_t start, int64_t count) {
  RecordingLog log;
  StreamFacts facts = Vc1Info(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, start, count, 0, log);
  return {log.lines, facts.frameRate, facts};
}

Result Analyse(const std::vector<uint8_t>& bytes) { return Analyse(bytes, 0, static_cast<int64_t>(bytes.size())); }

std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

const std::vector<std::string> kHead = {"   Profile = Advanced", "   Level = 3", "   Chroma Format = [bl]4:2:0[/bl]",
                                        "   Size = [bl]1920[/bl]x[bl]1080[/bl]"};
const std::string kDisplay = "   Display size = [bl]1920[/bl]x[bl]1080[/bl]";
const std::string kSquare = "   Aspect ratio = [bl]1:1[/bl] (square samples)";

class Vc1InfoTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(Vc1InfoTest, DescribesAnAdvancedProfileHeader) {
  Result r = Analyse(SequenceHeader{}.bytes());
  EXPECT_EQ(r.lines, With(kHead, {kDisplay, kSquare, "   Frame Rate = [bl]23.976[/bl] (24000/1001)"}));
  EXPECT_EQ(r.frameRate, 24000.0 / 1001.0);
}

struct FactsRow {
  const char* name;
  void (*change)(SequenceHeader&);
  const char* frameRate;    // exact
  const char* aspectRatio;  // display
  ScanType scan;
  int64_t bitRate;
};

TEST_F(Vc1InfoTest, FactsOfTheHeader) {
  const FactsRow rows[] = {
      {"the fixture's", [](SequenceHeader&) {}, "24000/1001", "16/9", ScanType::Progressive, 0},
      {"pulled down", [](SequenceHeader& h) { h.pulldown = 1, h.frameRateNr = 3; }, "24000/1001", "16/9",
       ScanType::Progressive, 0},
      {"25 fps", [](SequenceHeader& h) { h.frameRateNr = 2, h.frameRateDr = 1; }, "25/1", "16/9", ScanType::Progressive,
       0},
      {"explicit rate", [](SequenceHeader& h) { h.frameRateInd = 1, h.frameRateExp = 800; }, "801/32", "16/9",
       ScanType::Progressive, 0},
      {"reserved rate codes", [](SequenceHeader& h) { h.frameRateNr = 9, h.frameRateDr = 3; }, "none", "16/9",
       ScanType::Progressive, 0},
      {"anamorphic 1440x1080",
       [](SequenceHeader& h) { h.displayWidth = 1439, h.aspect = 15, h.aspectHoriz = 4, h.aspectVert = 3; },
       "24000/1001", "16/9", ScanType::Progressive, 0},
      {"720x480 at 10:11", [](SequenceHeader& h) { h.displayWidth = 719, h.displayHeight = 479, h.aspect = 3; },
       "24000/1001", "15/11", ScanType::Progressive, 0},
      {"reserved aspect code", [](SequenceHeader& h) { h.aspect = 14; }, "24000/1001", "none", ScanType::Progressive,
       0},
      {"unspecified aspect", [](SequenceHeader& h) { h.aspect = 0; }, "24000/1001", "none", ScanType::Progressive, 0},
      {"interlaced", [](SequenceHeader& h) { h.interlace = 1; }, "24000/1001", "16/9", ScanType::Interlaced, 0},
      {"two leaky buckets", [](SequenceHeader& h) { h.hrdBuckets = 2, h.bitRateExponent = 5, h.hrdRate = 0x1234; },
       "24000/1001", "16/9", ScanType::Progressive, int64_t{0x1235} << 11},
      {"HRD without display extension",
       [](SequenceHeader& h) { h.displayExt = 0, h.hrdBuckets = 1, h.bitRateExponent = 15, h.hrdRate = 0xFFFF; },
       "none", "none", ScanType::Progressive, int64_t{0x10000} << 21},
  };
  for (const FactsRow& row : rows) {
    SCOPED_TRACE(row.name);
    SequenceHeader h;
    row.change(h);
    StreamFacts facts = Analyse(h.bytes()).facts;
    EXPECT_EQ(facts.coding, "VC-1");
    EXPECT_EQ(facts.width, 1920) << "the coded size";
    EXPECT_EQ(facts.height, 1080);
    EXPECT_EQ(testing::RatioText(facts.frameRateExact), row.frameRate);
    EXPECT_EQ(testing::RatioText(facts.aspectRatio), row.aspectRatio);
    EXPECT_EQ(facts.scan, row.scan);
    EXPECT_EQ(facts.bitRate, row.bitRate);
  }
  StreamFacts none = Analyse({0x00, 0x00, 0x01, 0x0D, 0x80}).facts;
  EXPECT_EQ(none.coding, "VC-1");
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.scan, ScanType::Unknown);
}

TEST_F(Vc1InfoTest, PulldownTurnsThirtyIntoTwentyFour) {
  SequenceHeader h;
  h.frameRateNr = 3;
  Result r = Analyse(h.bytes());
  EXPECT_EQ(r.lines.back(), "   Frame Rate = [bl]29.97[/bl] (30000/1001)");
  EXPECT_EQ(r.frameRate, 30000.0 / 1001.0);
  h.pulldown = 1;
  r = Analyse(h.bytes());
  EXPECT_EQ(r.lines.back(), "   Frame Rate = [bl]23.976[/bl] (24000/1001)");
  EXPECT_EQ(r.frameRate, 24000.0 / 1001.0);
  h.frameRateNr = 2;  // only 30000 is pulled down
  EXPECT_EQ(Analyse(h.bytes()).lines.back(), "   Frame Rate = [bl]24.975[/bl] (25000/1001)");
}

TEST_F(Vc1InfoTest, RateFollowsTheLocaleSeparator) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  SequenceHeader h;
  h.frameRateNr = 3;
  std::string line = Analyse(h.bytes()).lines.back();
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(line, "   Frame Rate = [bl]29,97[/bl] (30000/1001)");
}

TEST_F(Vc1InfoTest, ExplicitFrameRate) {
  SequenceHeader h;
  h.frameRateInd = 1;
  h.frameRateExp = 767;
  Result r = Analyse(h.bytes());
  EXPECT_EQ(r.lines.back(), "   Frame Rate = [bl]24[/bl]");
  EXPECT_EQ(r.frameRate, 24.0);
  h.frameRateExp = 800;  // 801 / 32, not rounded
  EXPECT_EQ(Analyse(h.bytes()).lines.back(), "   Frame Rate = [bl]25.03125[/bl]");
}

TEST_F(Vc1InfoTest, ForbiddenAndReservedFrameRates) {
  SequenceHeader h;
  h.frameRateNr = 0;
  Result r = Analyse(h.bytes());
  EXPECT_EQ(r.lines,
            With(kHead, {kDisplay, kSquare, "   Forbidden Frame Rate!", "   Frame Rate = [bl]0[/bl] (0/1001)"}));
  EXPECT_EQ(r.frameRate, 0.0);

  h.frameRateNr = 9;
  h.frameRateDr = 3;
  r = Analyse(h.bytes());
  EXPECT_EQ(r.lines, With(kHead, {kDisplay, kSquare, "   Reserved Frame Rate!", "   Reserved Frame Rate!",
                                  "   Frame Rate = [bl]3[/bl] (9/3)"}));
  EXPECT_EQ(r.frameRate, 3.0);

  // A zero denominator gives no rate: warned about, neither shown nor stored.
  h.frameRateNr = 1;
  h.frameRateDr = 0;
  r = Analyse(h.bytes());
  EXPECT_EQ(r.lines, With(kHead, {kDisplay, kSquare, "   Forbidden Frame Rate!"}));
  EXPECT_EQ(r.frameRate, std::nullopt);
  h.frameRateNr = 0;
  r = Analyse(h.bytes());
  EXPECT_EQ(r.lines, With(kHead, {kDisplay, kSquare, "   Forbidden Frame Rate!", "   Forbidden Frame Rate!"}));
  EXPECT_EQ(r.frameRate, std::nullopt);
}

TEST_F(Vc1InfoTest, AspectRatios) {
  SequenceHeader h;
  h.aspect = 15;
  h.aspectHoriz = 16;
  h.aspectVert = 9;
  EXPECT_EQ(Analyse(h.bytes()).lines.at(5), "   Aspect ratio = 16:9");
  h.aspect = 14;  // reserved in VC-1, shown as the shared table's row
  EXPECT_EQ(Analyse(h.bytes()).lines.at(5), "   Aspect ratio = [bl]4:3[/bl]");
  h.aspect = 10;
  EXPECT_EQ(Analyse(h.bytes()).lines.at(5), "   Aspect ratio = [bl]18:11[/bl] (48$576 4:3)");
  h.aspect = 0;
  EXPECT_EQ(Analyse(h.bytes()).lines.at(5), "   Aspect ratio = unspecified");
  h.aspectFlag = 0;
  h.frameRateFlag = 0;
  Result r = Analyse(h.bytes());
  EXPECT_EQ(r.lines, With(kHead, {kDisplay}));
  EXPECT_EQ(r.frameRate, std::nullopt);
}

TEST_F(Vc1InfoTest, NoDisplayExtensionEndsAfterTheSize) {
  SequenceHeader h;
  h.displayExt = 0;
  h.psf = 1;
  Result r = Analyse(h.bytes());
  EXPECT_EQ(r.lines, With(kHead, {"  Progressive segmented frames."}));
  EXPECT_EQ(r.frameRate, std::nullopt);
}

TEST_F(Vc1InfoTest, ReservedProfileLevelAndChroma) {
  SequenceHeader h;
  h.profile = 1;
  h.level = 5;
  h.colordiff = 2;
  h.displayExt = 0;
  h.codedWidth = 359;
  h.codedHeight = 239;
  EXPECT_EQ(Analyse(h.bytes()).lines,
            (std::vector<std::string>{"   Profile = Reserved", "   Level = Reserved", "   Chroma Format = Reserved",
                                      "   Size = [bl]720[/bl]x[bl]480[/bl]"}));
  h.level = 4;
  EXPECT_EQ(Analyse(h.bytes()).lines.at(1), "   Level = 4");
}

TEST_F(Vc1InfoTest, SearchesThePieceForTheHeader) {
  // A frame before the header, and a second header (level 2) that must not win.
  std::vector<uint8_t> bytes = {0xAA, 0x00, 0x00, 0x01, 0x0D, 0x12, 0x34, 0x00, 0x00};
  std::vector<uint8_t> header = SequenceHeader{}.bytes();
  bytes.insert(bytes.end(), header.begin(), header.end());
  SequenceHeader second;
  second.level = 2;
  header = second.bytes();
  bytes.insert(bytes.end(), header.begin(), header.end());
  Result r = Analyse(bytes, 1, static_cast<int64_t>(bytes.size()) - 1);
  EXPECT_EQ(r.lines[1], "   Level = 3");
  EXPECT_EQ(r.lines.size(), 7u);
}

TEST_F(Vc1InfoTest, AHeaderCutByThePieceIsReadOnFromTheBuffer) {
  // The piece ends inside the header: the rest comes from the bytes after it.
  std::vector<uint8_t> bytes = SequenceHeader{}.bytes();
  EXPECT_EQ(Analyse(bytes, 0, 10).lines, Analyse(bytes).lines);
}

TEST_F(Vc1InfoTest, WithoutAHeaderNothingIsDescribed) {
  // A piece that begins mid-stream: the bytes after its end would only give
  // a made-up description and frame rate.
  std::vector<uint8_t> bytes = {0x00, 0x00, 0x01, 0x0D, 0x80, 0x81, 0xFF};
  Result r = Analyse(bytes);
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(r.frameRate, std::nullopt);
  // Pieces too short to search: nothing is read outside the loaded bytes.
  EXPECT_TRUE(Analyse({0x00, 0x00, 0x01}).lines.empty());
  EXPECT_TRUE(Analyse({}, 0, 0).lines.empty());
}

using testing::FixtureFacts;

TEST_F(Vc1InfoTest, RealFixtureAgreesWithFfprobe) {
  std::map<std::string, std::string> facts = FixtureFacts("vc1_ap_1080p.vc1");
  std::ifstream in(std::string(KLARVEX_TEST_DATA) + "/vc1_ap_1080p.vc1", std::ios::binary);
  std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  ASSERT_GT(bytes.size(), 4096u);
  bytes.resize(4096);
  Result r = Analyse(bytes, 0, 2028);
  std::string size = "[bl]" + facts["width"] + "[/bl]x[bl]" + facts["height"] + "[/bl]";
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "   Profile = " + facts["profile"],
                         "   Level = " + facts["level"],
                         "   Chroma Format = [bl]4:2:0[/bl]",  // pix_fmt yuv420p
                         "   Size = " + size,
                         "   Display size = " + size,
                         "   Aspect ratio = [bl]" + facts["sample_aspect_ratio"] + "[/bl] (square samples)",
                         "   Frame Rate = [bl]23.976[/bl] (" + facts["frame_rate"] + ")",
                     }));
  EXPECT_EQ(r.frameRate, 24000.0 / 1001.0);
  EXPECT_EQ(std::to_string(r.facts.width) + "x" + std::to_string(r.facts.height),
            facts["width"] + "x" + facts["height"]);
  EXPECT_EQ(testing::RatioText(r.facts.frameRateExact), facts["frame_rate"]);
  EXPECT_EQ(testing::RatioText(r.facts.aspectRatio, ':'), facts["display_aspect_ratio"]);
  EXPECT_EQ(r.facts.scan, ScanType::Progressive);  // field_order progressive
  EXPECT_EQ(r.facts.bitRate, 0) << "no HRD parameters";
}

}  // namespace
}  // namespace klarvex
