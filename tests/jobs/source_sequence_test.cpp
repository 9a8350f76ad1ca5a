#include "jobs/source_sequence.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "temp_dir.h"

namespace klarvex {
namespace {

// Each case gets its own empty folder holding only the files it names.
class SourceSequence : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = temp_.path() + "/"; }

  void touch(std::initializer_list<const char*> names) {
    for (const char* name : names) std::ofstream(dir_ + name) << "x";
  }
  // getnext of `name` in the folder, given back as a bare name ("" for none).
  std::string next(const std::string& name) {
    std::string path = getnext(dir_ + name);
    if (path.empty()) return "";
    EXPECT_EQ(path.rfind(dir_, 0), 0u) << path;
    return path.substr(dir_.size());
  }

  testing::TempDir temp_;
  std::string dir_;
};

TEST_F(SourceSequence, FeatureNumbers) {
  touch({"FEATURE_1.EVO", "FEATURE_2.EVO", "FEATURE_1_Divide.EVO"});
  EXPECT_EQ(next("FEATURE_1.EVO"), "FEATURE_2.EVO");
  EXPECT_EQ(next("FEATURE_2.EVO"), "");
  std::filesystem::remove(dir_ + "FEATURE_2.EVO");
  EXPECT_EQ(next("FEATURE_1.EVO"), "FEATURE_1_Divide.EVO");
}

TEST_F(SourceSequence, NineHasOnlyDivide) {
  touch({"FEATURE_8.EVO", "FEATURE_9.EVO", "FEATURE_10.EVO", "FEATURE_:.EVO"});
  EXPECT_EQ(next("FEATURE_8.EVO"), "FEATURE_9.EVO");
  EXPECT_EQ(next("FEATURE_9.EVO"), "");
  touch({"FEATURE_9_Divide.EVO"});
  EXPECT_EQ(next("FEATURE_9.EVO"), "FEATURE_9_Divide.EVO");
}

TEST_F(SourceSequence, TwoDigitAndLayerNumbers) {
  touch({"FEATURE_01.EVO", "FEATURE_02.EVO", "L0_mainMovie.EVO", "L1_mainMovie.EVO"});
  EXPECT_EQ(next("FEATURE_01.EVO"), "FEATURE_02.EVO");
  EXPECT_EQ(next("L0_mainMovie.EVO"), "L1_mainMovie.EVO");
  EXPECT_EQ(next("L1_mainMovie.EVO"), "");
}

TEST_F(SourceSequence, LaterRuleWins) {
  touch({"X1_2.EVO", "X1_3.EVO", "X2_2.EVO"});
  EXPECT_EQ(next("X1_2.EVO"), "X2_2.EVO");
  std::filesystem::remove(dir_ + "X2_2.EVO");
  EXPECT_EQ(next("X1_2.EVO"), "X1_3.EVO");
}

TEST_F(SourceSequence, DivideName) {
  touch({"MOVIE__Divide.EVO", "MOVIE_Divide.EVO"});
  EXPECT_EQ(next("MOVIE_.EVO"), "MOVIE__Divide.EVO");
  EXPECT_EQ(next("MOVIE.vob"), "MOVIE_Divide.EVO");  // always upper-case .EVO
  std::filesystem::remove(dir_ + "MOVIE_Divide.EVO");
  std::filesystem::create_directory(dir_ + "MOVIE_Divide.EVO");  // a folder is no file
  EXPECT_EQ(next("MOVIE.vob"), "");
}

TEST_F(SourceSequence, DvdTitleSetFiles) {
  touch({"VTS_01_1.VOB", "VTS_01_2.VOB", "VTS_02_1.VOB", "VTS_01_1_Divide.EVO", "VTS_01_9.VOB", "VTS_02_9_Divide.EVO",
         "vts_03_1.vob", "vts_03_2.vob"});
  EXPECT_EQ(next("VTS_01_1.VOB"), "VTS_01_2.VOB");
  EXPECT_EQ(next("VTS_01_2.VOB"), "");  // never VTS_02_1.VOB
  std::filesystem::remove(dir_ + "VTS_01_2.VOB");
  EXPECT_EQ(next("VTS_01_1.VOB"), "");  // nor a _Divide file
  EXPECT_EQ(next("VTS_01_9.VOB"), "");
  EXPECT_EQ(next("VTS_02_9.VOB"), "");
  EXPECT_EQ(next("vts_03_1.vob"), "vts_03_2.vob");
}

TEST(SourceSequenceNames, CutExt) {
  EXPECT_EQ(CutExt("a.b.EVO"), "a.b");
  EXPECT_EQ(CutExt("FEATURE"), "FEATURE");
  EXPECT_EQ(CutExt("dir.x/FEATURE"), "dir.x/FEATURE");
  EXPECT_EQ(CutExt("dir.x/FEATURE.EVO"), "dir.x/FEATURE");
  EXPECT_EQ(CutExt("name."), "name");
}

}  // namespace
}  // namespace klarvex
