#include "navigation/vti_view.h"

#include <algorithm>

#include "base/text_format.h"

namespace klarvex {

namespace {

// A value outside the list selects nothing.
void Select(VtiList& list, int64_t position) {
  list.selected = position >= 0 && position < static_cast<int64_t>(list.items.size()) ? static_cast<int>(position) : -1;
}

void SelectVideo(VtiVideoLists& lists, uint32_t video) {
  Select(lists.compression, VideoCompression(video));
  Select(lists.resolution, VideoResolution(video));
  Select(lists.aspect, VideoAspect(video) == 3 ? 1 : 0);
  Select(lists.scanType, VideoScanType(video));
  Select(lists.tvSystem, VideoTvSystem(video));
}

void ShowNoVideo(VtiVideoLists& lists, bool enabled) {
  for (VtiList* list : {&lists.compression, &lists.resolution, &lists.aspect, &lists.scanType, &lists.tvSystem}) {
    list->selected = -1;
    list->enabled = enabled;
  }
}

// Heading kept; with no streams one empty row under it.
void StartRows(VtiGrid& grid) {
  grid.rows.resize(1);
  grid.rows.front().resize(VtiGrid::kColumns);
}

void EndRows(VtiGrid& grid) {
  if (grid.rows.size() == 1) grid.rows.emplace_back(VtiGrid::kColumns);
}

// Only the slots the entry has are shown, whatever its count says.
void FillAudio(VtiGrid& grid, int count, const std::array<AudioAttr, EvobAttr::kAudioSlots>& attrs, int firstNumber) {
  StartRows(grid);
  const int shown = std::min(count, EvobAttr::kAudioSlots);
  for (int k = 0; k < shown; ++k) grid.rows.push_back(AudioRow(firstNumber + k, attrs[static_cast<size_t>(k)]));
  EndRows(grid);
}

void FillSubpicture(VtiGrid& grid, const EvobAttr& a) {
  StartRows(grid);
  const int shown = std::min<int>(a.subpictureCount, EvobAttr::kSubpictureSlots);
  for (int k = 0; k < shown; ++k)
    grid.rows.push_back({IntText(k), SubpictureCodingText(a.subpicture[static_cast<size_t>(k)][0] >> 5), "", "", ""});
  EndRows(grid);
}

void ShowNoAttr(VtiModel& m) {
  ShowNoVideo(m.main, true);
  ShowNoVideo(m.sub, false);
  for (VtiGrid* grid : {&m.sgMainAudio, &m.sgSubAudio, &m.sgSubpicture}) {
    StartRows(*grid);
    EndRows(*grid);
  }
}

void ShowNoEvob(VtiModel& m) {
  for (VtiList* list : {&m.cbAppType, &m.cbA0gap, &m.cbA1gap, &m.cbAttrNo}) list->selected = -1;
  for (std::string* text : {&m.eEVOBname, &m.eAddrOffs, &m.ieEVOsize, &m.ieEVOindex, &m.eStartPTM, &m.eEndPTM})
    text->clear();
  ShowNoAttr(m);
}

}  // namespace

std::string AudioCodingText(int coding) {
  static const char* const kTexts[] = {"AC-3 - IO VTS", "MLP/True HD", "MPEG-1", "MPEG-2",
                                       "LPCM - IO VTS", "LPCM",        "DTS/DTS-HD", "DD/DD+"};
  return coding >= 0 && coding < 8 ? kTexts[coding] : "";
}

std::string FrequencyText(int frequency) {
  static const char* const kTexts[] = {"48 kHz", "96 kHz", "192 kHz"};
  return frequency >= 0 && frequency < 3 ? kTexts[frequency] : "";
}

std::string SubpictureCodingText(int coding) {
  switch (coding) {
    case 0: return "2 bit RLE (old)";
    case 1: return "2 bit RLE";
    case 4: return "8 bit RLE";
    default: return "";
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

void RefreshEvob(VtiModel& m) {
  const int position = m.cbEVOname.selected;
  if (position < 0 || position >= static_cast<int>(m.infoTable.size())) {
    ShowNoEvob(m);
    return;
  }
  const EvobInfo& r = m.infoTable[static_cast<size_t>(position)];
  Select(m.cbAppType, ApplicationType(r.type));
  Select(m.cbA0gap, AudioGap0(r.type));
  Select(m.cbA1gap, AudioGap1(r.type));
  m.eEVOBname = r.name;
  m.eAddrOffs = HexText(r.addressOffset, 8);
  Select(m.cbAttrNo, int64_t{r.attrNumber} - 1);
  RefreshAttr(m);
  m.ieEVOsize = IntText(r.size);
  m.ieEVOindex = IntText(r.index);
  m.eStartPTM = HexText(r.startPtm, 8);
  m.eEndPTM = HexText(r.endPtm, 8);
}

void RefreshAttr(VtiModel& m) {
  const int position = m.cbAttrNo.selected;
  if (position < 0 || position >= static_cast<int>(m.attrTable.size())) {
    ShowNoAttr(m);
    return;
  }
  const EvobAttr& a = m.attrTable[static_cast<size_t>(position)];
  SelectVideo(m.main, a.mainVideo);
  if (SubVideoPresent(a.flags)) {
    ShowNoVideo(m.sub, true);
    SelectVideo(m.sub, a.subVideo);
  } else {
    ShowNoVideo(m.sub, false);
  }
  FillAudio(m.sgMainAudio, a.mainAudioCount, a.mainAudio, 0);
  FillAudio(m.sgSubAudio, SubAudioPresent(a.flags) ? a.subAudioCount : 0, a.subAudio, 8);
  FillSubpicture(m.sgSubpicture, a);
}

void ClearVtiTables(VtiModel& m) {
  m.attrTable.clear();
  m.infoTable.clear();
  m.cbEVOname.items.clear();
  m.cbEVOname.selected = -1;
  m.cbAttrNo.items.clear();
  ShowNoEvob(m);
}

}  // namespace klarvex
