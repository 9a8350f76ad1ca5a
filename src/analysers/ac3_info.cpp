#include "analysers/ac3_info.h"

#include <array>
#include <string>
#include <string_view>

#include "base/text_format.h"

namespace klarvex {

namespace {

constexpr uint16_t kSyncWord = 0x0B77;
// Header bytes 2 to 6 follow the sync word; the countdown names them 4 to 0.
constexpr int kHeaderBytesAfterSync = 5;

// By fscod; 3 is reserved and reads as 0, which drops the lock.
constexpr std::array<uint32_t, 4> kSampleRates = {48000, 44100, 32000, 0};

// Nominal AC-3 bit rates (bit/s) by frmsizecod / 2, for frmsizecod 0 to 37.
constexpr std::array<uint32_t, 19> kNominalBitRates = {32000,  40000,  48000,  56000,  64000,  80000,  96000,
                                                       112000, 128000, 160000, 192000, 224000, 256000, 320000,
                                                       384000, 448000, 512000, 576000, 640000};

// E-AC-3 audio blocks per frame, by numblkscod.
constexpr std::array<uint32_t, 4> kBlocksPerFrame = {1, 2, 3, 6};

// Full-bandwidth channels by acmod (dual mono is two).
constexpr std::array<int, 8> kFullBandwidthChannels = {2, 1, 2, 3, 3, 4, 4, 5};

constexpr std::array<const char*, 8> kChannelArrangements = {
    "dual mono", "mono", "L + R", "L + R + C", "L + R + S", "L + R + C + S", "L + R + Ls + Rs", "L + R + C + Ls + Rs"};

// frmsizecod 38 to 63 have no nominal rate: 0, which drops the lock.
uint32_t NominalBitRate(uint32_t index) { return index < kNominalBitRates.size() ? kNominalBitRates[index] : 0; }

bool IsEnhanced(uint32_t bsid) { return bsid >= 11 && bsid <= 16; }

// AC-3 keeps lfeon after the mixing levels that acmod calls for: centre
// (three front channels), surround (any surround) and Dolby Surround mode
// (stereo). All of them fit in the byte that begins with acmod.
uint32_t Ac3LfeOn(uint8_t acmodByte) {
  const uint32_t acmod = acmodByte >> 5;
  int bit = 3;
  if ((acmod & 1) && acmod != 1) bit += 2;  // cmixlev
  if (acmod & 4) bit += 2;                  // surmixlev
  if (acmod == 2) bit += 2;                 // dsurmod
  return (acmodByte >> (7 - bit)) & 1;
}

std::string SampleRateLine(uint32_t rate) {
  return "   Sampling frequency = [bl]" + GeneralNumberText(rate / 1000.0) + "[/bl] kHz";
}

std::string BitRateLine(uint32_t bitrate) {
  return "   Transmission bitrate = [bl]" + IntText(bitrate / 1000) + "[/bl] kbit/s";
}

// The fields of one syncinfo + bsi header, as far as they are reported.
struct Ac3Header {
  uint32_t frmsiz = 0;  // E-AC-3 frame size in 16-bit words, minus 1
  uint32_t rate = 0;
  uint32_t bitrate = 0;
  uint32_t blocks = 0;
  uint32_t acmod = 0;
  uint32_t lfe = 0;
  uint32_t bsid = 0;
  uint32_t bsmod = 0;
};

StreamFacts FactsOf(const Ac3Header& header, bool enhanced) {
  StreamFacts facts;
  facts.coding = enhanced ? "E-AC-3" : "AC-3";
  facts.channels = kFullBandwidthChannels[header.acmod] + static_cast<int>(header.lfe);
  facts.sampleRate = static_cast<int>(header.rate);
  facts.bitRate = header.bitrate;
  // The report's E-AC-3 rate holds at 48 kHz; each block is 256 samples.
  if (enhanced) facts.bitRate = int64_t{header.frmsiz + 1} * 16 * header.rate / (256 * header.blocks);
  return facts;
}

// Writes the Dolby Digital Plus report; returns whether the lock holds.
bool ReportEnhanced(Ac3Header& header, int audioStream, MessageLog& log) {
  bool valid = header.rate != 0;
  // E-AC-3 states no bit rate: derive it from the frame size at 48 kHz.
  if (valid) header.bitrate = ((header.frmsiz + 1) * 16) * (750 / header.blocks) / 4;
  log.log("   Stream " + IntText(audioStream) + " is [b]Dolby Digital Plus[/b]");
  log.log("   frame size = " + IntText((header.frmsiz + 1) * 2) +
          " bytes, number of blocks per frame = " + IntText(header.blocks));
  log.log(SampleRateLine(header.rate));
  log.log(BitRateLine(header.bitrate));
  log.log("   Channel arrangement = [bl]" + std::string(kChannelArrangements[header.acmod]) +
          "[/bl], bsid = " + IntText(header.bsid));
  log.log("   LFE channel = [bl]" + std::string(header.lfe == 1 ? "present" : "not present") + "[/bl]");
  return valid;
}

// Writes the Dolby Digital report; returns whether the lock holds.
bool ReportAc3(Ac3Header& header, uint8_t lastByte, int audioStream, MessageLog& log) {
  header.acmod = lastByte >> 5;  // AC-3 keeps acmod in the byte after bsid / bsmod
  header.lfe = Ac3LfeOn(lastByte);
  bool valid = header.rate != 0 && header.bitrate != 0;
  log.log("   Stream " + IntText(audioStream) + " is [b]Dolby Digital[/b]");
  log.log(SampleRateLine(header.rate));
  log.log(BitRateLine(header.bitrate));
  log.log("   Channel arrangement = [bl]" + std::string(kChannelArrangements[header.acmod]) +
          "[/bl], bsid = " + IntText(header.bsid) + ", bsmod =" + IntText(header.bsmod));
  return valid;
}

// Locks on the first sync word and reports the header after it; a header
// with no usable rate lets the next sync word start over.
class Ac3Scanner {
 public:
  Ac3Scanner(int audioStream, MessageLog& log) : audioStream_(audioStream), log_(log) {}

