#include "analysers/h264_info.h"

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

// Sequence parameter set fields; by default High profile 4.1, 1920x1080
// progressive, VUI with square samples and 24000/1001 timing.
struct Sps {
  uint32_t nalHeader = 0x67;
  uint32_t profile = 100, constraintSet3 = 0, level = 41;
  uint32_t chromaFormat = 1, lumaDepth = 0, chromaDepth = 0;
  std::vector<std::vector<int32_t>> scalingLists;  // deltas of lists 0, 1, ...; empty: no matrix
  uint32_t pocType = 0, pocCycle = 0;
  uint32_t widthMbs = 119, heightMapUnits = 67, frameMbsOnly = 1, cropBottom = 4;
  uint32_t cropLeft = 0, cropRight = 0, cropTop = 0;
  uint32_t vui = 1, aspectIdc = 1, sarWidth = 0, sarHeight = 0;
  uint32_t videoSignal = 0, videoFormat = 5;
  uint32_t timing = 1, unitsInTick = 1001, timeScale = 48000, fixedFrameRate = 1;
  enum { NoHrd, NalHrd, VclHrd } hrd = NoHrd;
  uint32_t bitRateScale = 0, bitRateValueMinus1 = 0;

  std::vector<uint8_t> bytes() const {
    BitWriter w;
    w.put(0x000001, 24), w.put(nalHeader, 8);
    w.put(profile, 8), w.put(0, 3), w.put(constraintSet3, 1), w.put(0, 4), w.put(level, 8);
    w.ue(0);  // seq_parameter_set_id
    if (profile == 100 || profile == 44) {
      w.ue(chromaFormat);
      if (chromaFormat == 3) w.put(0, 1);
      w.ue(lumaDepth), w.ue(chromaDepth), w.put(0, 1);
      w.put(!scalingLists.empty(), 1);
      if (!scalingLists.empty())
        for (size_t i = 0; i < (chromaFormat == 3 ? 12u : 8u); ++i) {
          bool present = i < scalingLists.size() && !scalingLists[i].empty();
          w.put(present, 1);
          if (present)
            for (int32_t delta : scalingLists[i]) w.se(delta);
        }
    }
    w.ue(0), w.ue(pocType);  // log2_max_frame_num_minus4
    if (pocType == 0) w.ue(2);
    if (pocType == 1) {
      w.put(0, 1), w.se(-1), w.se(2), w.ue(pocCycle);
      for (uint32_t i = 0; i < pocCycle; ++i) w.se(static_cast<int32_t>(i) - 3);
    }
    w.ue(4), w.put(0, 1), w.ue(widthMbs), w.ue(heightMapUnits), w.put(frameMbsOnly, 1);
    if (!frameMbsOnly) w.put(1, 1);
    const bool crop = cropLeft || cropRight || cropTop || cropBottom;
    w.put(1, 1), w.put(crop, 1);
    if (crop) w.ue(cropLeft), w.ue(cropRight), w.ue(cropTop), w.ue(cropBottom);
    w.put(vui, 1);
    if (vui) {
      w.put(aspectIdc != 0, 1);
      if (aspectIdc) w.put(aspectIdc, 8);
      if (aspectIdc == 255) w.put(sarWidth, 16), w.put(sarHeight, 16);
      w.put(1, 1), w.put(0, 1);  // overscan info
      w.put(videoSignal, 1);
      if (videoSignal) w.put(videoFormat, 3), w.put(0, 1), w.put(1, 1), w.put(0x010101, 24);
      w.put(1, 1), w.ue(1), w.ue(2);  // chroma sample locations
      w.put(timing, 1);
      if (timing) w.put(unitsInTick, 32), w.put(timeScale, 32), w.put(fixedFrameRate, 1);
      w.put(hrd == NalHrd, 1);
      if (hrd == NalHrd) hrdParameters(w);
      w.put(hrd == VclHrd, 1);
      if (hrd == VclHrd) hrdParameters(w);
      if (hrd != NoHrd) w.put(0, 1);  // low_delay_hrd_flag
    }
    w.put(1, 1);  // rbsp stop bit
    return w.bytes();
  }

