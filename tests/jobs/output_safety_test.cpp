// What stands at an output's name never costs the user a file: a source
// under another name, a link, a FIFO. Each is refused before anything is
// opened for writing, with the line that names the output and the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

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
  std::string output;                                       // in the output folder
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

}  // namespace
}  // namespace klarvex::testing
