// The stream-identity table over every id: which ids have an identity, in
// which carrier, and that numbers and renumbered ids stay in their ranges.
#include "engine/stream_ids.h"

#include <gtest/gtest.h>

#include "engine/stream_table.h"

namespace klarvex {
namespace {

struct Range {
  int first, last;
  Section section;
  const char* typeName;
};

TEST(StreamIds, EverySubstreamAndPesIdHasTheRightIdentity) {
  const Range substreams[] = {
      {0x20, 0x3F, Section::Subpicture, "Subpicture"}, {0x60, 0x7F, Section::Subpicture, "Ext.Subpicture"},
      {0x80, 0x87, Section::Audio, "DD.stream"},       {0x88, 0x8F, Section::Audio, "DTSHD.stream"},
      {0xA0, 0xA7, Section::Audio, "LPCM.stream"},     {0xB0, 0xB7, Section::Audio, "MLP.stream"},
      {0xC0, 0xCF, Section::Audio, "DD+.stream"},
  };
  for (int id = 0; id < 256; ++id) {
    SCOPED_TRACE(id);
    const Range* want = nullptr;
    for (const Range& r : substreams)
      if (id >= r.first && id <= r.last) want = &r;
    const StreamIdentity* identity = SubstreamIdentity(static_cast<uint8_t>(id));
    ASSERT_EQ(identity != nullptr, want != nullptr);
    if (!identity) continue;
    EXPECT_EQ(identity->section, want->section);
    EXPECT_EQ(identity->typeName, want->typeName);
    const int number = identity->number(static_cast<uint8_t>(id));
    EXPECT_EQ(number, id - want->first);
    EXPECT_LT(number, StreamTable::streamsIn(want->section));
    // Renumbered streams keep their coding: every number of the range maps into it.
    EXPECT_EQ(identity->idOfNumber(number), id);
    EXPECT_EQ(SubstreamIdentity(identity->idOfNumber(0)), identity);
    EXPECT_EQ(identity->substreamHeader, want->section == Section::Subpicture ? 1
                                         : id >= 0xA0 && id <= 0xA7           ? 7
                                         : id >= 0xB0 && id <= 0xB7           ? 5
                                                                              : 4);
  }
  // In a DVD-Audio AOB, A1 is MLP in LPCM's slot 1.
  const StreamIdentity* mlp = SubstreamIdentity(0xA1, true);
  EXPECT_EQ(mlp->route, AnalyserRoute::Mlp);
  EXPECT_EQ(mlp->number(0xA1), 1);
  EXPECT_EQ(SubstreamIdentity(0xA2, true), SubstreamIdentity(0xA2));

  for (int id = 0; id < 256; ++id) {
    SCOPED_TRACE(id);
    const PesKind want = id >= 0xC0 && id <= 0xDF   ? PesKind::MpegAudio
                         : id >= 0xE0 && id <= 0xE3 ? PesKind::Video
                         : id == 0xFD               ? PesKind::Extended
                         : id == 0xBD               ? PesKind::Private1
                         : id == 0xBF               ? PesKind::Navigation
                         : id == 0xBC || id == 0xBE ? PesKind::Skip
                                                    : PesKind::NotOurs;
    EXPECT_EQ(PesKindOf(static_cast<uint8_t>(id)), want);
    EXPECT_EQ(PesVideoIdentity(static_cast<uint8_t>(id)) != nullptr, want == PesKind::Video);
    EXPECT_EQ(ExtensionIdentity(static_cast<uint8_t>(id)) != nullptr, id == 0x55 || id == 0x56);
  }
}

}  // namespace
}  // namespace klarvex
