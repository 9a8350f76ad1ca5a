#include "analysers/h264_info.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "analysers/aspect_ratio_texts.h"
#include "analysers/bit_reader.h"
#include "base/text_format.h"

namespace klarvex {
namespace {

// Start code prefix and a NAL header of type 7 (sequence parameter set)
// with nal_ref_idc 1 or 3.
constexpr uint32_t kSpsCodeRefIdc1 = 0x00000127;
constexpr uint32_t kSpsCodeRefIdc3 = 0x00000167;

// The rate stored when the VUI gives no usable timing.
constexpr double kStoredFrameRate = 24000.0 / 1001.0;

struct ProfileName {
  uint32_t idc;
  std::string_view line;
};

constexpr std::array<ProfileName, 7> kProfiles = {{
    {66, "   Profile = Baseline "},
    {77, "   Profile = Main"},
    {88, "   Profile = Extended"},
    {100, "   Profile = High"},
    {110, "   Profile = High 10"},
    {122, "   Profile = High 4:2:2"},
    {144, "   Profile = High 4:4:4"},
}};

// Profiles whose SPS carries the chroma format and bit depths, matched as
// text: any profile_idc whose digits occur in here counts.
constexpr std::string_view kChromaProfiles = "100 110 122 144";

constexpr std::array<std::string_view, 4> kChromaFormatTexts = {"monochrome", "4:2:0", "4:2:2", "4:4:4"};
constexpr uint32_t kMonochrome = 0;
constexpr uint32_t kChroma420 = 1;
constexpr uint32_t kChroma422 = 2;
constexpr uint32_t kChroma444 = 3;

constexpr std::array<std::string_view, 8> kVideoFormatTexts = {"Component", "PAL",         "NTSC", "SECAM",
                                                               "MAC",       "Unspecified", "",     ""};

constexpr uint32_t kExtendedSar = 255;  // sar_width and sar_height follow

// What the SPS fields decoded so far imply for the frame size.
struct SizeState {
  uint32_t chromaFormatIdc = kChroma420;
  bool separateColourPlanes = false;
  int64_t subHeightC = 2;
  int64_t width = 0;
  int64_t height = 0;
};

// Moves the reader past the first SPS start code and NAL header; false when
// the piece has none: the bytes after its end would describe nothing real.
bool SeekSequenceParameterSet(BitReader& reader, int64_t start, int64_t count) {
  reader.LoadAt(static_cast<int32_t>(start));
  auto isSps = [&reader] { return reader.window == kSpsCodeRefIdc1 || reader.window == kSpsCodeRefIdc3; };
  while (reader.position < start + count - 1 && !isSps()) reader.SkipBits(8);
  bool found = isSps();
  reader.SkipBits(32);
  return found;
}

std::string_view ProfileLine(uint32_t profileIdc) {
  for (const ProfileName& profile : kProfiles)
    if (profile.idc == profileIdc) return profile.line;
  return "   Profile = Unknown";
}

// Reports profile and level; returns profile_idc.
uint32_t ReportProfileAndLevel(BitReader& reader, MessageLog& log) {
  uint32_t profileIdc = reader.ReadBits(8);
  log.log(std::string(ProfileLine(profileIdc)));
  reader.SkipBits(3);  // constraint_set0..2_flag
  bool constraintSet3 = reader.ReadFlag();
  reader.SkipBits(4);  // constraint_set4..5_flag, reserved bits
  uint32_t levelIdc = reader.ReadBits(8);
  if (levelIdc == 11 && constraintSet3)
    log.log("   Level = 1b");
  else
    log.log("   Level = " + IntText(levelIdc / 10) + "." + IntText(levelIdc % 10));
  return profileIdc;
}

bool CarriesChromaFormat(uint32_t profileIdc) {
  return kChromaProfiles.find(IntText(profileIdc)) != std::string_view::npos;
}

// Reads over one scaling list: only the deltas that the list codes.
void SkipScalingList(BitReader& reader, int size) {
  int64_t lastScale = 8;
  int64_t nextScale = 8;
  for (int j = 0; j < size && nextScale != 0; ++j) {
    int64_t delta = reader.ReadSE();
    nextScale = ((lastScale + delta) % 256 + 256) % 256;
    if (nextScale != 0) lastScale = nextScale;
  }
}

void SkipScalingMatrix(BitReader& reader, uint32_t chromaFormatIdc) {
  if (!reader.ReadFlag()) return;  // seq_scaling_matrix_present_flag
  int lists = chromaFormatIdc == kChroma444 ? 12 : 8;
  for (int i = 0; i < lists; ++i)
    if (reader.ReadFlag()) SkipScalingList(reader, i < 6 ? 16 : 64);
}

void ReportChromaFormat(BitReader& reader, SizeState& state, MessageLog& log) {
  state.chromaFormatIdc = reader.ReadUE();
  // Corrupt values beyond 4:4:4 have no text and count as unsubsampled.
  state.subHeightC = state.chromaFormatIdc == kChroma420 ? 2 : 1;
  if (state.chromaFormatIdc == kChroma444) state.separateColourPlanes = reader.ReadFlag();
  std::string_view chromaText =
      state.chromaFormatIdc < kChromaFormatTexts.size() ? kChromaFormatTexts[state.chromaFormatIdc] : "";
  int64_t lumaBits = int64_t{reader.ReadUE()} + 8;
  int64_t chromaBits = int64_t{reader.ReadUE()} + 8;
  log.log("   Chroma format = [bl]" + std::string(chromaText) + "[/bl]  (l, c) = " + IntText(lumaBits) + ", " +
          IntText(chromaBits) + " bit");
  reader.SkipBits(1);  // qpprime_y_zero_transform_bypass_flag
  SkipScalingMatrix(reader, state.chromaFormatIdc);
}

void SkipPictureOrderCount(BitReader& reader) {
  reader.ReadUE();  // log2_max_frame_num_minus4
  uint32_t type = reader.ReadUE();
  if (type == 0) {
    reader.ReadUE();  // log2_max_pic_order_cnt_lsb_minus4
  } else if (type == 1) {
    reader.SkipBits(1);  // delta_pic_order_always_zero_flag
    reader.ReadSE();     // offset_for_non_ref_pic
    reader.ReadSE();     // offset_for_top_to_bottom_field
    uint32_t cycle = reader.ReadUE();
    // Past the loaded bytes every further code reads as 0, so a corrupt
    // cycle length need not be run to its end.
    for (uint32_t i = 0; i < cycle && !reader.pastEnd(); ++i) reader.ReadSE();
  }
}

// The frame cropping offsets count in chroma samples, and in field rows
// when frames may be coded as fields.
struct CropUnits {
  int64_t x;
  int64_t y;
};

CropUnits CropUnitsOf(const SizeState& state, int64_t frameMbsOnly) {
  const bool monochrome = state.chromaFormatIdc == kMonochrome || state.separateColourPlanes;
  const bool subsampled = state.chromaFormatIdc == kChroma420 || state.chromaFormatIdc == kChroma422;
  const int64_t subWidthC = !monochrome && subsampled ? 2 : 1;
  const int64_t subHeightC = !monochrome && state.chromaFormatIdc == kChroma420 ? 2 : 1;
  return {subWidthC, subHeightC * (2 - frameMbsOnly)};
}

void ReportSize(BitReader& reader, SizeState& state, StreamFacts& facts, MessageLog& log) {
  reader.ReadUE();     // max_num_ref_frames
  reader.SkipBits(1);  // gaps_in_frame_num_value_allowed_flag
  state.width = (int64_t{reader.ReadUE()} + 1) * 16;
  int64_t mapUnits = int64_t{reader.ReadUE()} + 1;
  int64_t frameMbsOnly = reader.ReadBits(1);
  if (frameMbsOnly == 0) reader.SkipBits(1);  // mb_adaptive_frame_field_flag
  reader.SkipBits(1);                         // direct_8x8_inference_flag
  state.height = (2 - frameMbsOnly) * mapUnits * 16;
  facts.scan = frameMbsOnly ? ScanType::Progressive : ScanType::Interlaced;
  facts.width = state.width;
  facts.height = state.height;
  if (reader.ReadFlag()) {  // frame_cropping_flag
    int64_t left = reader.ReadUE();
    int64_t right = reader.ReadUE();
    int64_t top = reader.ReadUE();
    int64_t bottom = reader.ReadUE();
    // The line shows only the bottom crop; the facts take all four.
    int64_t cropUnitY = (2 - frameMbsOnly) * (state.chromaFormatIdc != kMonochrome ? state.subHeightC : 1);
    state.height -= cropUnitY * bottom;
    const CropUnits units = CropUnitsOf(state, frameMbsOnly);
    facts.width = std::max<int64_t>(facts.width - units.x * (left + right), 0);
    facts.height = std::max<int64_t>(facts.height - units.y * (top + bottom), 0);
  }
  log.log("   Size = [bl]" + IntText(state.width) + "[/bl]x[bl]" + IntText(state.height) + "[/bl]");
}

// Returns the sample aspect ratio, none where the code gives none.
std::optional<Ratio> ReportAspectRatio(BitReader& reader, MessageLog& log) {
  uint32_t idc = reader.ReadBits(8);
  if (idc < AspectRatioTexts.size()) {
    log.log("   Aspect ratio = " + std::string(AspectRatioTexts[idc]));
  } else if (idc == kExtendedSar) {
    uint32_t width = reader.ReadBits(16);
    uint32_t height = reader.ReadBits(16);
    log.log("   Aspect ratio = " + IntText(width) + ":" + IntText(height));
    return ReducedRatio(width, height);
  }
  if (idc >= SampleAspectRatios.size()) return std::nullopt;
  return ReducedRatio(SampleAspectRatios[idc].numerator, SampleAspectRatios[idc].denominator);
}

void ReportVideoSignalType(BitReader& reader, MessageLog& log) {
  log.log("   Video format = " + std::string(kVideoFormatTexts[reader.ReadBits(3)]));
  reader.SkipBits(1);                             // video_full_range_flag
  if (reader.ReadFlag()) reader.SkipBits(8 * 3);  // colour primaries, transfer, matrix
}

// The time scale in the largest unit that divides it evenly, so the text is
// always exact: 27000000 is "27 MHz", 48000 "48 kHz", 1001 "1001 Hz", 0 "0 Hz".
std::string TimeScaleText(uint32_t timeScale) {
  if (timeScale != 0 && timeScale % 1000000 == 0) return IntText(timeScale / 1000000) + " MHz";
  if (timeScale != 0 && timeScale % 1000 == 0) return IntText(timeScale / 1000) + " kHz";
  return IntText(timeScale) + " Hz";
}

// Sets the frame rate the timing gives, none for a zero tick or time scale.
void ReportTiming(BitReader& reader, StreamFacts& facts, MessageLog& log) {
  uint32_t unitsInTick = reader.ReadBits(32);
  uint32_t timeScale = reader.ReadBits(32);
  log.log("   Time scale = " + TimeScaleText(timeScale));
  if (unitsInTick != 0) {
    // The VUI counts two ticks to a frame (one per field).
    double frameRate = timeScale / (2.0 * unitsInTick);
    log.log("   Frame rate = " + GeneralNumberText(std::nearbyint(frameRate * 1000) / 1000) + " fps");
    if (frameRate > 0) facts.frameRate = frameRate;
    facts.frameRateExact = ReducedRatio(timeScale, 2 * int64_t{unitsInTick});
  }
  reader.SkipBits(1);  // fixed_frame_rate_flag: a variable rate is taken by its ticks all the same
}

// The rate of the first schedule of hrd_parameters(), in bit/s.
int64_t HrdBitRate(BitReader& reader) {
  reader.ReadUE();  // cpb_cnt_minus1
  uint32_t scale = reader.ReadBits(4);
  reader.SkipBits(4);  // cpb_size_scale
  return (int64_t{reader.ReadUE()} + 1) << (6 + scale);
}

void ReportVui(BitReader& reader, StreamFacts& facts, MessageLog& log) {
  if (reader.ReadFlag())
    facts.aspectRatio = DisplayAspectRatio(ReportAspectRatio(reader, log), facts.width, facts.height);
  if (reader.ReadFlag()) reader.SkipBits(1);  // overscan_appropriate_flag
  if (reader.ReadFlag()) ReportVideoSignalType(reader, log);
  if (reader.ReadFlag()) {  // chroma sample locations
    reader.ReadUE();
    reader.ReadUE();
  }
  if (reader.ReadFlag()) ReportTiming(reader, facts, log);
  // The NAL HRD's rate, else the VCL HRD's; nothing after them is read.
  if (reader.ReadFlag() || reader.ReadFlag()) facts.bitRate = HrdBitRate(reader);
}

}  // namespace

StreamFacts H264Info(const ByteView& view, int64_t start, int64_t count, int /*videoStream*/, MessageLog& log) {
  StreamFacts facts;
  facts.coding = "H.264";
  BitReader reader(view);
  if (SeekSequenceParameterSet(reader, start, count)) {
    uint32_t profileIdc = ReportProfileAndLevel(reader, log);
    reader.ReadUE();  // seq_parameter_set_id
    SizeState state;
    if (CarriesChromaFormat(profileIdc)) ReportChromaFormat(reader, state, log);
    SkipPictureOrderCount(reader);
    ReportSize(reader, state, facts, log);
    if (reader.ReadFlag()) ReportVui(reader, facts, log);  // vui_parameters_present_flag
  }
  if (!facts.frameRate) facts.frameRate = kStoredFrameRate;
  return facts;
}

}  // namespace klarvex
