#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "../navigation/vti_test_file.h"
#include "base/errors.h"
#include "jobs/jobs.h"
#include "ps_writer.h"
#include "recording_host.h"
#include "temp_dir.h"

namespace klarvex::testing {
namespace {

using Lines = std::vector<std::string>;

const Lines kReadLines = {"Reading [b]HVA00001.VTI[/b]", "1 VTS_EVOB_ATRs found.", "2 VTS_EVOBIs found.", "Done.", ""};

class ReadVtiJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::setlocale(LC_ALL, "C");
    state.names.SourceDir = dir.path() + "/";
  }

  // A source with one VC-1 stream and one AC-3 stream, chosen as the source.
  void chooseTitle(const std::string& name) {
    ProgramStreamWriter w;
    NavPackInfo nav;
    nav.vobNumber = 1;
    w.navPack(nav);
    w.vc1(0x55, Bytes{0x00, 0x00, 0x01, 0x0D, 0x80}, {90000});
    w.audio(0x80, Bytes(500, 0x11), {90000});
    w.writeTo(dir.file(name));
    state.eEVOfile = dir.file(name);
    jobs.EVOadj();
  }

  long indexOf(const std::string& line) const {
    for (size_t i = 0; i < host.lines.size(); ++i)
      if (host.lines[i] == line) return static_cast<long>(i);
    return -1;
  }

  Lines lastLines(size_t n) const { return Lines(host.lines.end() - static_cast<std::ptrdiff_t>(n), host.lines.end()); }

  TempDir dir;
  std::string vtiPath = dir.file("HVA00001.VTI");
  AppState state;
  RecordingHost host;
  Jobs jobs{state, host};
};

TEST_F(ReadVtiJobTest, ReadsTheFileAndShowsTheSourceEvob) {
  WriteVti(vtiPath, TwoEvobVti());
  state.names.SourceName = "Feature_2.evo";
  jobs.bReadVTIClick();
  EXPECT_EQ(host.lines, kReadLines);
  EXPECT_EQ(host.panel[0], "Ready");
  EXPECT_EQ(host.panel[1], "");
  EXPECT_EQ(state.vti.cbEVOname.selected, 1);
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_2.EVO");
  EXPECT_EQ(state.vti.eAddrOffs, "00000729");
  EXPECT_EQ(state.vti.cbAttrNo.selectedText(), "1");
  EXPECT_EQ(state.vti.sgMainAudio.rows.size(), 3u);
  EXPECT_FALSE(state.engine.input.isOpen());
  EXPECT_FALSE(state.jobRunning);

  state.vti.cbEVOname.selected = 0;  // the user picks the other EVOB
  jobs.cbEVOnameChange();
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_1.EVO");
  EXPECT_EQ(state.vti.ieEVOsize, "1833");
}

TEST_F(ReadVtiJobTest, TheFirstEvobIsShownWhenNoneIsTheSource) {
  WriteVti(vtiPath, TwoEvobVti());
  state.names.SourceName = "OTHER.EVO";
  jobs.bReadVTIClick();
  EXPECT_EQ(state.vti.cbEVOname.selected, 0);
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_1.EVO");
}

TEST_F(ReadVtiJobTest, OptionOffOrNoFile) {
  WriteVti(vtiPath, TwoEvobVti());
  state.options.cbReadVTI = false;
  jobs.bReadVTIClick();
  EXPECT_TRUE(host.lines.empty());
  EXPECT_TRUE(state.vti.infoTable.empty());

  state.options.cbReadVTI = true;
  std::filesystem::remove(vtiPath);
  jobs.bReadVTIClick();
  EXPECT_EQ(host.lines, Lines{"HVA00001.VTI not found"});
  EXPECT_EQ(host.panel[0], "");
}

TEST_F(ReadVtiJobTest, AnotherIdentifierRefreshesFromTheTablesBefore) {
  WriteVti(vtiPath, TwoEvobVti());
  jobs.bReadVTIClick();
  WriteVti(vtiPath, VtiFile({}, {}, "ADVANCED-VTX"));
  host.lines.clear();
  state.vti.eEVOBname.clear();
  jobs.bReadVTIClick();
  EXPECT_EQ(host.lines, (Lines{"Reading [b]HVA00001.VTI[/b]", "Done.", ""}));
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_1.EVO");
}

TEST_F(ReadVtiJobTest, AShortFileIsAReadErrorWithTheFileClosed) {
  WriteVti(vtiPath, TwoEvobVti());
  jobs.bReadVTIClick();
  VtiBytes cut = TwoEvobVti();
  cut.resize(2048 + 16 + 300);  // inside the subpicture attributes
  WriteVti(vtiPath, cut);
  host.lines.clear();
  try {
    jobs.bReadVTIClick();
    FAIL() << "a short file was read";
  } catch (const KlarvexError& error) {
    EXPECT_STREQ(error.what(), "Stream read error");
  }
  EXPECT_EQ(host.lines, (Lines{"Reading [b]HVA00001.VTI[/b]", "1 VTS_EVOB_ATRs found."}));
  EXPECT_FALSE(state.engine.input.isOpen());
  EXPECT_FALSE(state.jobRunning);
  EXPECT_TRUE(state.vti.infoTable.empty() && state.vti.attrTable.empty());
  EXPECT_TRUE(state.vti.cbEVOname.items.empty());
  EXPECT_EQ(state.vti.eEVOBname, "");
}

TEST_F(ReadVtiJobTest, ReadEvoReadsItLastWhenTheFileIsThere) {
  chooseTitle("FEATURE_1.EVO");
  state.options.cbDetails = false;
  jobs.bReadEVOClick();
  const Lines withoutVti = host.lines;
  EXPECT_EQ(withoutVti.back(), "") << "nothing added without the file";
  EXPECT_EQ(indexOf("HVA00001.VTI not found"), -1);

  WriteVti(vtiPath, TwoEvobVti());
  host.lines.clear();
  jobs.bReadEVOClick();
  EXPECT_EQ(lastLines(kReadLines.size()), kReadLines);
  EXPECT_EQ(Lines(host.lines.begin(), host.lines.end() - static_cast<std::ptrdiff_t>(kReadLines.size())), withoutVti);
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_1.EVO");

  state.options.cbReadVTI = false;
  host.lines.clear();
  jobs.bReadEVOClick();
  EXPECT_EQ(host.lines, withoutVti);
}

TEST_F(ReadVtiJobTest, ReadEvoReadsItAfterAChainedDemux) {
  chooseTitle("FEATURE_2.EVO");
  WriteVti(vtiPath, TwoEvobVti());
  state.options.cbDetails = false;
  state.options.eWorkdir = dir.file("out");
  std::filesystem::create_directory(state.options.eWorkdir);
  state.options.autoProcess = AutoProcess::Demux;
  jobs.bReadEVOClick();
  EXPECT_GT(indexOf("Reading [b]HVA00001.VTI[/b]"), indexOf("Demuxing FEATURE_2.EVO"));
  EXPECT_GT(indexOf("Demuxing FEATURE_2.EVO"), 0);
  EXPECT_EQ(lastLines(kReadLines.size()), kReadLines);
  EXPECT_EQ(state.vti.eEVOBname, "FEATURE_2.EVO");
}

}  // namespace
}  // namespace klarvex::testing