  // One schedule, then the delay field lengths.
  void hrdParameters(BitWriter& w) const {
    w.ue(0), w.put(bitRateScale, 4), w.put(4, 4);
    w.ue(bitRateValueMinus1), w.ue(1000), w.put(0, 1);
    w.put(23, 5), w.put(23, 5), w.put(23, 5), w.put(24, 5);
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
  StreamFacts facts = H264Info(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, start, count, 0, log);
  return {log.lines, facts.frameRate, facts};
}

Result Analyse(const std::vector<uint8_t>& bytes) { return Analyse(bytes, 0, static_cast<int64_t>(bytes.size())); }

std::vector<std::string> Lines(const Sps& sps) { return Analyse(sps.bytes()).lines; }

// The first line that begins with `prefix`, "" when none does.
std::string LineStarting(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines)
    if (line.rfind(prefix, 0) == 0) return line;
  return "";
}

const std::string kSize1080 = "   Size = [bl]1920[/bl]x[bl]1080[/bl]";
const std::vector<std::string> kHigh1080 = {
    "   Profile = High",
    "   Level = 4.1",
    "   Chroma format = [bl]4:2:0[/bl]  (l, c) = 8, 8 bit",
    kSize1080,
    "   Aspect ratio = [bl]1:1[/bl] (square samples)",
    "   Time scale = 48 kHz",
    "   Frame rate = 23.976 fps",
};
constexpr double kStoredRate = 24000.0 / 1001.0;

class H264InfoTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(H264InfoTest, DescribesAHighProfileSps) {
  Result r = Analyse(Sps{}.bytes());
  EXPECT_EQ(r.lines, kHigh1080);
  EXPECT_EQ(r.frameRate, kStoredRate);
  Sps refIdc1;
  refIdc1.nalHeader = 0x27;
  EXPECT_EQ(Lines(refIdc1), kHigh1080);
}

TEST_F(H264InfoTest, FrameRateFollowsTheLocaleSeparator) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  std::vector<std::string> lines = Lines(Sps{});
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(lines.back(), "   Frame rate = 23,976 fps");
}

TEST_F(H264InfoTest, HeightsFromMapUnitsAndBottomCrop) {
  Sps interlaced;
  interlaced.heightMapUnits = 33;
  interlaced.frameMbsOnly = 0;
  interlaced.cropBottom = 2;
  EXPECT_EQ(LineStarting(Lines(interlaced), "   Size"), kSize1080);

  Sps main;
  main.profile = 77;
  EXPECT_EQ(Lines(main), (std::vector<std::string>{"   Profile = Main", "   Level = 4.1", kSize1080, kHigh1080[4],
                                                   kHigh1080[5], kHigh1080[6]}));
  main.cropBottom = 0;
  EXPECT_EQ(LineStarting(Lines(main), "   Size"), "   Size = [bl]1920[/bl]x[bl]1088[/bl]");

  Sps monochrome;  // no chroma subsampling: one line per crop unit
  monochrome.chromaFormat = 0;
  monochrome.cropBottom = 8;
  std::vector<std::string> lines = Lines(monochrome);
  EXPECT_EQ(lines[2], "   Chroma format = [bl]monochrome[/bl]  (l, c) = 8, 8 bit");
  EXPECT_EQ(lines[3], kSize1080);
}

struct FactsRow {
  const char* name;
  void (*change)(Sps&);
  int64_t width, height;
  const char* frameRate;    // exact
  const char* aspectRatio;  // display
  ScanType scan;
  int64_t bitRate;
};

