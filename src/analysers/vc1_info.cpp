#include "analysers/vc1_info.h"

#include <array>
#include <cmath>
#include <span>
#include <string>

#include "analysers/aspect_ratio_texts.h"
#include "analysers/bit_reader.h"
#include "base/text_format.h"

namespace klarvex {
namespace {

constexpr uint32_t kSequenceHeaderCode = 0x0000010F;
constexpr uint32_t kAdvancedProfile = 3;
constexpr uint32_t kHighestLevel = 4;
constexpr uint32_t kChroma420 = 1;
constexpr uint32_t kAspectRatioEscape = 15;    // explicit horizontal and vertical sizes follow
constexpr uint32_t kLastAspectRatioCode = 13;  // 14 is reserved

// FRAMERATENR 1 to 7 and FRAMERATEDR 1 and 2; row 0 is the forbidden code.
constexpr std::array<uint32_t, 8> kFrameRateNumerators = {0, 24000, 25000, 30000, 50000, 60000, 48000, 72000};
constexpr std::array<uint32_t, 3> kFrameRateDenominators = {0, 1000, 1001};

// Moves the reader past the sequence header start code; false when the
// piece has none (a piece that begins mid-stream): the bytes after its end
// would only describe a stream that isn't there, and give a made-up rate.
bool SeekSequenceHeader(BitReader& reader, int64_t start, int64_t count) {
  reader.LoadAt(static_cast<int32_t>(start));
  while (reader.position < start + count - 1 && reader.window != kSequenceHeaderCode) reader.SkipBits(8);
  bool found = reader.window == kSequenceHeaderCode;
  reader.SkipBits(32);
  return found;
}

void ReportProfileLevelChroma(BitReader& reader, MessageLog& log) {
  log.log(reader.ReadBits(2) == kAdvancedProfile ? "   Profile = Advanced" : "   Profile = Reserved");
  uint32_t level = reader.ReadBits(3);
  log.log(level <= kHighestLevel ? "   Level = " + IntText(level) : "   Level = Reserved");
  log.log(reader.ReadBits(2) == kChroma420 ? "   Chroma Format = [bl]4:2:0[/bl]" : "   Chroma Format = Reserved");
}

// Coded size, interlace, pulldown and PSF; returns PULLDOWN, which the
// frame rate needs.
bool ReportCodedSize(BitReader& reader, StreamFacts& facts, MessageLog& log) {
  reader.SkipBits(3 + 5 + 1);  // FRMRTQ_POSTPROC, BITRTQ_POSTPROC, POSTPROCFLAG
  facts.width = int64_t{reader.ReadBits(12)} * 2 + 2;
  facts.height = int64_t{reader.ReadBits(12)} * 2 + 2;
  log.log("   Size = [bl]" + IntText(facts.width) + "[/bl]x[bl]" + IntText(facts.height) + "[/bl]");
  bool pulldown = reader.ReadFlag();
  facts.scan = reader.ReadFlag() ? ScanType::Interlaced : ScanType::Progressive;  // INTERLACE
  reader.SkipBits(3);  // TFCNTRFLAG, FINTERPFLAG, reserved bit
  if (reader.ReadFlag()) log.log("  Progressive segmented frames.");
  return pulldown;
}

// Returns the sample aspect ratio, none where the code gives none.
std::optional<Ratio> ReportAspectRatio(BitReader& reader, MessageLog& log) {
  uint32_t code = reader.ReadBits(4);
  if (code == kAspectRatioEscape) {
    uint32_t horizontal = reader.ReadBits(8);
    uint32_t vertical = reader.ReadBits(8);
    log.log("   Aspect ratio = " + IntText(horizontal) + ":" + IntText(vertical));
    return ReducedRatio(horizontal, vertical);
  }
  log.log("   Aspect ratio = " + std::string(AspectRatioTexts[code]));
  if (code > kLastAspectRatioCode) return std::nullopt;
  return ReducedRatio(SampleAspectRatios[code].numerator, SampleAspectRatios[code].denominator);
}

// Looks a frame rate code up: the table value, or the code itself (with a
// warning) when it is forbidden or reserved.
uint32_t FrameRateTerm(uint32_t code, std::span<const uint32_t> table, MessageLog& log) {
  if (code == 0) {
    log.log("   Forbidden Frame Rate!");
    return 0;
  }
  if (code < table.size()) return table[code];
  log.log("   Reserved Frame Rate!");
  return code;
}

void ReportCodedFrameRate(BitReader& reader, bool pulldown, StreamFacts& facts, MessageLog& log) {
  uint32_t numeratorCode = reader.ReadBits(8);
  uint32_t denominatorCode = reader.ReadBits(4);
  uint32_t numerator = FrameRateTerm(numeratorCode, kFrameRateNumerators, log);
  uint32_t denominator = FrameRateTerm(denominatorCode, kFrameRateDenominators, log);
  if (denominator == 0) return;  // no rate to show or store
  if (pulldown && numerator == 30000) numerator = 24000;
  double rate = static_cast<double>(numerator) / denominator;
  log.log("   Frame Rate = [bl]" + GeneralNumberText(std::nearbyint(rate * 1000) / 1000) + "[/bl] (" +
          IntText(numerator) + "/" + IntText(denominator) + ")");
  facts.frameRate = rate;
  // A reserved code stands in for its term in the log and the count, but
  // states no rate.
  if (numeratorCode < kFrameRateNumerators.size() && denominatorCode < kFrameRateDenominators.size())
    facts.frameRateExact = ReducedRatio(numerator, denominator);
}

void ReportFrameRate(BitReader& reader, bool pulldown, StreamFacts& facts, MessageLog& log) {
  if (!reader.ReadFlag()) return ReportCodedFrameRate(reader, pulldown, facts, log);  // FRAMERATEIND
  int64_t thirtySeconds = int64_t{reader.ReadBits(16)} + 1;                           // FRAMERATEEXP
  double rate = thirtySeconds / 32.0;
  log.log("   Frame Rate = [bl]" + GeneralNumberText(rate) + "[/bl]");
  facts.frameRate = rate;
  facts.frameRateExact = ReducedRatio(thirtySeconds, 32);
}

void ReportDisplayExtension(BitReader& reader, bool pulldown, StreamFacts& facts, MessageLog& log) {
  int64_t width = int64_t{reader.ReadBits(14)} + 1;
  int64_t height = int64_t{reader.ReadBits(14)} + 1;
  log.log("   Display size = [bl]" + IntText(width) + "[/bl]x[bl]" + IntText(height) + "[/bl]");
  if (reader.ReadFlag()) facts.aspectRatio = DisplayAspectRatio(ReportAspectRatio(reader, log), width, height);
  if (reader.ReadFlag()) ReportFrameRate(reader, pulldown, facts, log);
  if (reader.ReadFlag()) reader.SkipBits(3 * 8);  // COLOR_FORMAT_FLAG: primaries, transfer, matrix
}

// The rate of the first leaky bucket of HRD_PARAM; 0 when it has none.
int64_t HrdBitRate(BitReader& reader) {
  uint32_t buckets = reader.ReadBits(5);
  uint32_t exponent = reader.ReadBits(4);
  reader.SkipBits(4);  // BUFFER_SIZE_EXPONENT
  if (buckets == 0) return 0;
  return (int64_t{reader.ReadBits(16)} + 1) << (exponent + 6);
}

}  // namespace

StreamFacts Vc1Info(const ByteView& view, int64_t start, int64_t count, int /*videoStream*/, MessageLog& log) {
  StreamFacts facts;
  facts.coding = "VC-1";
  BitReader reader(view);
  if (!SeekSequenceHeader(reader, start, count)) return facts;
  ReportProfileLevelChroma(reader, log);
  bool pulldown = ReportCodedSize(reader, facts, log);
  if (reader.ReadFlag()) ReportDisplayExtension(reader, pulldown, facts, log);  // DISPLAY_EXT
  if (reader.ReadFlag()) facts.bitRate = HrdBitRate(reader);                    // HRD_PARAM_FLAG
  return facts;
}

}  // namespace klarvex
