// The plain decoders of a title set's facts; the libdvdread read is in
// ifo_read.cpp.
#include "navigation/ifo_title.h"

#include <algorithm>
#include <cmath>

#include "navigation/xpl_chapters.h"
#include "navigation/xpl_text.h"

namespace klarvex {

namespace {

constexpr int64_t kTicksPerSecond = 90000;

int Bcd(uint8_t value) { return (value >> 4) * 10 + (value & 0x0F); }

// One colour component rounded to the nearest and clamped to a byte.
uint32_t Component(double value) { return static_cast<uint32_t>(std::clamp(std::floor(value + 0.5), 0.0, 255.0)); }

// The carried stream numbers an entry stands for on this title's display.
bool ShowsSubstream(const DvdSubpictureStream& s, DvdAspectRatio aspect, int n, bool anyDisplay) {
  const bool fourByThree = anyDisplay || aspect != DvdAspectRatio::Wide;
  const bool wide = anyDisplay || aspect == DvdAspectRatio::Wide;
  return (fourByThree && s.streamFourByThree == n) ||
         (wide && (s.streamWide == n || s.streamLetterbox == n || s.streamPanScan == n));
}

}  // namespace

int64_t DvdTimeTo90k(uint8_t hours, uint8_t minutes, uint8_t seconds, uint8_t frames) {
  const int64_t wholeSeconds = Bcd(hours) * 3600 + Bcd(minutes) * 60 + Bcd(seconds);
  int64_t frameTicks = 0;
  switch (frames >> 6) {
    case 1:  // 25 fps
      frameTicks = 3600;
      break;
    case 3:  // 30000/1001 fps
      frameTicks = 3003;
      break;
    default:  // 00 and 10 name no rate
      break;
  }
  return wholeSeconds * kTicksPerSecond + Bcd(frames & 0x3F) * frameTicks;
}

int64_t Ticks90kToMs(int64_t ticks) { return (ticks + 45) / 90; }

// ITU-R BT.601, studio range (Y 16..235, Cb and Cr 16..240 around 128),
// with Kr = 0.299, Kb = 0.114:
//   y = (Y - 16) * 255/219, cr = (Cr - 128) * 255/224, cb = (Cb - 128) * 255/224
//   R = y + 1.402 cr
//   B = y + 1.772 cb
//   G = (y - 0.299 R - 0.114 B) / 0.587  (= y - 0.714136 cr - 0.344136 cb)
// each rounded to the nearest and clamped to 0..255.
uint32_t YCrCbToRgb(uint32_t yCrCb) {
  constexpr double kr = 0.299, kb = 0.114;
  const double y = (static_cast<int>(yCrCb >> 16 & 0xFF) - 16) * 255.0 / 219.0;
  const double cr = (static_cast<int>(yCrCb >> 8 & 0xFF) - 128) * 255.0 / 224.0;
  const double cb = (static_cast<int>(yCrCb & 0xFF) - 128) * 255.0 / 224.0;
  const double r = y + 2 * (1 - kr) * cr;
  const double b = y + 2 * (1 - kb) * cb;
  const double g = (y - kr * r - kb * b) / (1 - kr - kb);
  return Component(r) << 16 | Component(g) << 8 | Component(b);
}

std::string AudioLanguageOfStream(const DvdTitleInfo& title, int streamNumber) {
  for (const DvdAudioStream& a : title.audio)
    if (a.streamNumber == streamNumber && streamNumber >= 0) return a.language;
  return "";
}

// The entries meant for the title's display first; a disc that fills in
// only another display's number is still understood.
std::string SubpictureLanguageOfStream(const DvdTitleInfo& title, int streamNumber) {
  if (streamNumber < 0) return "";
  for (bool anyDisplay : {false, true})
    for (const DvdSubpictureStream& s : title.subpictures)
      if (ShowsSubstream(s, title.video.aspect, streamNumber, anyDisplay)) return s.language;
  return "";
}

const char* DvdAudioCodingName(DvdAudioCoding coding) {
  switch (coding) {
    case DvdAudioCoding::Ac3:
      return "AC-3";
    case DvdAudioCoding::Mpeg1:
      return "MPEG-1";
    case DvdAudioCoding::Mpeg2Ext:
      return "MPEG-2ext";
    case DvdAudioCoding::Lpcm:
      return "LPCM";
    case DvdAudioCoding::Dts:
      return "DTS";
    case DvdAudioCoding::Unknown:
      break;
  }
  return "unknown";
}

std::vector<std::string> DvdChapterList(const DvdTitleInfo& title) {
  std::vector<std::string> list;
  int number = 0;
  for (const DvdChapter& chapter : title.chapters) {
    ++number;
    AddChapterAt(list, number, "Chapter " + PadNum(number, 2), chapter.startMs);
  }
  return list;
}

}  // namespace klarvex