TEST_F(H264InfoTest, FactsOfTheSps) {
  const FactsRow rows[] = {
      {"High 4.1", [](Sps&) {}, 1920, 1080, "24000/1001", "16/9", ScanType::Progressive, 0},
      {"cropped on every side", [](Sps& s) { s.cropLeft = 4, s.cropRight = 4, s.cropTop = 2; }, 1904, 1076,
       "24000/1001", "476/269", ScanType::Progressive, 0},
      {"field coded", [](Sps& s) { s.heightMapUnits = 33, s.frameMbsOnly = 0, s.cropBottom = 2; }, 1920, 1080,
       "24000/1001", "16/9", ScanType::Interlaced, 0},
      {"4:2:2", [](Sps& s) { s.chromaFormat = 2, s.cropLeft = 8, s.cropBottom = 8; }, 1904, 1080, "24000/1001",
       "238/135", ScanType::Progressive, 0},
      {"4:4:4", [](Sps& s) { s.chromaFormat = 3, s.cropLeft = 8, s.cropBottom = 8; }, 1912, 1080, "24000/1001",
       "239/135", ScanType::Progressive, 0},
      {"monochrome", [](Sps& s) { s.chromaFormat = 0, s.cropBottom = 8; }, 1920, 1080, "24000/1001", "16/9",
       ScanType::Progressive, 0},
      {"1440 wide at 4:3", [](Sps& s) { s.widthMbs = 89, s.aspectIdc = 255, s.sarWidth = 4, s.sarHeight = 3; }, 1440,
       1080, "24000/1001", "16/9", ScanType::Progressive, 0},
      {"960 wide at 2:1", [](Sps& s) { s.widthMbs = 59, s.aspectIdc = 16; }, 960, 1080, "24000/1001", "16/9",
       ScanType::Progressive, 0},
      {"reserved aspect", [](Sps& s) { s.aspectIdc = 100; }, 1920, 1080, "24000/1001", "none", ScanType::Progressive,
       0},
      {"no aspect", [](Sps& s) { s.aspectIdc = 0; }, 1920, 1080, "24000/1001", "none", ScanType::Progressive, 0},
      {"50 ticks a second", [](Sps& s) { s.unitsInTick = 1, s.timeScale = 50; }, 1920, 1080, "25/1", "16/9",
       ScanType::Progressive, 0},
      {"zero tick", [](Sps& s) { s.unitsInTick = 0; }, 1920, 1080, "none", "16/9", ScanType::Progressive, 0},
      {"NAL HRD", [](Sps& s) { s.hrd = Sps::NalHrd, s.bitRateScale = 2, s.bitRateValueMinus1 = 9999; }, 1920, 1080,
       "24000/1001", "16/9", ScanType::Progressive, 2560000},
      {"VCL HRD", [](Sps& s) { s.hrd = Sps::VclHrd, s.bitRateValueMinus1 = 15624; }, 1920, 1080, "24000/1001", "16/9",
       ScanType::Progressive, 1000000},
  };
  for (const FactsRow& row : rows) {
    SCOPED_TRACE(row.name);
    Sps sps;
    row.change(sps);
    Result r = Analyse(sps.bytes());
    EXPECT_EQ(r.facts.coding, "H.264");
    EXPECT_EQ(r.facts.width, row.width);
    EXPECT_EQ(r.facts.height, row.height);
    EXPECT_EQ(testing::RatioText(r.facts.frameRateExact), row.frameRate);
    EXPECT_EQ(testing::RatioText(r.facts.aspectRatio), row.aspectRatio);
    EXPECT_EQ(r.facts.scan, row.scan);
    EXPECT_EQ(r.facts.bitRate, row.bitRate);
    EXPECT_EQ(r.frameRate, std::string(row.frameRate) == "25/1" ? 25.0 : kStoredRate);
    if (sps.widthMbs == 119) {
      EXPECT_EQ(LineStarting(r.lines, "   Size"), kSize1080) << "only the bottom crop shows";
    }
  }
  // Without an SPS only the coding and the rate counted with are known.
  StreamFacts none = Analyse({0x00, 0x00, 0x01, 0x09, 0x10, 0x4D}).facts;
  EXPECT_EQ(none.coding, "H.264");
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.frameRateExact, std::nullopt);
  EXPECT_EQ(none.frameRate, kStoredRate);
}

