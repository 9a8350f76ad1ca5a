// What stands at an output's name never costs the user a file: a source
// under another name, a link, a FIFO. Each is refused before anything is
// opened for writing, with the line that names the output and the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "ps_writer.h"
#include "test_bytes.h"
#include "write_job_fixture.h"

namespace klarvex::testing {
namespace {

namespace fs = std::filesystem;
using OutputSafetyTest = WriteJobTest;

struct StandingThere {
  const char* what;
  void (Jobs::*job)();
  std::string output;                                                // in the output folder
  std::function<void(const std::string&, const std::string&)> make;  // (dir, output path)
  std::string reason;
};

TEST_F(OutputSafetyTest, AnOutputThatIsASourceALinkOrAFifoIsRefusedAndNothingIsHarmed) {
  const std::string link = "It is a symbolic link, not a regular file";
  const std::string source = "It is one of the source files";
  const StandingThere cases[] = {
      {"hard link of the first file at the rebuild's name", &Jobs::bRebuildClick, "F_1_MERGED.rebuilt.EVO",
       [](const std::string& d, const std::string& o) { fs::create_hard_link(d + "/F_1.EVO", o); }, source},
      {"hard link of the second file at the rebuild's name", &Jobs::bRebuildClick, "F_1_MERGED.rebuilt.EVO",
       [](const std::string& d, const std::string& o) { fs::create_hard_link(d + "/F_2.EVO", o); }, source},
      {"link to the second file at the rebuild's name", &Jobs::bRebuildClick, "F_1_MERGED.rebuilt.EVO",
       [](const std::string& d, const std::string& o) { fs::create_symlink(d + "/F_2.EVO", o); }, link},
      {"dangling link at a demux output's name", &Jobs::bDemuxClick, "F_1_MERGED.DD.stream.00.mpa",
       [](const std::string& d, const std::string& o) { fs::create_symlink(d + "/elsewhere/x.mpa", o); }, link},
      {"FIFO at a demux output's name", &Jobs::bDemuxClick, "F_1_MERGED.DD.stream.00.mpa",
       [](const std::string&, const std::string& o) { ASSERT_EQ(::mkfifo(o.c_str(), 0644), 0); },
       "It is a FIFO, not a regular file"},
      {"hard link of the playlist at the chapters' name", &Jobs::bWriteChapsClick, "F_1_MERGED.chapters.txt",
       [](const std::string& d, const std::string& o) { fs::create_hard_link(d + "/VPLST000.XPL", o); }, source},
      {"link to a file at the chapters' name", &Jobs::bWriteChapsClick, "F_1_MERGED.chapters.txt",
       [](const std::string& d, const std::string& o) { fs::create_symlink(d + "/VPLST000.XPL", o); }, link},
  };
  for (const StandingThere& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(out);
    fs::create_directory(out);
    for (int n : {1, 2}) {
      ProgramStreamWriter w;
      w.audio(0x80, Data(3000, static_cast<uint8_t>(n)), {90000u * n});
      w.writeTo(dir.file("F_" + std::to_string(n) + ".EVO"));
    }
    const Bytes playlist = Data(100, 7);
    std::ofstream(dir.file("VPLST000.XPL"), std::ios::binary)
        .write(reinterpret_cast<const char*>(playlist.data()), static_cast<std::streamsize>(playlist.size()));
    const Bytes first = ReadAll(dir.file("F_1.EVO")), second = ReadAll(dir.file("F_2.EVO"));
    readTitle(dir.file("F_1.EVO"));
    state.eXPLfile = dir.file("VPLST000.XPL");  // as Read XPL left it
    state.xpl.mChapter = {"CHAPTER01=00:00:00.000", "CHAPTER01NAME=Chapter 01"};

    const std::string path = output(c.output);
    c.make(dir.path(), path);
    const std::string refusal = "Cannot create file \"" + path + "\". " + c.reason;
    if (c.job == &Jobs::bWriteChapsClick) {
      try {
        jobs.bWriteChapsClick();
        ADD_FAILURE() << "written";
      } catch (const KlarvexError& e) {
        EXPECT_EQ(std::string(e.what()), refusal);
      }
    } else {
      (jobs.*c.job)();
      EXPECT_TRUE(hasLine("[re]" + refusal + "[/re]"));
    }
    EXPECT_EQ(ReadAll(dir.file("F_1.EVO")), first);
    EXPECT_EQ(ReadAll(dir.file("F_2.EVO")), second);
    EXPECT_EQ(ReadAll(dir.file("VPLST000.XPL")), playlist);
    EXPECT_FALSE(fs::exists(dir.file("elsewhere")));
  }
}

// A source name of 240 bytes and playlist captions of 230 that differ only
// at their ends: every output is written, its name within 255 bytes, its
// extension kept, the two audio files apart.
TEST_F(OutputSafetyTest, LongNamesAreShortenedAndStayApart) {
  const std::string base(240, 's');
  ProgramStreamWriter w;
  w.audio(0x80, Data(3000, 1), {90000});
  w.audio(0x81, Data(3000, 2), {90000});
  w.writeTo(dir.file(base + ".EVO"));
  readTitle(dir.file(base + ".EVO"));
  state.audioBoxes[0].caption = std::string(229, 'c') + "1";
  state.audioBoxes[1].caption = std::string(229, 'c') + "2";
  state.xpl.mChapter = {"CHAPTER01=00:00:00.000", "CHAPTER01NAME=Chapter 01"};
  jobs.bDemuxClick();
  jobs.bRebuildClick();
  jobs.bWriteChapsClick();
  EXPECT_FALSE(jobs.lastFailure());
  std::map<std::string, std::vector<std::string>> byExtension;
  for (const auto& entry : fs::directory_iterator(out)) {
    const std::string name = entry.path().filename().string();
    EXPECT_LE(name.size(), 255u) << name;
    EXPECT_EQ(name.rfind(std::string(100, 's'), 0), 0u) << name;
    byExtension[entry.path().extension().string()].push_back(entry.path().string());
  }
  EXPECT_EQ(byExtension[".EVO"].size(), 1u);
  EXPECT_EQ(byExtension[".txt"].size(), 1u);
  ASSERT_EQ(byExtension[".mpa"].size(), 2u);
  std::set<Bytes> audio;
  for (const std::string& path : byExtension[".mpa"]) audio.insert(ReadAll(path));
  EXPECT_EQ(audio, (std::set<Bytes>{Data(3000, 1), Data(3000, 2)}));
}

}  // namespace
}  // namespace klarvex::testing