  void Feed(uint8_t b) {
    recent_ = static_cast<uint16_t>(recent_ << 8 | b);
    if (recent_ == kSyncWord) {
      if (!locked_) {
        countdown_ = kHeaderBytesAfterSync;
        locked_ = true;
      }
      return;
    }
    if (countdown_ > 0) TakeHeaderByte(--countdown_, b);
  }

  // Zero bytes can neither form a sync word nor matter once no header is due.
  bool Idle() const { return countdown_ == 0; }

  const StreamFacts& facts() const { return facts_; }

 private:
  void TakeHeaderByte(int remaining, uint8_t b) {
    switch (remaining) {
      case 4:
        header_.frmsiz = (b & 0x07u) << 8;
        break;  // for AC-3 this is crc1, unused
      case 3:
        header_.frmsiz |= b;
        break;
      case 2:
        header_.rate = kSampleRates[b >> 6];
        header_.bitrate = NominalBitRate((b & 0x3Fu) >> 1);
        header_.blocks = kBlocksPerFrame[(b >> 4) & 0x03];
        header_.acmod = (b >> 1) & 0x07;
        header_.lfe = b & 0x01;
        break;
      case 1:
        header_.bsid = b >> 3;
        header_.bsmod = b & 0x07;
        break;
      case 0: {
        const bool enhanced = IsEnhanced(header_.bsid);
        locked_ = enhanced ? ReportEnhanced(header_, audioStream_, log_) : ReportAc3(header_, b, audioStream_, log_);
        if (locked_) facts_ = FactsOf(header_, enhanced);
        break;
      }
    }
  }

  int audioStream_;
  MessageLog& log_;
  uint16_t recent_ = 0;  // the last two bytes seen
  bool locked_ = false;
  int countdown_ = 0;
  Ac3Header header_;
  StreamFacts facts_;
};

}  // namespace

StreamFacts Ac3Info(const ByteView& view, int64_t start, int64_t count, int audioStream, MessageLog& log) {
  Ac3Scanner scanner(audioStream, log);
  for (int64_t offset = 0; offset < count; ++offset) {
    int64_t index = start + offset;
    if (index >= view.loaded && scanner.Idle()) break;  // only zeros would follow
    scanner.Feed(view.at(index));
  }
  return scanner.facts();
}

}  // namespace klarvex
