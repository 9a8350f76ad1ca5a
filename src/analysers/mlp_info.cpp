#include "analysers/mlp_info.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "analysers/audio_texts.h"

namespace klarvex {

namespace {

constexpr uint32_t kTrueHdMajorSync = 0xF8726FBA;
constexpr uint32_t kMlpMajorSync = 0xF8726FBB;

// The major sync info bytes that the report reads after the sync word.
constexpr int kSyncInfoBytes = 6;
// A first dynamic range byte of 0x80 means the header carries none.
constexpr uint8_t kNoDynamicRange = 0x80;

// DVD-Audio channel assignment, by its 5-bit code.
constexpr std::array<std::string_view, 32> DvdAudioChannelTexts = {
    "C (mono)",
    "L + R",
    "Lf + Rf + S",
    "Lf + Rf + Ls + Rs",
    "Lf + Rf + LFE",
    "Lf + Rf + LFE + S",
    "Lf + Rf + LFE + Ls + Rs",
    "Lf + Rf + C",
    "Lf + Rf + C + S",
    "Lf + Rf + C + Ls + Rs",
    "Lf + Rf + C + LFE",
    "Lf + Rf + C + LFE + S",
    "Lf + Rf + C + LFE + Ls + Rs",
    "Lf + Rf + C + S",
    "Lf + Rf + C + Ls + Rs",
    "Lf + Rf + C + LFE",
    "Lf + Rf + C + LFE + S",
    "Lf + Rf + C + LFE + Ls + Rs",
    "Lf + Rf + Ls + Rs + LFE",
    "Lf + Rf + Ls + Rs + C",
    "Lf + Rf + Ls + Rs + C + LFE",
};

// Channels of each DVD-Audio channel assignment.
constexpr std::array<int, 21> DvdAudioChannelCounts = {1, 2, 3, 4, 3, 4, 5, 3, 4, 5, 4, 5, 6, 4, 5, 4, 5, 6, 5, 5, 6};

// Sample rates in Hz by code, as SampleRateTexts names them.
constexpr std::array<int, 11> SampleRates = {48000, 96000, 192000, 0, 0, 0, 0, 0, 44100, 88200, 176400};

// Word lengths by quantization code.
constexpr std::array<int, 3> WordLengths = {16, 20, 24};

// TrueHD presentation channel modifier, by its 2-bit code.
constexpr std::array<std::string_view, 4> ChannelModifierTexts = {"Stereo", "Lt/Rt", "Lbin/Rbin", "Mono"};

// TrueHD channel assignments: one bit per speaker group, bit 0 first.
constexpr std::array<std::string_view, 5> SixChannelTexts = {"Main (Left,Right)", "Centre", "LFE", "Surrounds (Ls/Rs)",
                                                             "Highs (Lvh/Rvh)"};
constexpr std::array<std::string_view, 13> EightChannelTexts = {
    "Main (Left,Right)",
    "Centre",
    "LFE",
    "Surrounds (Ls/Rs)",
    "Front Highs (Lvh/Rvh)",
    "Inner fronts (Lc/Rc)",
    "Rears (Lrs/Rrs)",
    "Centre surround (Cs)",
    "Top (Ts)",
    "Surround Directs (Lsd/Rsd)",
    "Front Wide (Lw/Rw)",
    "Centre Front High (Cvh)",
    "LFE2",
};

// Channels of each speaker group of the assignments: pairs and singles.
constexpr std::array<int, 5> SixChannelCounts = {2, 1, 1, 2, 2};
constexpr std::array<int, 13> EightChannelCounts = {2, 1, 1, 2, 2, 2, 2, 1, 1, 2, 2, 1, 1};

template <std::size_t N>
int AssignedChannels(uint32_t assignment, const std::array<int, N>& counts) {
  int channels = 0;
  for (std::size_t bit = 0; bit < N; ++bit)
    if ((assignment >> bit) & 1) channels += counts[bit];
  return channels;
}

template <typename T, std::size_t N>
T ValueAt(const std::array<T, N>& table, uint32_t code) {
  return code < N ? table[code] : T{};
}

// The texts of the set bits of `assignment`, lowest bit first, joined with ", ".
template <std::size_t N>
std::string AssignmentNames(uint32_t assignment, const std::array<std::string_view, N>& names) {
  std::string joined;
  for (std::size_t bit = 0; bit < N; ++bit) {
    if (((assignment >> bit) & 1) == 0) continue;
    if (!joined.empty()) joined += ", ";
    joined += names[bit];
  }
  return joined;
}

// Follows the piece byte by byte; a major sync word starts a countdown over
// the info bytes after it, and each byte is reported as the countdown
// reaches it. A sync word that arrives mid-countdown restarts it.
class MajorSyncReport {
 public:
  explicit MajorSyncReport(MessageLog& log) : log_(log) {}

