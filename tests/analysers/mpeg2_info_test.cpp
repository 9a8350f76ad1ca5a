#include "analysers/mpeg2_info.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

using RecordingLog = testing::LineLog;
using testing::RatioText;

struct Result {
  Lines lines;
  std::optional<double> frameRate;
  StreamFacts facts;
};

// Runs the analyser over `count` bytes from `start` of a buffer that holds
// exactly `bytes` (count < 0: all of them).
Result Analyse(const Bytes& bytes, int64_t count = -1, int64_t start = 0, uint32_t pts = 0x1A2B3C) {
  RecordingLog log;
  ByteView view{bytes.data(), static_cast<int64_t>(bytes.size())};
  if (count < 0) count = view.loaded - start;
  StreamFacts facts = Mpeg2Info(view, start, count, pts, 0, log);
  return {log.lines, facts.frameRate, facts};
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// 1920x1080 (78 04 38), aspect 3 / frame rate code 4 (34), bit_rate_value
// 0x3FFFF then marker, vbv... (FF FF E0).
const Bytes kSequenceHeader = {0x00, 0x00, 0x01, 0xB3, 0x78, 0x04, 0x38, 0x34, 0xFF, 0xFF, 0xE0};
// Sequence extension: identifier 1 (14), progressive_sequence = bit 3 of 8A.
const Bytes kSequenceExtension = {0x00, 0x00, 0x01, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00};
// Picture header: temporal reference 0, coding type 1 (I) in bits 5..3 of 08.
const Bytes kIPicture = {0x00, 0x00, 0x01, 0x00, 0x00, 0x08, 0xFF, 0xF8};
// Picture coding extension: identifier 8 (8F), then 4 more bytes.
const Bytes kPictureCodingExtension = {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80, 0x00};
const Bytes kPicture = Join({kIPicture, kPictureCodingExtension});

Bytes SequenceHeaderWithRateByte(uint8_t aspectAndRate) {
  Bytes header = kSequenceHeader;
  header[7] = aspectAndRate;
  return header;
}

const Lines kSequenceLines1080 = {
    "   Sequence Header found",
    "   size = [bl]1920[/bl]x[bl]1080[/bl]",
    "   Aspect ratio = [bl]16:9[/bl]",
    "   Frame rate = [bl]29.97[/bl] fps",
    "  Sequence header bitrate = [bl]104857[/bl] kbps",
};

TEST(Mpeg2Info, SequenceHeaderAndExtension) {
  Result result = Analyse(Join({kSequenceHeader, kSequenceExtension}));
  Lines expected = kSequenceLines1080;
  expected.push_back("   Progressive Sequence = 1");
  EXPECT_EQ(result.lines, expected);
  EXPECT_EQ(result.frameRate, 30000.0 / 1001);
  const StreamFacts& facts = result.facts;
  EXPECT_EQ(facts.coding, "MPEG-2");
  EXPECT_EQ(facts.width, 1920);
  EXPECT_EQ(facts.height, 1080);
  EXPECT_EQ(RatioText(facts.frameRateExact), "30000/1001");
  EXPECT_EQ(RatioText(facts.aspectRatio), "16/9");
  EXPECT_EQ(facts.bitRate, 0x3FFFF * 400);
  EXPECT_EQ(facts.scan, ScanType::Progressive);

  Bytes interlaced = Join({kSequenceHeader, kSequenceExtension});
  interlaced[kSequenceHeader.size() + 5] = 0x82;  // progressive_sequence 0
  result = Analyse(interlaced);
  EXPECT_EQ(result.lines.back(), "   Progressive Sequence = 0");
  EXPECT_EQ(result.facts.scan, ScanType::Interlaced);
  EXPECT_EQ(Analyse(kSequenceHeader).facts.scan, ScanType::Unknown) << "no sequence extension";
}

TEST(Mpeg2Info, FrameRateCodes) {
  const Lines lines = {
      "   Frame rate = forbidden",       "   Frame rate = [bl]23.976[/bl] fps", "   Frame rate = [bl]24[/bl] fps",
      "   Frame rate = [bl]25[/bl] fps", "   Frame rate = [bl]29.97[/bl] fps",  "   Frame rate = [bl]30[/bl] fps",
      "   Frame rate = [bl]50[/bl] fps", "   Frame rate = [bl]59.94[/bl] fps",  "   Frame rate = [bl]60[/bl] fps"};
  const double rates[] = {1.0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
  const char* exact[] = {"none", "24000/1001", "24/1", "25/1", "30000/1001", "30/1", "50/1", "60000/1001", "60/1"};
  for (int code = 0; code < 16; ++code) {
    Result result = Analyse(SequenceHeaderWithRateByte(static_cast<uint8_t>(0x30 | code)));
    ASSERT_EQ(result.lines.size(), 5u);
    EXPECT_EQ(result.lines[3], code < 9 ? lines[code] : "   Frame rate = reserved") << code;
    EXPECT_EQ(result.frameRate, code < 9 ? rates[code] : 1.0) << code;
    EXPECT_EQ(RatioText(result.facts.frameRateExact), code < 9 ? exact[code] : "none") << code;
  }
  EXPECT_NEAR(*Analyse(SequenceHeaderWithRateByte(0x37)).frameRate, 59.94, 0.001);
}

TEST(Mpeg2Info, AspectRatioCodes) {
  const Lines lines = {"   Aspect ratio = forbidden", "   Aspect ratio = [bl]1:1[/bl] (square samples)",
                       "   Aspect ratio = [bl]4:3[/bl]", "   Aspect ratio = [bl]16:9[/bl]",
                       "   Aspect ratio = [bl]2.21:1[/bl]"};
  // Display aspect ratios; square samples give the picture's shape.
  const char* ratios[] = {"none", "16/9", "4/3", "16/9", "221/100"};
  for (int code = 0; code < 16; ++code) {
    Result result = Analyse(SequenceHeaderWithRateByte(static_cast<uint8_t>(code << 4 | 3)));
    ASSERT_EQ(result.lines.size(), 5u);
    EXPECT_EQ(result.lines[2], code < 5 ? lines[code] : "   Aspect ratio = reserved") << code;
    EXPECT_EQ(RatioText(result.facts.aspectRatio), code < 5 ? ratios[code] : "none") << code;
  }
  Bytes square720 = SequenceHeaderWithRateByte(0x13);
  square720[4] = 0x2D, square720[5] = 0x01, square720[6] = 0xE0;  // 720x480
  EXPECT_EQ(RatioText(Analyse(square720).facts.aspectRatio), "3/2");
}

TEST(Mpeg2Info, PicturesBeforeFirstSequenceHeader) {
  Lines lines = Analyse(Join({kPicture, kPicture, kSequenceHeader})).lines;
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "   Sequence Header found");
  EXPECT_EQ(lines[1], "   2 frames before first Sequence Header");
  EXPECT_EQ(lines.size(), 6u);
}

TEST(Mpeg2Info, IllegalPictureCodingTypes) {
  for (uint8_t type = 0; type < 8; ++type) {
    Bytes picture = kIPicture;
    picture[5] = static_cast<uint8_t>(type << 3);  // 0x38 for type 7
    Lines lines = Analyse(picture).lines;
    if (type >= 1 && type <= 3)
      EXPECT_TRUE(lines.empty()) << int{type};
    else
      EXPECT_EQ(lines, Lines{"   illegal picture_coding_type = " + std::to_string(type)});
  }
}

TEST(Mpeg2Info, FirstVideoPtsAtSecondPicture) {
  const Bytes head = Join({kSequenceHeader, kSequenceExtension});
  const std::string ptsLine = "   First Video PTS = 001A2B3C";

  Lines one = Analyse(Join({head, kPicture})).lines;
  EXPECT_EQ(one.size(), 6u);

  for (const Bytes& piece : {Join({head, kPicture, kPicture}), Join({head, kPicture, kPicture, kPicture})}) {
    Lines lines = Analyse(piece).lines;
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], ptsLine);
  }

  // Pictures before the sequence header do not count towards it.
  EXPECT_EQ(Analyse(Join({kPicture, head, kPicture})).lines.back(), "   Progressive Sequence = 1");
}

