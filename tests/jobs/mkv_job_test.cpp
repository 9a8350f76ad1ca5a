#include "jobs/mkv_job.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klarvex {
namespace {

using Args = std::vector<std::string>;

TEST(MkvJob, MkvmergeTakesEachTrackWithItsDelayLanguageAndName) {
  const struct {
    MkvPlan plan;
    Args expected;
  } cases[] = {
      {{"out/T.mkv", "", "", {{"v.m2v", "", "", 0, true}}},
       {"--gui-mode", "--output", "out/T.mkv", "--default-track-flag", "0:yes", "v.m2v"}},
      {{"T.mkv",
        "Sample Feature",
        "c.txt",
        {{"v.vc1", "", "", 0, true}, {"a.eac3", "en", "English", -200, true}, {"s.idx", "de", "", 533, false}}},
       {"--gui-mode",
        "--output",
        "T.mkv",
        "--title",
        "Sample Feature",
        "--chapters",
        "c.txt",
        "--default-track-flag",
        "0:yes",
        "v.vc1",
        "--language",
        "0:en",
        "--track-name",
        "0:English",
        "--sync",
        "0:-200",
        "--default-track-flag",
        "0:yes",
        "a.eac3",
        "--language",
        "0:de",
        "--sync",
        "0:533",
        "--default-track-flag",
        "0:no",
        "s.idx"}},
  };
  for (const auto& c : cases) EXPECT_EQ(MkvmergeArguments(c.plan), c.expected);
}

TEST(MkvJob, ProgressLinesOfMkvmerge) {
  const struct {
    const char* line;
    int percent;
  } cases[] = {{"#GUI#progress 0%", 0},    {"#GUI#progress 45%", 45}, {"#GUI#progress 100%", 100},
               {"#GUI#progress 236%", -1}, {"#GUI#progress %", -1},   {"#GUI#progress 45", -1},
               {"#GUI#warning x", -1},     {"Progress: 45%", -1}};
  for (const auto& c : cases) EXPECT_EQ(MkvmergeProgress(c.line), c.percent) << c.line;
}

}  // namespace
}  // namespace klarvex
