#include "navigation/vti_reader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "recording_host.h"
#include "temp_dir.h"
#include "vti_test_file.h"

namespace klarvex::testing {
namespace {

class VtiReaderTest : public ::testing::Test {
 protected:
  // Reads `bytes` as the file, the EVOB named `sourceName` to be selected.
  bool read(const VtiBytes& bytes, const std::string& sourceName = "") {
    WriteVti(path, bytes);
    input.open(path);
    bool good = ReadVtiTables(input, sourceName, model, host);
    input.close();
    return good;
  }

  TempDir dir;
  std::string path = dir.file("HVA00001.VTI");
  InputFile input;
  VtiModel model;
  RecordingHost host;
};

TEST_F(VtiReaderTest, FieldReadersAreBigEndianAndNeverReadPastTheEnd) {
  WriteVti(path, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 'A', 'B', 0, 'C', 'D', 'E', 'F', 'G'});
  input.open(path);
  VtiFieldReader in(input);
  EXPECT_EQ(in.readbyte(), 0x12);
  EXPECT_EQ(in.readword(), 0x3456);
  EXPECT_EQ(in.readlword(), 0x789ABCDEu);
  EXPECT_EQ(in.readstring(4), "AB") << "ends before the first NUL";
  EXPECT_EQ(input.position(), 11) << "the position advances by all n bytes";
  EXPECT_EQ(in.readstring(3), "DEF") << "no NUL: all n bytes";
  try {
    in.readlword();
    FAIL() << "only one byte was left";
  } catch (const KlarvexError& error) {
    EXPECT_STREQ(error.what(), "Stream read error");
  }
}

TEST_F(VtiReaderTest, ReadsBothTablesAndTheirLists) {
  ASSERT_TRUE(read(TwoEvobVti()));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"1 VTS_EVOB_ATRs found.", "2 VTS_EVOBIs found."}));
  ASSERT_EQ(model.attrTable.size(), 1u);
  EXPECT_EQ(model.attrTable[0].mainVideo, VideoBits(3, 0, 3, 1, 12));
  EXPECT_EQ(model.attrTable[0].mainAudioCount, 2);
  EXPECT_EQ(model.attrTable[0].mainAudio[1], (AudioAttr{0x14, 0x20, 0x94, 0x00}));
  EXPECT_EQ(model.attrTable[0].subpicture[0][0], 0x20);
  EXPECT_EQ(model.cbAttrNo.items, (std::vector<std::string>{"1"})) << "the first entry is listed as 1";
  ASSERT_EQ(model.infoTable.size(), 2u);
  const EvobInfo& two = model.infoTable[1];
  EXPECT_EQ(two.name, "FEATURE_2.EVO");
  EXPECT_EQ(two.addressOffset, 0x729u);
  EXPECT_EQ(two.attrNumber, 1u);
  EXPECT_EQ(two.startPtm, 0x6F0CCu);
  EXPECT_EQ(two.endPtm, 0xC7074u);
  EXPECT_EQ(two.size, 1831u);
  EXPECT_EQ(two.index, 2);
  EXPECT_EQ(model.cbEVOname.items, (std::vector<std::string>{"FEATURE_1.EVO", "FEATURE_2.EVO"}));
  EXPECT_EQ(model.cbEVOname.selected, -1) << "no source named";
}

TEST_F(VtiReaderTest, SelectsTheSourceWhateverItsLetterCase) {
  ASSERT_TRUE(read(TwoEvobVti(), "feature_2.evo"));
  EXPECT_EQ(model.cbEVOname.selected, 1);
  ASSERT_TRUE(read(TwoEvobVti(), "FEATURE_3.EVO"));
  EXPECT_EQ(model.cbEVOname.selected, -1) << "no match: the job picks the first";
}

TEST_F(VtiReaderTest, NamesEndAtTheirNulPadding) {
  VtiInfoFields padded{0, "ABCDEFGHIJKLM", 0, 1, 0, 0, 0, 0};
  VtiInfoFields full{0, std::string(255, 'X') + "Y", 0, 1, 0, 0, 0, 0};  // the 256th byte is read past
  ASSERT_TRUE(read(VtiFile({VtiAttrFields{}}, {padded, full}), "abcdefghijklm"));
  EXPECT_EQ(model.infoTable[0].name, "ABCDEFGHIJKLM");
  EXPECT_EQ(model.infoTable[1].name, std::string(255, 'X'));
  EXPECT_EQ(model.cbEVOname.selected, 0);
}

