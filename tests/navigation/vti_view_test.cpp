#include "navigation/vti_view.h"

#include <gtest/gtest.h>

#include "vti_test_file.h"

namespace klarvex::testing {
namespace {

using Row = VtiGrid::Row;
const Row kEmptyRow(5);

EvobAttr Attr(uint16_t flags = 0) {
  EvobAttr a;
  a.flags = flags;
  a.mainVideo = VideoBits(3, 0, 3, 1, 12);
  return a;
}

std::vector<std::string> Selected(const VtiVideoLists& v) {
  return {v.compression.selectedText(), v.resolution.selectedText(), v.aspect.selectedText(), v.scanType.selectedText(),
          v.tvSystem.selectedText()};
}

// A model holding the given attribute entries, the entry `number` picked.
VtiModel WithAttrs(std::vector<EvobAttr> attrs, int picked = 1) {
  VtiModel m;
  m.attrTable = std::move(attrs);
  for (size_t i = 1; i <= m.attrTable.size(); ++i) m.cbAttrNo.items.push_back(std::to_string(i));
  m.cbAttrNo.selected = picked - 1;
  RefreshAttr(m);
  return m;
}

TEST(VtiView, DecodesTheMainVideo) {
  VtiModel m = WithAttrs({Attr()});
  EXPECT_EQ(Selected(m.main), (std::vector<std::string>{"VC-1", "1920x1080", "16:9", "progressive", "525/60Hz"}));
  EvobAttr odd = Attr();
  odd.mainVideo = VideoBits(7, 5, 2, 2, 13);
  m = WithAttrs({odd});
  EXPECT_EQ(Selected(m.main), (std::vector<std::string>{"7", "", "4:3", "", ""})) << "outside a table: nothing";
  EXPECT_EQ(m.main.resolution.selected, -1);
}

TEST(VtiView, FillsTheGrids) {
  EvobAttr a = Attr(0x0100);  // sub audio present
  a.mainAudioCount = 1;
  a.mainAudio[0] = {0x1C, 0x00, 0x14, 0};
  a.subAudioCount = 2;
  a.subAudio[1] = {0x18, 0x00, 0x14, 0};
  VtiModel m = WithAttrs({a});
  EXPECT_EQ(m.sgMainAudio.rows, (std::vector<Row>{{"No.", "Coding", "Frequency", "Quantization", "Channels"},
                                                  {"0", "DD/DD+", "48 kHz", "", "6"}}));
  ASSERT_EQ(m.sgSubAudio.rows.size(), 3u);
  EXPECT_EQ(m.sgSubAudio.rows[2], (Row{"9", "DTS/DTS-HD", "48 kHz", "", "6"})) << "sub audio counts from 8";
  EXPECT_EQ(m.sgSubpicture.rows, (std::vector<Row>{{"No.", "Coding", "", "", ""}, kEmptyRow}))
      << "no subpicture: an empty row 1";
}

TEST(VtiView, SubStreamsShowOnlyWhenTheFlagsSaySo) {
  EvobAttr without = Attr();
  without.subVideo = VideoBits(2, 0, 3, 1, 12);
  without.subAudioCount = 1;
  without.subAudio[0] = {0x1C, 0x00, 0x14, 0};
  VtiModel m = WithAttrs({without});
  EXPECT_FALSE(m.sub.compression.enabled || m.sub.resolution.enabled || m.sub.aspect.enabled ||
               m.sub.scanType.enabled || m.sub.tvSystem.enabled);
  EXPECT_EQ(Selected(m.sub), std::vector<std::string>(5));
  EXPECT_EQ(m.sgSubAudio.rows[1], kEmptyRow);
  EvobAttr with = without;
  with.flags = 0x0500;
  m = WithAttrs({with});
  EXPECT_TRUE(m.sub.compression.enabled && m.sub.tvSystem.enabled);
  EXPECT_EQ(Selected(m.sub), (std::vector<std::string>{"MPEG-4 AVC", "1920x1080", "16:9", "progressive", "525/60Hz"}));
  EXPECT_EQ(m.sgSubAudio.rows[1][0], "8");
  EvobAttr twoBits = without;
  twoBits.flags = 0x0C00;  // the value 3, not 1
  EXPECT_FALSE(WithAttrs({twoBits}).sub.compression.enabled);
}

TEST(VtiView, SwitchingEntriesRedrawsEveryCellAndKeepsTheLists) {
  EvobAttr lpcm = Attr();
  lpcm.mainAudioCount = 1;
  lpcm.mainAudio[0] = {0x14, 0x20, 0x94, 0};
  EvobAttr dd = Attr();
  dd.mainAudioCount = 1;
  dd.mainAudio[0] = {0x1C, 0x00, 0x14, 0};
  VtiModel m = WithAttrs({lpcm, dd});
  EXPECT_EQ(m.sgMainAudio.rows[1][3], "24 bit");
  m.cbAttrNo.selected = 1;
  RefreshAttr(m);
  EXPECT_EQ(m.sgMainAudio.rows[1][3], "") << "quantization emptied";
  const VtiModel before = m;
  RefreshAttr(m);
  EXPECT_EQ(m.main.compression.items, before.main.compression.items);
  EXPECT_EQ(m.main.resolution.items.size(), 13u);
  EXPECT_EQ(m.cbAttrNo.items, before.cbAttrNo.items);
  EXPECT_EQ(m.sgMainAudio.rows, before.sgMainAudio.rows);
}

TEST(VtiView, CountsBeyondTheSlotsShowOnlyTheSlots) {
  EvobAttr a = Attr(0x0100);
  a.mainAudioCount = 200;
  a.subAudioCount = 9;
  a.subpictureCount = 0xFFFF;
  VtiModel m = WithAttrs({a});
  EXPECT_EQ(m.sgMainAudio.rows.size(), 9u);
  EXPECT_EQ(m.sgSubAudio.rows.back()[0], "15");
  EXPECT_EQ(m.sgSubpicture.rows.size(), 33u);
  EXPECT_EQ(m.sgSubpicture.rows.back()[0], "31");
}

class VtiEvobView : public ::testing::Test {
 protected:
  void SetUp() override {
    model.attrTable = {Attr()};
    model.cbAttrNo.items = {"1"};
    model.infoTable = {EvobInfo{0x2000 | 2 << 5 | 3 << 3, "FEATURE_1.EVO", 0xA000, 1, 0x17124, 0x6F0CC, 1833, 1}};
    model.cbEVOname.items = {"FEATURE_1.EVO"};
    model.cbEVOname.selected = 0;
  }
  VtiModel model;
};

TEST_F(VtiEvobView, DecodesTheInformationRecord) {
  RefreshEvob(model);
  EXPECT_EQ(model.cbAppType.selectedText(), "Advanced VTS");
  EXPECT_EQ(model.cbA0gap.selectedText(), "Audio gap in 2.");
  EXPECT_EQ(model.cbA1gap.selectedText(), "Audio gap in 3.");
  EXPECT_EQ(model.eEVOBname, "FEATURE_1.EVO");
  EXPECT_EQ(model.eAddrOffs, "0000A000");
  EXPECT_EQ(model.cbAttrNo.selectedText(), "1");
  EXPECT_EQ(model.ieEVOsize, "1833");
  EXPECT_EQ(model.ieEVOindex, "1");
  EXPECT_EQ(model.eStartPTM, "00017124");
  EXPECT_EQ(model.eEndPTM, "0006F0CC");
  EXPECT_EQ(model.main.compression.selectedText(), "VC-1") << "the attribute part follows";
}

TEST_F(VtiEvobView, AnAttributeNumberNamingNoEntryShowsNoAttributes) {
  for (uint32_t number : {0u, 2u, 0xFFFFFFFFu}) {
    SetUp();
    RefreshEvob(model);
    model.infoTable[0].attrNumber = number;
    RefreshEvob(model);
    EXPECT_EQ(model.cbAttrNo.selected, -1) << number;
    EXPECT_EQ(model.eEVOBname, "FEATURE_1.EVO") << number;
    EXPECT_EQ(Selected(model.main), std::vector<std::string>(5)) << number;
    EXPECT_FALSE(model.sub.compression.enabled);
    EXPECT_EQ(model.sgMainAudio.rows.size(), 2u);
    EXPECT_EQ(model.sgMainAudio.rows[1], kEmptyRow);
  }
}

TEST_F(VtiEvobView, NoEvobEntriesShowNothing) {
  RefreshEvob(model);
  ClearVtiTables(model);
  RefreshEvob(model);
  EXPECT_EQ(model.cbAppType.selected, -1);
  EXPECT_EQ(model.eEVOBname, "");
  EXPECT_EQ(model.eAddrOffs, "");
  EXPECT_EQ(model.eStartPTM, "");
  EXPECT_EQ(model.main.compression.selected, -1);
  EXPECT_EQ(model.sgSubpicture.rows[1], kEmptyRow);
  model.cbEVOname.selected = 3;  // a stale selection names nothing either
  RefreshEvob(model);
  EXPECT_EQ(model.eEVOBname, "");
}

}  // namespace
}  // namespace klarvex::testing
