#include "navigation/vti_decode.h"

#include <algorithm>
#include <utility>

#include "base/text_format.h"

namespace klarvex {

const VtiItems& AppTypeItems() {
  static const VtiItems kItems = {"---", "Standard VTS", "Advanced VTS", "Interoperable VTS"};
  return kItems;
}

const VtiItems& AudioGapItems() {
  static const VtiItems kItems = {"No audio gap", "Audio gap in 1.", "Audio gap in 2.", "Audio gap in 3."};
  return kItems;
}

const VtiItems& CompressionItems() {
  static const VtiItems kItems = {"MPEG-1", "MPEG-2", "MPEG-4 AVC", "VC-1", "4", "5", "6", "7"};
  return kItems;
}

const VtiItems& ResolutionItems() {
  static const VtiItems kItems = {"352x240(288)", "352x480(576)", "480x480(576)", "544x480(576)", "704x480(576)",
                                  "720x480(576)", "--",           "--",           "1280x720",     "960x1080",
                                  "1280x1080",    "1440x1080",    "1920x1080"};
  return kItems;
}

const VtiItems& AspectItems() {
  static const VtiItems kItems = {"4:3", "16:9"};
  return kItems;
}

const VtiItems& ScanTypeItems() {
  static const VtiItems kItems = {"interlaced", "progressive"};
  return kItems;
}

const VtiItems& TvSystemItems() {
  static const VtiItems kItems = {"525/60Hz", "625/50Hz", "Enhanced 60Hz", "Enhanced 50Hz"};
  return kItems;
}

VtiChoice Choose(const VtiItems& items, int64_t position) {
  if (position < 0 || position >= static_cast<int64_t>(items.size())) return {};
  return {static_cast<int>(position), items[static_cast<size_t>(position)]};
}

std::string AudioCodingText(int coding) {
  static const char* const kTexts[] = {"AC-3 - IO VTS", "MLP/True HD", "MPEG-1",     "MPEG-2",
                                       "LPCM - IO VTS", "LPCM",        "DTS/DTS-HD", "DD/DD+"};
  return coding >= 0 && coding < 8 ? kTexts[coding] : "";
}

std::string FrequencyText(int frequency) {
  static const char* const kTexts[] = {"48 kHz", "96 kHz", "192 kHz"};
  return frequency >= 0 && frequency < 3 ? kTexts[frequency] : "";
}

std::string SubpictureCodingText(int coding) {
  switch (coding) {
    case 0:
      return "2 bit RLE (old)";
    case 1:
      return "2 bit RLE";
    case 4:
      return "8 bit RLE";
    default:
      return "";
  }
}

VtiGrid::Row AudioRow(int number, const AudioAttr& attr) {
  const int coding = attr[0] >> 2;
  const bool quantized = coding == 1 || coding == 4 || coding == 5;
  const int bits = (attr[2] >> 6) * 4 + 16;
  const int channels = ((attr[2] >> 2) & 7) + 1;
  return {IntText(number), AudioCodingText(coding), FrequencyText(attr[1] >> 5),
          quantized ? IntText(bits) + " bit" : "", IntText(channels)};
}

DecodedEvobInfo DecodeEvobInfo(const EvobInfo& info, size_t attrCount) {
  DecodedEvobInfo d;
  d.appType = Choose(AppTypeItems(), ApplicationType(info.type));
  d.audioGap0 = Choose(AudioGapItems(), AudioGap0(info.type));
  d.audioGap1 = Choose(AudioGapItems(), AudioGap1(info.type));
  if (info.attrNumber >= 1 && info.attrNumber <= attrCount)
    d.attrNumber = {static_cast<int>(info.attrNumber - 1), IntText(info.attrNumber)};
  d.name = info.name;
  d.addressOffset = HexText(info.addressOffset, 8);
  d.size = IntText(info.size);
  d.index = IntText(info.index);
  d.startPtm = HexText(info.startPtm, 8);
  d.endPtm = HexText(info.endPtm, 8);
  return d;
}

namespace {

const VtiGrid::Row& AudioHeadings() {
  static const VtiGrid::Row kHeadings = {"No.", "Coding", "Frequency", "Quantization", "Channels"};
  return kHeadings;
}

const VtiGrid::Row& SubpictureHeadings() {
  static const VtiGrid::Row kHeadings = {"No.", "Coding", "", "", ""};
  return kHeadings;
}

// With no streams one empty row under the headings.
VtiGrid Grid(const VtiGrid::Row& headings, std::vector<VtiGrid::Row> streams) {
  VtiGrid grid;
  grid.rows.push_back(headings);
  if (streams.empty()) grid.rows.emplace_back(VtiGrid::kColumns);
  for (VtiGrid::Row& row : streams) grid.rows.push_back(std::move(row));
  return grid;
}

DecodedVideo NoVideo() {
  DecodedVideo d;
  d.present = false;
  return d;
}

DecodedVideo DecodeVideo(uint32_t video) {
  DecodedVideo d;
  d.compression = Choose(CompressionItems(), VideoCompression(video));
  d.resolution = Choose(ResolutionItems(), VideoResolution(video));
  d.aspect = Choose(AspectItems(), VideoAspect(video) == 3 ? 1 : 0);
  d.scanType = Choose(ScanTypeItems(), VideoScanType(video));
  d.tvSystem = Choose(TvSystemItems(), VideoTvSystem(video));
  return d;
}

// Only the slots the entry has are shown, whatever its count says.
VtiGrid AudioGrid(int count, const std::array<AudioAttr, EvobAttr::kAudioSlots>& attrs, int firstNumber) {
  std::vector<VtiGrid::Row> rows;
  const int shown = std::min(count, EvobAttr::kAudioSlots);
  for (int k = 0; k < shown; ++k) rows.push_back(AudioRow(firstNumber + k, attrs[static_cast<size_t>(k)]));
  return Grid(AudioHeadings(), std::move(rows));
}

VtiGrid SubpictureGrid(const EvobAttr& a) {
  std::vector<VtiGrid::Row> rows;
  const int shown = std::min<int>(a.subpictureCount, EvobAttr::kSubpictureSlots);
  for (int k = 0; k < shown; ++k)
    rows.push_back({IntText(k), SubpictureCodingText(a.subpicture[static_cast<size_t>(k)][0] >> 5), "", "", ""});
  return Grid(SubpictureHeadings(), std::move(rows));
}

}  // namespace

DecodedEvobAttr DecodeEvobAttr(const EvobAttr& attr) {
  DecodedEvobAttr d;
  d.mainVideo = DecodeVideo(attr.mainVideo);
  d.subVideo = SubVideoPresent(attr.flags) ? DecodeVideo(attr.subVideo) : NoVideo();
  d.mainAudio = AudioGrid(attr.mainAudioCount, attr.mainAudio, 0);
  d.subAudio = AudioGrid(SubAudioPresent(attr.flags) ? attr.subAudioCount : 0, attr.subAudio, 8);
  d.subpicture = SubpictureGrid(attr);
  return d;
}

DecodedEvobAttr NoEvobAttr() {
  DecodedEvobAttr d;
  d.subVideo = NoVideo();
  d.mainAudio = Grid(AudioHeadings(), {});
  d.subAudio = Grid(AudioHeadings(), {});
  d.subpicture = Grid(SubpictureHeadings(), {});
  return d;
}

}  // namespace klarvex
