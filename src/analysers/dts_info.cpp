#include "analysers/dts_info.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysers/bit_reader.h"
#include "base/text_format.h"

namespace klarvex {
namespace {

// Sync words as they stand in the rolling 32-bit value.
constexpr uint32_t kCoreSync = 0x7FFE8001;          // core frame, 16-bit big-endian form
constexpr uint32_t kChannelExtSync = 0x5A5A5A5A;    // XCh
constexpr uint32_t kFrequencyExtSync = 0x1D95F262;  // X96
constexpr uint32_t kSubstreamSync = 0x64582025;     // DTS-HD extension substream

constexpr std::string_view kUserDefined = "User defined";

constexpr std::array<std::string_view, 16> kChannelArrangementTexts = {
    "A (mono)",
    "A+B (dual mono)",
    "L + R (stereo)",
    "(L+R) + (L-R) (sum-difference)",
    "LT + RT (left and right total)",
    "C + L + R",
    "L + R + S",
    "C + L + R + S",
    "L + R + Ls + Rs",
    "C + L + R + Ls + Rs",
    "CL + CR + L + R + Ls + Rs",
    "C + L + R + Lr + Rr + OV",
    "Cf + Cr + Lf + Rf + Lr + Rr",
    "CL + C + CR + L + R + Ls + Rs",
    "CL + CR + L + R + Ls1 + Ls2 + Rs1 + Rs2",
    "CL + C + CR + L + R + Ls + S + Rs",
};

// kHz, written with a comma whatever the locale.
constexpr std::array<std::string_view, 16> kSampleRateTexts = {
    "Invalid", "8", "16", "32", "", "", "11,025", "22,05", "44,1", "", "", "12", "24", "48", "", "",
};

// kbit/s.
constexpr std::array<std::string_view, 32> kBitRateTexts = {
    "32",     "56",   "64",   "96",   "112",  "128",  "192",  "224",  "256",      "320",       "384",
    "448",    "512",  "576",  "640",  "768",  "960",  "1024", "1152", "1280",     "1344",      "1408",
    "1411,2", "1472", "1536", "1920", "2048", "3072", "3840", "open", "Variable", "Loss-less",
};

constexpr std::array<std::string_view, 8> kExtensionTexts = {
    "Channel extension", "Reserved", "Frequency extension", "Channel and Frequency extension", "Reserved", "Reserved",
    "Reserved",          "Reserved",
};

constexpr std::array<std::string_view, 4> kLfeTexts = {
    "not present",
    "[bl]present[/bl] (IF:128)",
    "[bl]present[/bl] (IF:64)",
    "invalid",
};

constexpr std::array<std::string_view, 8> kPcmResolutionTexts = {
    "[bl]16[/bl] bits",
    "[bl]16[/bl] bits, [bl]DTS ES[/bl]",
    "[bl]20[/bl] bits",
    "[bl]20[/bl] bits, [bl]DTS ES[/bl]",
    "",
    "[bl]24[/bl] bits, [bl]DTS ES[/bl]",
    "[bl]24[/bl] bits",
    "",
};

// The same tables as values: channels by AMODE (user defined: none), Hz by
// SFREQ, bit/s by RATE (open, variable and lossless: none), bits by PCMR.
constexpr std::array<int, 16> kChannelCounts = {1, 2, 2, 2, 2, 3, 3, 4, 4, 5, 6, 6, 6, 7, 8, 8};
constexpr std::array<int, 16> kSampleRates = {0,     8000, 16000, 32000, 0,     0,     11025, 22050,
                                              44100, 0,    0,     12000, 24000, 48000, 0,     0};
constexpr std::array<int64_t, 32> kBitRates = {
    32000,   56000,   64000,   96000,   112000,  128000,  192000,  224000,  256000,  320000,  384000,
    448000,  512000,  576000,  640000,  768000,  960000,  1024000, 1152000, 1280000, 1344000, 1408000,
    1411200, 1472000, 1536000, 1920000, 2048000, 3072000, 3840000, 0,       0,       0,
};
constexpr std::array<int, 8> kPcmResolutions = {16, 16, 20, 20, 0, 24, 24, 0};

constexpr uint32_t kCurrentEncoderRevision = 7;

// Keeps the reader's 32-bit position clear of overflow (a header moves it
// on by 14 bytes at most); the ReadBuffer is far smaller.
constexpr int64_t kPositionLimit = INT32_MAX - 64;

// A row of a constant table; an index with no row gives an empty text.
template <size_t N>
std::string TextAt(const std::array<std::string_view, N>& table, uint32_t index) {
  return index < N ? std::string(table[index]) : std::string();
}

std::string ChannelArrangementText(uint32_t amode) {
  return amode < kChannelArrangementTexts.size() ? TextAt(kChannelArrangementTexts, amode) : std::string(kUserDefined);
}

std::string EncoderRevisionSuffix(uint32_t vernum) {
  if (vernum < kCurrentEncoderRevision) return ", Future rev. (compatible)";
  if (vernum == kCurrentEncoderRevision) return ", Current";
  return ", Future rev. (incompatible";  // sic: no closing parenthesis
}

template <typename T, size_t N>
T ValueAt(const std::array<T, N>& table, uint32_t index) {
  return index < N ? table[index] : T{};
}

// Decodes one core frame header whose first byte after the sync word is at
// the reader's position, writing one line per field shown and its values
// into `facts`. Leaves the reader just past the header.
void DescribeCoreHeader(BitReader& reader, StreamFacts& facts, MessageLog& log) {
  reader.LoadWindow();
  reader.SkipBits(1);  // FTYPE
  log.log("   PCM core samples = " + IntText(reader.ReadBits(5) + 1));
  bool crcPresent = reader.ReadFlag();  // CPF
  log.log("   PCM sample blocks = " + IntText(reader.ReadBits(7) + 1));
  log.log("   Primary frame byte size = " + IntText(reader.ReadBits(14)));
  uint32_t amode = reader.ReadBits(6);
  log.log("   Channel arrangement = [bl]" + ChannelArrangementText(amode) + "[/bl]");
  uint32_t sfreq = reader.ReadBits(4);
  log.log("   Sampling frequency = [bl]" + TextAt(kSampleRateTexts, sfreq) + "[/bl] kHz");
  uint32_t rate = reader.ReadBits(5);
  log.log("   Transmission bitrate = [bl]" + TextAt(kBitRateTexts, rate) + "[/bl] kbit/s");
  reader.SkipBits(5);  // MIX, DYNF, TIMEF, AUXF, HDCD
  uint32_t extensionId = reader.ReadBits(3);
  if (reader.ReadFlag()) log.log("   Extension audio = " + TextAt(kExtensionTexts, extensionId));
  reader.SkipBits(1);  // ASPF
  uint32_t lff = reader.ReadBits(2);
  log.log("   LFE channel = " + TextAt(kLfeTexts, lff));
  reader.SkipBits(1);  // HFLAG
  if (crcPresent) log.log("   Header CRC = " + HexText(reader.ReadBits(16), 4));
  reader.SkipBits(1);  // FILTS
  uint32_t vernum = reader.ReadBits(4);
  log.log("   Encoder software rev. = " + IntText(vernum) + EncoderRevisionSuffix(vernum));
  reader.SkipBits(2);  // CHIST
  uint32_t pcmr = reader.ReadBits(3);
  log.log("   Source PCM resolution = " + TextAt(kPcmResolutionTexts, pcmr));

  const int channels = ValueAt(kChannelCounts, amode);
  facts.channels = channels > 0 ? channels + (lff == 1 || lff == 2) : 0;
  facts.sampleRate = ValueAt(kSampleRates, sfreq);
  facts.bitRate = ValueAt(kBitRates, rate);
  facts.bitsPerSample = ValueAt(kPcmResolutions, pcmr);
}

}  // namespace

// The reader's window doubles as the rolling scan value and its position as
// the scan index, so after a header the scan goes on from where the header
// ended, with the header's last bits still in the window.
StreamFacts DtsInfo(const ByteView& view, int64_t start, int64_t count, int audioStream, MessageLog& log) {
  (void)audioStream;
  StreamFacts facts;
  facts.coding = "DTS";
  // The piece's last byte never enters the scan. Bytes outside the loaded
  // ones read as zero and complete no sync word, so the scan keeps to the
  // loaded bytes (and the reader's 32-bit position stays in range).
  if (start < 0) start = 0;
  if (start >= view.loaded) return facts;
  bool coreSeen = false;
  bool extensionSubstream = false;
  int64_t scanEnd = std::min({start + std::min(count, view.loaded) - 1, view.loaded, kPositionLimit});
  BitReader reader(view);
  reader.window = 0;
  reader.consumed = 0;
  reader.position = static_cast<int32_t>(start);
  while (reader.position < scanEnd) {
    reader.window = reader.window << 8 | view.at(reader.position);
    reader.position += 1;
    switch (reader.window) {
      case kCoreSync: {
        StreamFacts core;
        DescribeCoreHeader(reader, core, log);
        if (!coreSeen) facts = core;
        coreSeen = true;
        break;
      }
      case kChannelExtSync:
        log.log("   Channel extension found");
        break;
      case kFrequencyExtSync:
        log.log("   Frequency extensiond found ([bl]96[/bl] kHz)");  // sic: "extensiond"
        break;
      case kSubstreamSync:
        extensionSubstream = true;
        break;
      default:
        break;
    }
  }
  facts.coding = extensionSubstream ? "DTS-HD" : "DTS";
  return facts;
}

}  // namespace klarvex