TEST_F(VtiReaderTest, EmptyTablesLeaveEmptyLists) {
  ASSERT_TRUE(read(TwoEvobVti()));
  host.lines.clear();
  ASSERT_TRUE(read(VtiFile({}, {})));
  EXPECT_EQ(host.lines, (std::vector<std::string>{"0 VTS_EVOB_ATRs found.", "0 VTS_EVOBIs found."}));
  EXPECT_TRUE(model.attrTable.empty());
  EXPECT_TRUE(model.cbAttrNo.items.empty());
  EXPECT_TRUE(model.cbEVOname.items.empty());
}

TEST_F(VtiReaderTest, AnotherIdentifierChangesNothing) {
  ASSERT_TRUE(read(TwoEvobVti(), "FEATURE_2.EVO"));
  host.lines.clear();
  EXPECT_FALSE(read(VtiFile({}, {}, "STANDARD-VTS")));
  EXPECT_TRUE(host.lines.empty());
  EXPECT_EQ(model.infoTable.size(), 2u);
  EXPECT_EQ(model.cbEVOname.items.size(), 2u);
  EXPECT_EQ(model.cbEVOname.selected, 1);
}

// Cut in the identifier, the header, the attribute table's head, an entry's
// 144-byte block, its subpicture block, its last 506 bytes, the skipped
// EVOBI values and an EVOBI entry.
TEST_F(VtiReaderTest, AFileEndingEarlyIsAReadErrorAndLeavesNoTables) {
  const VtiBytes whole = TwoEvobVti();
  const size_t infoTable = 4096;
  for (size_t cut : {size_t{5}, size_t{500}, size_t{2050}, size_t{2048 + 16 + 100}, size_t{2048 + 16 + 300},
                     size_t{2048 + 16 + 900}, infoTable + 10, infoTable + 16 + 200, whole.size() - 1}) {
    ASSERT_TRUE(read(whole, "FEATURE_1.EVO"));
    try {
      read(VtiBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
      ADD_FAILURE() << "cut at " << cut << " was read";
    } catch (const KlarvexError& error) {
      EXPECT_STREQ(error.what(), "Stream read error") << cut;
    }
    input.close();
    EXPECT_TRUE(model.attrTable.empty() && model.infoTable.empty()) << cut;
    EXPECT_TRUE(model.cbAttrNo.items.empty() && model.cbEVOname.items.empty()) << cut;
    EXPECT_EQ(model.cbEVOname.selected, -1) << cut;
    EXPECT_EQ(model.eEVOBname, "") << cut;
  }
}

TEST_F(VtiReaderTest, HugeCountsFailAtTheEndOfTheFile) {
  VtiBytes bytes = VtiFile({}, {});
  PutLword(bytes, 4096, 0xFFFFFFFF);
  EXPECT_THROW(read(bytes), KlarvexError);
  bytes = VtiFile({}, {});
  PutWord(bytes, 2048, 0xFFFF);
  EXPECT_THROW(read(bytes), KlarvexError);
  PutLword(bytes, 184, 0xFFFFFFFF);  // the table far beyond the end
  EXPECT_THROW(read(bytes), KlarvexError);

  // 3,000,000 EVOB entries in a sparse file with room for all of them: no
  // table holds more than 65535, so none is read.
  bytes = VtiFile({}, {});
  PutLword(bytes, 4096, 3000000);
  WriteVti(path, bytes);
  std::filesystem::resize_file(path, 4096 + 8 + 3000000 * (4 + 320));
  input.open(path);
  try {
    ReadVtiTables(input, "", model, host);
    ADD_FAILURE() << "3,000,000 entries were read";
  } catch (const KlarvexError& error) {
    EXPECT_EQ(error.detail(), "reading \"" + path + "\": 3000000 entries, more than the 65535 a table holds");
  }
  input.close();
  EXPECT_TRUE(model.infoTable.empty());
}

}  // namespace
}  // namespace klarvex::testing
