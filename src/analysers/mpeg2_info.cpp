#include "analysers/mpeg2_info.h"

#include <array>
#include <cmath>
#include <string>

#include "base/text_format.h"

namespace klarvex {

namespace {

constexpr uint32_t kPictureStartCode = 0x00000100;
constexpr uint32_t kSequenceHeaderCode = 0x000001B3;
constexpr uint32_t kExtensionStartCode = 0x000001B5;

// extension_start_code_identifier values
constexpr uint8_t kSequenceExtensionId = 1;
constexpr uint8_t kPictureCodingExtensionId = 8;

// Bytes looked at after each code or identifier byte, and the countdown
// values at which the fields of interest arrive.
constexpr int kSequenceHeaderBytes = 7;
constexpr int kSizeByte = 4;            // 3rd byte: horizontal / vertical size complete
constexpr int kAspectAndRateByte = 3;   // 4th byte: aspect_ratio_information, frame_rate_code
constexpr int kBitRateByte = 0;         // 7th byte: bit_rate_value complete
constexpr int kPictureHeaderBytes = 2;  // picture_coding_type is in the 2nd byte
constexpr int kPictureCodingExtensionBytes = 5;
constexpr int kPtsCheckByte = 1;  // 4th byte after the identifier byte
// The first video PTS is shown at the second picture coding extension
// after the first sequence header of the piece.
constexpr int kPicturesBeforePts = 2;

struct FrameRateRow {
  const char* line;
  double rate;        // what the frame report divides by; 1.0 for codes with no rate
  int64_t numerator;  // the exact rate; 0 for codes with none
  int64_t denominator;
};

constexpr std::array<FrameRateRow, 16> kFrameRates = {{
    {"   Frame rate = forbidden", 1.0, 0, 1},
    {"   Frame rate = [bl]23.976[/bl] fps", 24000.0 / 1001, 24000, 1001},
    {"   Frame rate = [bl]24[/bl] fps", 24, 24, 1},
    {"   Frame rate = [bl]25[/bl] fps", 25, 25, 1},
    {"   Frame rate = [bl]29.97[/bl] fps", 30000.0 / 1001, 30000, 1001},
    {"   Frame rate = [bl]30[/bl] fps", 30, 30, 1},
    {"   Frame rate = [bl]50[/bl] fps", 50, 50, 1},
    {"   Frame rate = [bl]59.94[/bl] fps", 60000.0 / 1001, 60000, 1001},
    {"   Frame rate = [bl]60[/bl] fps", 60, 60, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
    {"   Frame rate = reserved", 1.0, 0, 1},
}};

constexpr std::array<const char*, 16> kAspectRatioLines = {
    "   Aspect ratio = forbidden",       "   Aspect ratio = [bl]1:1[/bl] (square samples)",
    "   Aspect ratio = [bl]4:3[/bl]",    "   Aspect ratio = [bl]16:9[/bl]",
    "   Aspect ratio = [bl]2.21:1[/bl]", "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",        "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",        "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",        "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",        "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",        "   Aspect ratio = reserved",
};

// The display aspect ratio by aspect_ratio_information; 0 where the code
// gives none. Square samples (code 1) make it the picture's own shape.
struct AspectRow {
  int64_t numerator;
  int64_t denominator;
};
constexpr int kSquareSamples = 1;
constexpr std::array<AspectRow, 5> kAspectRatios = {{{0, 1}, {0, 1}, {4, 3}, {16, 9}, {221, 100}}};

std::optional<Ratio> DisplayAspectRatio(int code, int64_t width, int64_t height) {
  if (code == kSquareSamples) return ReducedRatio(width, height);
  if (code >= static_cast<int>(kAspectRatios.size())) return std::nullopt;
  return ReducedRatio(kAspectRatios[code].numerator, kAspectRatios[code].denominator);
}

// Follows the start codes byte by byte, counting down through the few
// header bytes it reports on, so that a header cut by the end of the piece
// reports exactly the fields that were reached.
class Mpeg2Scanner {
 public:
  Mpeg2Scanner(uint32_t pts, MessageLog& log) : pts_(pts), log_(log) {}

  void Feed(uint8_t b) {
    recent_ = recent_ << 8 | b;
    if (recent_ == kPictureStartCode) {
      pictureBytes_ = kPictureHeaderBytes;
    } else if (recent_ == kSequenceHeaderCode) {
      OnSequenceHeaderCode();
    } else if (sequenceBytes_ > 0) {
      OnSequenceHeaderByte(b);
    } else if (pictureBytes_ > 0) {
      OnPictureHeaderByte(b);
    } else if (recent_ == kExtensionStartCode) {
      extensionIdPending_ = true;
    } else if (extensionIdPending_) {
      OnExtensionIdentifier(b);
    } else if (pictureCodingExtensionBytes_ > 0) {
      OnPictureCodingExtensionByte();
    } else if (sequenceExtensionPending_) {
      OnSequenceExtensionByte(b);
    }
  }

  // Nothing pending and no code begun: further zero bytes change nothing.
  bool Idle() const {
    return recent_ == 0 && sequenceBytes_ == 0 && pictureBytes_ == 0 && !extensionIdPending_ &&
           pictureCodingExtensionBytes_ == 0 && !sequenceExtensionPending_;
  }

  const StreamFacts& facts() const { return facts_; }

 private:
  void OnSequenceHeaderCode() {
    sequenceBytes_ = kSequenceHeaderBytes;
    if (!sequenceSeen_) {
      log_.log("   Sequence Header found");
      if (picturesBefore_ > 0) log_.log("   " + IntText(picturesBefore_) + " frames before first Sequence Header");
      sequenceSeen_ = true;
      ptsCountdown_ = kPicturesBeforePts;
    }
    picturesBefore_ = 0;
  }

  // Once the sequence extension has been reported, later sequence headers
  // of the piece are passed over in silence.
  void OnSequenceHeaderByte(uint8_t b) {
    --sequenceBytes_;
    if (progressiveShown_) return;
    switch (sequenceBytes_) {
      case kSizeByte:
        facts_.width = (recent_ >> 12) & 0xFFF;
        facts_.height = recent_ & 0xFFF;
        log_.log("   size = [bl]" + IntText(facts_.width) + "[/bl]x[bl]" + IntText(facts_.height) + "[/bl]");
        break;
      case kAspectAndRateByte: {
        log_.log(kAspectRatioLines[b >> 4]);
        const FrameRateRow& row = kFrameRates[b & 0x0F];
        log_.log(row.line);
        facts_.aspectRatio = DisplayAspectRatio(b >> 4, facts_.width, facts_.height);
        facts_.frameRate = row.rate;
        facts_.frameRateExact = ReducedRatio(row.numerator, row.denominator);
        break;
      }
      case kBitRateByte: {
        uint32_t bitRateValue = (recent_ >> 6) & 0x3FFFF;  // in units of 400 bit/s
        facts_.bitRate = int64_t{bitRateValue} * 400;
        log_.log("  Sequence header bitrate = [bl]" + IntText(bitRateValue * 400 / 1000) + "[/bl] kbps");
        break;
      }
    }
  }

  void OnPictureHeaderByte(uint8_t b) {
    if (--pictureBytes_ > 0) return;
    int codingType = (b >> 3) & 0x07;  // 1 = I, 2 = P, 3 = B
    if (codingType == 0 || codingType > 3) log_.log("   illegal picture_coding_type = " + IntText(codingType));
  }

  void OnExtensionIdentifier(uint8_t b) {
    extensionIdPending_ = false;
    switch (b >> 4) {
      case kPictureCodingExtensionId:
        if (sequenceSeen_) pictureCodingExtensionBytes_ = kPictureCodingExtensionBytes;
        ++picturesBefore_;
        break;
      case kSequenceExtensionId:
        sequenceExtensionPending_ = true;
        break;
    }
  }

  void OnPictureCodingExtensionByte() {
    if (--pictureCodingExtensionBytes_ != kPtsCheckByte || ptsCountdown_ == 0) return;
    if (--ptsCountdown_ == 0) log_.log("   First Video PTS = " + HexText(pts_, 8));
  }

  void OnSequenceExtensionByte(uint8_t b) {
    sequenceExtensionPending_ = false;
    if (progressiveShown_) return;
    const bool progressive = (b >> 3) & 0x01;
    facts_.scan = progressive ? ScanType::Progressive : ScanType::Interlaced;
    log_.log("   Progressive Sequence = " + IntText(progressive));
    progressiveShown_ = true;
  }

  uint32_t pts_;
  MessageLog& log_;
  uint32_t recent_ = 0;  // the last four bytes seen, the newest lowest
  int sequenceBytes_ = 0;
  int pictureBytes_ = 0;
  bool extensionIdPending_ = false;
  int pictureCodingExtensionBytes_ = 0;
  bool sequenceExtensionPending_ = false;
  bool sequenceSeen_ = false;
  bool progressiveShown_ = false;
  int picturesBefore_ = 0;  // picture coding extensions since the start or the last sequence header
  int ptsCountdown_ = 0;
  StreamFacts facts_;
};

}  // namespace

StreamFacts Mpeg2Info(const ByteView& view, int64_t start, int64_t count, uint32_t pts, int /*videoStream*/,
                      MessageLog& log) {
  Mpeg2Scanner scanner(pts, log);
  for (int64_t offset = 0; offset < count; ++offset) {
    int64_t index = start + offset;
    if (index >= view.loaded && scanner.Idle()) break;  // only zeros would follow
    scanner.Feed(view.at(index));
  }
  StreamFacts facts = scanner.facts();
  facts.coding = "MPEG-2";
  return facts;
}

std::string Mpeg2PulldownLine(double frameRate, bool progressiveSequence) {
  const std::string line = "   2:3 pulldown";
  if (frameRate <= 0) return line;
  double film = frameRate * (progressiveSequence ? 2.0 : 4.0) / 5;
  // A film rate that is a coded rate too is written as the table writes it.
  for (const FrameRateRow& row : kFrameRates) {
    std::string text = row.line;
    if (std::abs(row.rate - film) < 1e-9 && text.ends_with(" fps"))
      return line + ": film at " + text.substr(text.find("= ") + 2);
  }
  return line + ": film at [bl]" + GeneralNumberText(std::round(film * 1000) / 1000) + "[/bl] fps";
}

}  // namespace klarvex