TEST_F(H264InfoTest, ChromaFormatsAndBitDepths) {
  Sps sps;
  sps.chromaFormat = 3;  // separate_colour_plane_flag and twelve scaling lists
  sps.lumaDepth = 2;
  sps.chromaDepth = 4;
  sps.cropBottom = 8;
  sps.scalingLists = {{1, -9}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {-8}};
  std::vector<std::string> lines = Lines(sps);
  EXPECT_EQ(lines[2], "   Chroma format = [bl]4:4:4[/bl]  (l, c) = 10, 12 bit");
  EXPECT_EQ(lines[3], kSize1080);
  EXPECT_EQ(lines.back(), kHigh1080.back());

  sps.chromaFormat = 2;
  sps.scalingLists = {{-8}, {}, {}, {}, {}, {}, {1, -9}, {}};
  lines = Lines(sps);
  EXPECT_EQ(lines[2], "   Chroma format = [bl]4:2:2[/bl]  (l, c) = 10, 12 bit");
  EXPECT_EQ(lines[3], kSize1080);
  EXPECT_EQ(lines.back(), kHigh1080.back());

  // A corrupt chroma_format_idc has no text and no chroma subsampling.
  sps.chromaFormat = 5;
  sps.scalingLists.clear();
  lines = Lines(sps);
  EXPECT_EQ(lines[2], "   Chroma format = [bl][/bl]  (l, c) = 10, 12 bit");
  EXPECT_EQ(lines[3], kSize1080);
}

TEST_F(H264InfoTest, ScalingListsEndAtAZeroScale) {
  Sps sps;
  std::vector<int32_t> full(64, 1);
  sps.scalingLists = {std::vector<int32_t>(16, 0), {-8}, {}, {}, {}, {}, full, {120, 0, -128}};
  EXPECT_EQ(Lines(sps), kHigh1080);
}

TEST_F(H264InfoTest, PictureOrderCountTypes) {
  Sps sps;
  sps.pocType = 1;
  sps.pocCycle = 5;
  EXPECT_EQ(Lines(sps), kHigh1080);
  sps.pocType = 2;
  EXPECT_EQ(Lines(sps), kHigh1080);
}

TEST_F(H264InfoTest, ProfilesAndLevels) {
  Sps sps;
  sps.profile = 66;
  sps.constraintSet3 = 1;
  sps.level = 11;
  std::vector<std::string> lines = Lines(sps);
  EXPECT_EQ(lines[0], "   Profile = Baseline ");
  EXPECT_EQ(lines[1], "   Level = 1b");
  EXPECT_EQ(lines[2], kSize1080);
  sps.constraintSet3 = 0;
  EXPECT_EQ(Lines(sps)[1], "   Level = 1.1");
  sps.level = 9;
  EXPECT_EQ(Lines(sps)[1], "   Level = 0.9");

  // Unknown profiles; 44 occurs in "144", so its SPS is read with the chroma fields.
  sps.profile = 200;
  EXPECT_EQ(Lines(sps)[0], "   Profile = Unknown");
  EXPECT_EQ(Lines(sps)[2], kSize1080);
  sps.profile = 44;
  lines = Lines(sps);
  EXPECT_EQ(lines[0], "   Profile = Unknown");
  EXPECT_EQ(lines[2], kHigh1080[2]);
  EXPECT_EQ(lines[3], kSize1080);

  const std::pair<uint32_t, std::string> named[] = {
      {88, "Extended"}, {110, "High 10"}, {122, "High 4:2:2"}, {144, "High 4:4:4"}};
  for (const auto& [idc, name] : named) {
    sps.profile = idc;
    EXPECT_EQ(Lines(sps)[0], "   Profile = " + name);
  }
}

