#include "engine/block_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace klarvex {
namespace {

constexpr int64_t kBlock = ReadBuffer::kSize;

struct Seen {
  int64_t start, loaded, size;
  bool operator==(const Seen&) const = default;
};

class BlockReaderTest : public ::testing::Test {
 protected:
  // A file of `bytes` bytes, open from `from`.
  void open(int64_t bytes, int64_t from) {
    std::ofstream(dir.file("f"), std::ios::binary) << std::string(static_cast<size_t>(bytes), 'x');
    input.open(dir.file("f"));
    input.seek(from);
  }
  std::vector<Seen> read(int stopAfter = -1) {
    std::vector<Seen> seen;
    ReadBlocks(
        input, buffer, [&] { return static_cast<int>(seen.size()) == stopAfter; },
        [&](const Block& b) {
          seen.push_back({b.start, b.loaded, b.size});
        });
    return seen;
  }

  testing::TempDir dir;
  InputFile input;
  ReadBuffer buffer;
};

TEST_F(BlockReaderTest, BlocksFromThePositionToTheEnd) {
  const int64_t size = 2 * kBlock + 1000;
  open(size, 100);
  const std::vector<Seen> blocks{{100, kBlock, size}, {100 + kBlock, kBlock, size}, {100 + 2 * kBlock, 900, size}};
  EXPECT_EQ(read(), blocks);
  EXPECT_EQ(input.position(), size);
}

TEST_F(BlockReaderTest, StopIsAskedBeforeEachRead) {
  open(3 * kBlock, 0);
  EXPECT_EQ(read(1).size(), 1u);
  EXPECT_EQ(input.position(), kBlock);
  open(3 * kBlock, 0);
  EXPECT_TRUE(read(0).empty());
}

TEST(ProgressClock, TextOnlyAtEvery4MiB) {
  ProgressClock clock;
  clock.start();
  const int64_t size = 10 * 1048576;
  EXPECT_FALSE(clock.textAt(ProgressClock::kStep - 2048, size));
  EXPECT_FALSE(clock.textAt(ProgressClock::kStep + 2048, size));
  ASSERT_TRUE(clock.textAt(2 * ProgressClock::kStep, size));
  EXPECT_EQ(clock.textAt(2 * ProgressClock::kStep, size)->rfind("8/10 Mbytes, Remaining time: 0", 0), 0u);
}

}  // namespace
}  // namespace klarvex
