// What a title keeps of each stream over its files: the description and
// the analyser's facts come from the file that described the stream.
#include "engine/stream_table.h"

#include <gtest/gtest.h>

namespace klarvex {
namespace {

// One file's walk that found audio stream 0; `coding` empty: found, but
// no packet of it was described.
StreamTable FileWith(std::string_view coding, int channels) {
  StreamTable file;
  file.resetForWalk();
  StreamSlot& slot = file.audio(0);
  slot.streamId = 0x80;
  if (!coding.empty()) {
    slot.description = {"   " + std::string(coding)};
    slot.channels = channels;
    slot.facts.coding = coding;
    slot.facts.channels = channels;
    slot.facts.bitRate = channels * 64000;
  }
  return file;
}

TEST(StreamTable, FactsComeFromTheFileThatDescribedTheStream) {
  const struct {
    const char* name;
    std::vector<StreamTable> files;
    std::string_view coding;
    int channels;
  } cases[] = {
      {"first file", {FileWith("AC-3", 6), FileWith("E-AC-3", 2)}, "AC-3", 6},
      {"a later file, the first found none", {FileWith("", 0), FileWith("E-AC-3", 2), FileWith("DTS", 1)}, "E-AC-3", 2},
      {"never described", {FileWith("", 0), FileWith("", 0)}, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StreamTable title;
    title.resetForWalk();
    for (const StreamTable& file : c.files) title.addFileStreams(file);
    const StreamSlot& kept = title.audio(0);
    EXPECT_EQ(kept.facts.coding, c.coding);
    EXPECT_EQ(kept.facts.channels, c.channels);
    EXPECT_EQ(kept.facts.bitRate, c.channels * 64000);
    EXPECT_EQ(kept.channels, c.channels);

    // Back into the table the last walk left, and cleared by the next walk.
    StreamTable walked = c.files.back();
    walked.takeStreamFacts(title);
    EXPECT_EQ(walked.audio(0).facts.coding, c.coding);
    EXPECT_EQ(walked.audio(0).facts.bitRate, c.channels * 64000);
    walked.resetForWalk();
    EXPECT_EQ(walked.audio(0).facts.coding, "");
    EXPECT_EQ(walked.audio(0).facts.bitRate, 0);
  }
}

}  // namespace
}  // namespace klarvex
