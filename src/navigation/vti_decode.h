// Decoding the two tables of a title set information file into texts: the
// bit fields, the fixed lists a value picks from, and the rows of the
// stream grids. The VTI tab's model and the command line's report are both
// built from these records, so they show the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "navigation/vti_tables.h"

namespace klarvex {

// The bit fields (bit 0 is the least significant bit of the value as read).
inline int ApplicationType(uint16_t type) { return (type >> 12) & 3; }
inline int AudioGap0(uint16_t type) { return (type >> 5) & 3; }
inline int AudioGap1(uint16_t type) { return (type >> 3) & 3; }
inline bool SubVideoPresent(uint16_t flags) { return ((flags >> 10) & 3) == 1; }
inline bool SubAudioPresent(uint16_t flags) { return ((flags >> 8) & 3) == 1; }
inline int VideoCompression(uint32_t video) { return (video >> 29) & 7; }
inline int VideoTvSystem(uint32_t video) { return (video >> 26) & 7; }
inline int VideoAspect(uint32_t video) { return (video >> 24) & 3; }
inline int VideoScanType(uint32_t video) { return (video >> 20) & 3; }
inline int VideoResolution(uint32_t video) { return (video >> 12) & 15; }

// The entries of the fixed lists.
using VtiItems = std::vector<std::string>;
const VtiItems& AppTypeItems();
const VtiItems& AudioGapItems();
const VtiItems& CompressionItems();
const VtiItems& ResolutionItems();
const VtiItems& AspectItems();
const VtiItems& ScanTypeItems();
const VtiItems& TvSystemItems();

// A value picked from a list: its position there and its text; a value
// outside the list picks nothing (-1, "").
struct VtiChoice {
  int position = -1;
  std::string text;

  bool operator==(const VtiChoice&) const = default;
};

VtiChoice Choose(const VtiItems& items, int64_t position);

// A grid of texts: row 0 holds the headings, then one row per stream, or
// one empty row when there is none.
struct VtiGrid {
  static constexpr int kColumns = 5;
  using Row = std::vector<std::string>;

  std::vector<Row> rows;

  bool operator==(const VtiGrid&) const = default;
};

// Grid cell texts; "" for a value outside the table.
std::string AudioCodingText(int coding);
std::string FrequencyText(int frequency);
std::string SubpictureCodingText(int coding);

// One grid row for an audio stream attribute: "No.", "Coding", "Frequency",
// "Quantization" (only for MLP and LPCM), "Channels".
VtiGrid::Row AudioRow(int number, const AudioAttr& attr);

// One VTS_EVOBI. A default record is no EVOB: nothing picked, no texts.
struct DecodedEvobInfo {
  VtiChoice appType, audioGap0, audioGap1;
  VtiChoice attrNumber;  // the attribute entry it names, listed as "1" to N
  std::string name, addressOffset, size, index, startPtm, endPtm;
};

// `attrCount`: the entries of the attribute table its number may name.
DecodedEvobInfo DecodeEvobInfo(const EvobInfo& info, size_t attrCount);

// One video stream attribute; `present` false: no such stream.
struct DecodedVideo {
  bool present = true;
  VtiChoice compression, resolution, aspect, scanType, tvSystem;
};

// One VTS_EVOB_ATR.
struct DecodedEvobAttr {
  DecodedVideo mainVideo, subVideo;
  VtiGrid mainAudio, subAudio, subpicture;
};

DecodedEvobAttr DecodeEvobAttr(const EvobAttr& attr);
// No entry: nothing picked, no sub video, every grid its headings over one
// empty row.
DecodedEvobAttr NoEvobAttr();

}  // namespace klarvex