TEST_F(H264InfoTest, VuiAspectRatioAndVideoFormat) {
  Sps sps;
  sps.aspectIdc = 255;
  sps.sarWidth = 4;
  sps.sarHeight = 3;
  EXPECT_EQ(Lines(sps)[4], "   Aspect ratio = 4:3");
  sps.aspectIdc = 15;
  EXPECT_EQ(Lines(sps)[4], "   Aspect ratio = [bl]3:2[/bl]\"");
  sps.aspectIdc = 100;  // reserved: skipped without a line
  sps.videoSignal = 1;
  std::vector<std::string> lines = Lines(sps);
  EXPECT_EQ(lines, (std::vector<std::string>{kHigh1080[0], kHigh1080[1], kHigh1080[2], kSize1080,
                                             "   Video format = Unspecified", kHigh1080[5], kHigh1080[6]}));
  sps.videoFormat = 2;
  EXPECT_EQ(Lines(sps)[4], "   Video format = NTSC");
  sps.videoFormat = 6;
  EXPECT_EQ(Lines(sps)[4], "   Video format = ");
}

TEST_F(H264InfoTest, TimingAndTheStoredRate) {
  Sps sps;
  sps.unitsInTick = 1;
  sps.timeScale = 27000000;
  std::vector<std::string> lines = Lines(sps);
  EXPECT_EQ(lines[5], "   Time scale = 27 MHz");
  EXPECT_EQ(lines[6], "   Frame rate = 13500000 fps");
  sps.unitsInTick = 1001;
  sps.timeScale = 60000;
  EXPECT_EQ(Lines(sps)[6], "   Frame rate = 29.97 fps");

  // A zero tick: the time scale, but no rate and the usual stored rate.
  sps.unitsInTick = 0;
  Result r = Analyse(sps.bytes());
  EXPECT_EQ(r.lines.size(), 6u);
  EXPECT_EQ(r.lines.back(), "   Time scale = 60 kHz");
  EXPECT_EQ(r.frameRate, kStoredRate);

  sps.timing = 0;
  r = Analyse(sps.bytes());
  EXPECT_EQ(r.lines.size(), 5u);
  EXPECT_EQ(r.frameRate, kStoredRate);
  sps.vui = 0;
  r = Analyse(sps.bytes());
  EXPECT_EQ(r.lines.back(), kSize1080);
  EXPECT_EQ(r.frameRate, kStoredRate);
}

TEST_F(H264InfoTest, FrameRateFromTheTiming) {
  struct Row {
    uint32_t timing, unitsInTick, timeScale, fixedFrameRate;
    std::string timeScaleLine, frameRateLine;  // "" when no such line
    double stored;
  };
  const Row rows[] = {
      {1, 1001, 48000, 1, "48 kHz", "23.976 fps", 24000.0 / 1001.0},
      {1, 1, 50, 1, "50 Hz", "25 fps", 25},
      {1, 1001, 60000, 0, "60 kHz", "29.97 fps", 30000.0 / 1001.0},  // a variable rate: the same rule
      {1, 1000, 27000000, 1, "27 MHz", "13500 fps", 13500},
      {1, 1, 1001, 1, "1001 Hz", "500.5 fps", 500.5},
      {1, 0xFFFFFFFF, 0xFFFFFFFE, 1, "4294967294 Hz", "0.5 fps", 0xFFFFFFFEp0 / 0x1FFFFFFFEp0},  // all 32 bits
      {1, 0, 90000, 1, "90 kHz", "", kStoredRate},  // a zero tick gives no rate
      {1, 1, 0, 1, "0 Hz", "0 fps", kStoredRate},   // nor does a zero time scale
      {0, 0, 0, 1, "", "", kStoredRate},            // no timing
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.unitsInTick << "/" << row.timeScale);
    Sps sps;
    sps.timing = row.timing, sps.unitsInTick = row.unitsInTick, sps.timeScale = row.timeScale;
    sps.fixedFrameRate = row.fixedFrameRate;
    Result r = Analyse(sps.bytes());
    auto line = [](const std::string& head, const std::string& value) {
      return value.empty() ? "" : "   " + head + " = " + value;
    };
    EXPECT_EQ(LineStarting(r.lines, "   Time scale"), line("Time scale", row.timeScaleLine));
    EXPECT_EQ(LineStarting(r.lines, "   Frame rate"), line("Frame rate", row.frameRateLine));
    EXPECT_EQ(r.frameRate, row.stored);
  }
}

