#include "navigation/vti_decode.h"

#include <gtest/gtest.h>

namespace klarvex::testing {
namespace {

using Row = VtiGrid::Row;

TEST(VtiDecode, DecodesAudioAttributes) {
  EXPECT_EQ(AudioRow(0, {0x1C, 0x00, 0x14, 0}), (Row{"0", "DD/DD+", "48 kHz", "", "6"}));
  EXPECT_EQ(AudioRow(1, {0x14, 0x20, 0x94, 0}), (Row{"1", "LPCM", "96 kHz", "24 bit", "6"}));
  EXPECT_EQ(AudioRow(2, {0x04, 0x40, 0x04, 0}), (Row{"2", "MLP/True HD", "192 kHz", "16 bit", "2"}));
  EXPECT_EQ(AudioRow(3, {0x10, 0xE0, 0xDC, 0}), (Row{"3", "LPCM - IO VTS", "", "28 bit", "8"}));
  EXPECT_EQ(AudioRow(4, {0xFC, 0x00, 0x00, 0}), (Row{"4", "", "48 kHz", "", "1"})) << "coding 63";
  EXPECT_EQ(SubpictureCodingText(0), "2 bit RLE (old)");
  EXPECT_EQ(SubpictureCodingText(1), "2 bit RLE");
  EXPECT_EQ(SubpictureCodingText(4), "8 bit RLE");
  EXPECT_EQ(SubpictureCodingText(2), "");
}

}  // namespace
}  // namespace klarvex::testing