TEST(Mpeg2Info, LaterSequenceHeaders) {
  // After the extension has been shown, a later header is silent and keeps the rate.
  Bytes later = Join({kSequenceHeader, kSequenceExtension, SequenceHeaderWithRateByte(0x33)});
  Result result = Analyse(later);
  EXPECT_EQ(result.lines.size(), 6u);
  EXPECT_EQ(result.frameRate, 30000.0 / 1001);

  // Before any extension every header is reported (but "found" once) and the last rate wins.
  result = Analyse(Join({kSequenceHeader, SequenceHeaderWithRateByte(0x33)}));
  Lines expected = kSequenceLines1080;
  expected.insert(expected.end(), kSequenceLines1080.begin() + 1, kSequenceLines1080.end());
  expected[7] = "   Frame rate = [bl]25[/bl] fps";
  EXPECT_EQ(result.lines, expected);
  EXPECT_EQ(result.frameRate, 25.0);
  EXPECT_EQ(RatioText(result.facts.frameRateExact), "25/1");
}

TEST(Mpeg2Info, NoSequenceHeaderStoresNoRate) {
  Result result = Analyse(Join({kPicture, kSequenceExtension, kPicture}));
  EXPECT_EQ(result.lines, Lines{"   Progressive Sequence = 1"});
  EXPECT_FALSE(result.frameRate.has_value());
  EXPECT_EQ(result.facts.width, 0);
  EXPECT_EQ(result.facts.bitRate, 0);
  EXPECT_FALSE(Analyse({}).frameRate.has_value());
}