TEST_F(H264InfoTest, SearchesForAReferenceSps) {
  // An access unit delimiter and an SPS with nal_ref_idc 0 (not looked for)
  // come first.
  Sps unreferenced;
  unreferenced.nalHeader = 0x07;
  unreferenced.profile = 77;
  std::vector<uint8_t> bytes = {0x00, 0x00, 0x00, 0x01, 0x09, 0x10};
  std::vector<uint8_t> part = unreferenced.bytes();
  bytes.insert(bytes.end(), part.begin(), part.end());
  part = Sps{}.bytes();
  bytes.insert(bytes.end(), part.begin(), part.end());
  EXPECT_EQ(Analyse(bytes).lines, kHigh1080);
}

TEST_F(H264InfoTest, CutPiecesAndMissingBytes) {
  // The piece ends inside the SPS: the rest is read from the bytes after it.
  std::vector<uint8_t> bytes = Sps{}.bytes();
  EXPECT_EQ(Analyse(bytes, 0, 10).lines, kHigh1080);
  // Only the first 10 bytes loaded, ending inside pic_width_in_mbs_minus1:
  // the rest reads as zero, and a zero run that reaches the end of the
  // buffer gives 0.
  bytes.resize(10);
  EXPECT_EQ(Analyse(bytes).lines,
            (std::vector<std::string>{kHigh1080[0], kHigh1080[1], kHigh1080[2], "   Size = [bl]16[/bl]x[bl]32[/bl]"}));
  // No SPS in the piece (it begins mid-stream): nothing is described, the
  // stored rate is the usual one.
  Result r = Analyse({0x00, 0x00, 0x01, 0x09, 0x10, 0x4D});
  EXPECT_TRUE(r.lines.empty());
  EXPECT_EQ(r.frameRate, kStoredRate);
  EXPECT_TRUE(Analyse({}, 0, 0).lines.empty());
}

TEST_F(H264InfoTest, CorruptCodesEndAtTheBuffer) {
  // A picture order count cycle of 2^31 - 1 entries over a short buffer,
  // and a run of zero bits that never ends in a 1.
  std::vector<uint8_t> bytes = {0x00, 0x00, 0x01, 0x67, 0x42, 0x00, 0x1F, 0xD3, 0x00, 0x00, 0x00, 0x01};
  Result r = Analyse(bytes);
  EXPECT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.frameRate, kStoredRate);
  bytes.assign(64, 0x00);
  bytes[2] = 0x01, bytes[3] = 0x67, bytes[4] = 0x64;
  EXPECT_EQ(Analyse(bytes).lines.size(), 4u);
}

using testing::FixtureFacts;

TEST_F(H264InfoTest, RealFixtureAgreesWithFfprobe) {
  std::map<std::string, std::string> facts = FixtureFacts("h264_1080p.264");
  ASSERT_EQ(facts["frame_rate"], "24000/1001");
  std::ifstream in(std::string(KLARVEX_TEST_DATA) + "/h264_1080p.264", std::ios::binary);
  std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
  ASSERT_GT(bytes.size(), 4096u);
  bytes.resize(4096);
  Result r = Analyse(bytes, 0, 2028);
  // x264 gives 48000 units per second at 1001 units per tick, two ticks a
  // frame.
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "   Profile = " + facts["profile"],
                         "   Level = " + facts["level"].substr(0, 1) + "." + facts["level"].substr(1),
                         "   Chroma format = [bl]4:2:0[/bl]  (l, c) = 8, 8 bit",  // pix_fmt yuv420p
                         "   Size = [bl]" + facts["width"] + "[/bl]x[bl]" + facts["height"] + "[/bl]",
                         "   Aspect ratio = [bl]" + facts["sample_aspect_ratio"] + "[/bl] (square samples)",
                         "   Time scale = 48 kHz",
                         "   Frame rate = 23.976 fps",
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