  void Feed(uint8_t byte) {
    uint8_t previous = static_cast<uint8_t>(rolling_);
    rolling_ = rolling_ << 8 | byte;
    if (rolling_ == kTrueHdMajorSync) {
      trueHdLeft_ = kSyncInfoBytes;
      OnMajorSync("TrueHD");
      log_.log("   [b]TrueHD[/b] stream (up to 8 channels)");
    } else if (rolling_ == kMlpMajorSync) {
      mlpLeft_ = kSyncInfoBytes;
      OnMajorSync("MLP");
      log_.log("   [b]Standard MLP[/b] stream (up to 6 channels) ");
    } else if (mlpLeft_ > 0) {
      MlpInfoByte(--mlpLeft_, previous, byte);
    } else if (trueHdLeft_ > 0) {
      TrueHdInfoByte(--trueHdLeft_, previous, byte);
    }
  }

  const StreamFacts& facts() const { return facts_; }

 private:
  // Every major sync is described; the facts come from the first.
  void OnMajorSync(std::string_view coding) {
    ++syncs_;
    if (syncs_ == 1) facts_.coding = coding;
  }
  bool firstSync() const { return syncs_ == 1; }

  // `left` counts down: 5 is the first info byte after the sync word, 0 the sixth.
  void MlpInfoByte(int left, uint8_t previous, uint8_t byte) {
    switch (left) {
      case 5:
        log_.log("   Quantization length = [bl]" + TableText(QuantizationTexts, byte >> 4) + "[/bl] bits");
        if (firstSync()) facts_.bitsPerSample = ValueAt(WordLengths, byte >> 4);
        break;
      case 4:
        LogSampleRate(byte);
        break;
      case 2:
        log_.log("   Channel arrangement = [bl]" + TableText(DvdAudioChannelTexts, byte & 0x1F) + "[/bl]");
        if (firstSync()) facts_.channels = ValueAt(DvdAudioChannelCounts, byte & 0x1F);
        break;
      case 0:
        LogDynamicRange(previous, byte);
        break;
      default:
        break;
    }
  }

  void TrueHdInfoByte(int left, uint8_t previous, uint8_t byte) {
    switch (left) {
      case 5:
        LogSampleRate(byte);
        break;
      case 4:
        modifier2_ = byte >> 6;
        modifier6_ = (byte >> 4) & 3;
        assign6_ = (byte & 0x0F) * 2u;
        break;
      case 3:
        assign6_ += byte >> 7;
        modifier8_ = (byte >> 5) & 3;
        LogPresentation("   2 ch. decoder", modifier2_);
        LogPresentation("   6 ch. decoder", modifier6_);
        log_.log("      channel arrangement = [bl]" + AssignmentNames(assign6_, SixChannelTexts) + "[/bl]");
        if (firstSync()) facts_.channels = AssignedChannels(assign6_, SixChannelCounts);
        break;
      case 2: {
        // The 13 bits: the low 5 of the third info byte and all of the fourth.
        uint32_t assign8 = rolling_ & 0x1FFF;
        LogPresentation("   8 ch. decoder", modifier8_);
        log_.log("      channel arrangement = [bl]" + AssignmentNames(assign8, EightChannelTexts) + "[/bl]");
        // The stream's channels: its largest presentation.
        if (firstSync()) facts_.channels = std::max(facts_.channels, AssignedChannels(assign8, EightChannelCounts));
        break;
      }
      case 0:
        LogDynamicRange(previous, byte);
        break;
      default:
        break;
    }
  }

  void LogSampleRate(uint8_t byte) {
    if (firstSync()) facts_.sampleRate = ValueAt(SampleRates, byte >> 4);
    log_.log("   Sampling frequency = [bl]" + TableText(SampleRateTexts, byte >> 4) + "[/bl] kHz");
  }

  void LogPresentation(const std::string& decoder, uint32_t modifier) {
    log_.log(decoder);
    log_.log("      channel modifier = " + TableText(ChannelModifierTexts, modifier));
  }

  void LogDynamicRange(uint8_t first, uint8_t second) {
    if (first == kNoDynamicRange) return;
    log_.log("   Dynamic range control = " + DynamicRangeText(first) + " dB .. " + DynamicRangeText(second) + " dB");
  }

  MessageLog& log_;
  uint32_t rolling_ = 0;
  int mlpLeft_ = 0;
  int trueHdLeft_ = 0;
  uint32_t modifier2_ = 0;
  uint32_t modifier6_ = 0;
  uint32_t modifier8_ = 0;
  uint32_t assign6_ = 0;
  int syncs_ = 0;
  StreamFacts facts_;
};

}  // namespace

StreamFacts MlpInfo(const ByteView& view, int64_t start, int64_t count, MessageLog& log) {
  // The piece's last byte is not examined. Past the loaded bytes only zeros
  // follow: they can finish a countdown but never form a sync word.
  int64_t end = start + std::min(count - 1, std::max<int64_t>(view.loaded - start, 0) + kSyncInfoBytes);
  MajorSyncReport report(log);
  for (int64_t i = start; i < end; ++i) report.Feed(view.at(i));
  return report.facts();
}

}  // namespace klarvex
