#include "navigation/vti_view.h"

#include <utility>

#include "base/text_format.h"
#include "navigation/vti_decode.h"

namespace klarvex {

namespace {

void ShowVideo(VtiVideoLists& lists, const DecodedVideo& video) {
  const std::pair<VtiList*, const VtiChoice*> shown[] = {{&lists.compression, &video.compression},
                                                         {&lists.resolution, &video.resolution},
                                                         {&lists.aspect, &video.aspect},
                                                         {&lists.scanType, &video.scanType},
                                                         {&lists.tvSystem, &video.tvSystem}};
  for (const auto& [list, choice] : shown) {
    list->selected = choice->position;
    list->enabled = video.present;
  }
}

void ShowAttr(VtiModel& m, const DecodedEvobAttr& a) {
  ShowVideo(m.main, a.mainVideo);
  ShowVideo(m.sub, a.subVideo);
  m.sgMainAudio = a.mainAudio;
  m.sgSubAudio = a.subAudio;
  m.sgSubpicture = a.subpicture;
}

void ShowEvob(VtiModel& m, const DecodedEvobInfo& e) {
  m.cbAppType.selected = e.appType.position;
  m.cbA0gap.selected = e.audioGap0.position;
  m.cbA1gap.selected = e.audioGap1.position;
  m.eEVOBname = e.name;
  m.eAddrOffs = e.addressOffset;
  m.cbAttrNo.selected = e.attrNumber.position;
  RefreshAttr(m);
  m.ieEVOsize = e.size;
  m.ieEVOindex = e.index;
  m.eStartPTM = e.startPtm;
  m.eEndPTM = e.endPtm;
}

}  // namespace

void ShowVtiTables(VtiModel& m, VtiTables tables, const std::string& sourceName) {
  m.attrTable = std::move(tables.attrTable);
  m.infoTable = std::move(tables.infoTable);
  m.cbAttrNo.items.clear();
  for (size_t i = 1; i <= m.attrTable.size(); ++i) m.cbAttrNo.items.push_back(IntText(static_cast<int64_t>(i)));
  m.cbAttrNo.selected = -1;
  m.cbEVOname.items.clear();
  m.cbEVOname.selected = -1;
  const std::string wanted = UpperCase(sourceName);
  for (const EvobInfo& info : m.infoTable) {
    if (UpperCase(info.name) == wanted) m.cbEVOname.selected = static_cast<int>(m.cbEVOname.items.size());
    m.cbEVOname.items.push_back(info.name);
  }
}

void RefreshEvob(VtiModel& m) {
  const int position = m.cbEVOname.selected;
  const bool named = position >= 0 && position < static_cast<int>(m.infoTable.size());
  // The list names the attribute entries its number may pick.
  ShowEvob(m, named ? DecodeEvobInfo(m.infoTable[static_cast<size_t>(position)], m.cbAttrNo.items.size())
                    : DecodedEvobInfo{});
}

void RefreshAttr(VtiModel& m) {
  const int position = m.cbAttrNo.selected;
  const bool named = position >= 0 && position < static_cast<int>(m.attrTable.size());
  ShowAttr(m, named ? DecodeEvobAttr(m.attrTable[static_cast<size_t>(position)]) : NoEvobAttr());
}

void ClearVtiTables(VtiModel& m) {
  m.attrTable.clear();
  m.infoTable.clear();
  m.cbEVOname.items.clear();
  m.cbEVOname.selected = -1;
  m.cbAttrNo.items.clear();
  ShowEvob(m, DecodedEvobInfo{});
}

}  // namespace klarvex