TEST(Mpeg2Info, PieceCutShort) {
  const Bytes whole = Join({kSequenceHeader, kSequenceExtension});
  // The piece ends after the 3rd header byte; the buffer goes on but is not read.
  Result cut = Analyse(whole, 7);
  EXPECT_EQ(cut.lines, (Lines{"   Sequence Header found", "   size = [bl]1920[/bl]x[bl]1080[/bl]"}));
  EXPECT_FALSE(cut.frameRate.has_value());

  // The buffer itself ends inside the header: every prefix is safe.
  for (size_t size = 0; size <= whole.size(); ++size) {
    Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    Result result = Analyse(prefix);
    EXPECT_EQ(result.frameRate.has_value(), size >= 8) << size;
  }
}

TEST(Mpeg2Info, BytesBeyondTheLoadedOnesReadAsZero) {
  // A piece that claims more bytes than were loaded: the header ends in zeros.
  const Bytes loaded = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x01, 0xE0};
  Result result = Analyse(loaded, 1000);
  EXPECT_EQ(result.lines,
            (Lines{"   Sequence Header found", "   size = [bl]720[/bl]x[bl]480[/bl]", "   Aspect ratio = forbidden",
                   "   Frame rate = forbidden", "  Sequence header bitrate = [bl]0[/bl] kbps"}));
  EXPECT_EQ(result.frameRate, 1.0);

  // A picture start code completed by a missing byte.
  EXPECT_EQ(Analyse({0x00, 0x00, 0x01}, 50).lines, Lines{"   illegal picture_coding_type = 0"});
  EXPECT_TRUE(Analyse({0x47}, int64_t{1} << 40).lines.empty());
  EXPECT_TRUE(Analyse(kSequenceHeader, 100, 1000).lines.empty());
}

// What ffprobe said about the fixtures.
using testing::FixtureFacts;

using testing::FixtureHead;

double RateOf(const std::string& fraction) {
  std::istringstream in(fraction);
  double numerator = 0, denominator = 1;
  char slash = 0;
  in >> numerator >> slash >> denominator;
  return numerator / denominator;
}

struct VideoFixture {
  const char* file;
  const char* aspectLine;
  const char* frameRateLine;
};

TEST(Mpeg2Info, RealStreamsAgreeWithFfprobe) {
  const VideoFixture fixtures[] = {
      {"mpeg2_480p.m2v", "   Aspect ratio = [bl]4:3[/bl]", "   Frame rate = [bl]29.97[/bl] fps"},
      {"mpeg2_1080p.m2v", "   Aspect ratio = [bl]16:9[/bl]", "   Frame rate = [bl]23.976[/bl] fps"},
  };
  for (const VideoFixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.file);
    std::map<std::string, std::string> facts = FixtureFacts(fixture.file);
    ASSERT_FALSE(facts.empty());
    Bytes head = FixtureHead(fixture.file);
    ASSERT_EQ(head.size(), 4096u);
    Result result = Analyse(head);
    ASSERT_GE(result.lines.size(), 6u);
    EXPECT_EQ(result.lines[0], "   Sequence Header found");
    EXPECT_EQ(result.lines[1], "   size = [bl]" + facts["width"] + "[/bl]x[bl]" + facts["height"] + "[/bl]");
    EXPECT_EQ(result.lines[2], fixture.aspectLine);  // display_aspect_ratio
    EXPECT_EQ(result.lines[3], fixture.frameRateLine);
    // The header carries the maximum rate, in units of 400 bit/s.
    EXPECT_EQ(result.lines[4], "  Sequence header bitrate = [bl]" +
                                   std::to_string(std::stol(facts["max_bit_rate"]) / 1000) + "[/bl] kbps");
    EXPECT_EQ(result.lines[5], "   Progressive Sequence = 1");  // field_order progressive
    ASSERT_TRUE(result.frameRate.has_value());
    EXPECT_DOUBLE_EQ(*result.frameRate, RateOf(facts["frame_rate"]));
    EXPECT_EQ(std::to_string(result.facts.width), facts["width"]);
    EXPECT_EQ(std::to_string(result.facts.height), facts["height"]);
    EXPECT_EQ(RatioText(result.facts.frameRateExact), facts["frame_rate"]);
    EXPECT_EQ(RatioText(result.facts.aspectRatio, ':'), facts["display_aspect_ratio"]);
    EXPECT_EQ(std::to_string(result.facts.bitRate), facts["max_bit_rate"]);
    EXPECT_EQ(result.facts.scan, ScanType::Progressive);

    // The whole stream as one piece: the later GOPs' sequence headers are
    // silent, and the PTS line comes once, at the second picture.
    Lines whole = Analyse(FixtureHead(fixture.file, 1 << 20)).lines;
    Lines expected(result.lines.begin(), result.lines.begin() + 6);
    expected.push_back("   First Video PTS = 001A2B3C");
    EXPECT_EQ(whole, expected);
  }
}

}  // namespace
}  // namespace klarvex
