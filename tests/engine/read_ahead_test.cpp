// The block read ahead on its own thread: the bytes at the position asked,
// the stream's position untouched, failures reported rather than thrown,
// and a walk over many blocks that gives the same as reading in turn.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "engine/read_ahead.h"
#include "engine/read_buffer.h"
#include "temp_dir.h"

namespace klarvex {
namespace {

using testing::TempDir;

std::string WriteCounting(const TempDir& dir, int64_t size) {
  std::vector<char> bytes(static_cast<size_t>(size));
  for (int64_t i = 0; i < size; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((i * 31 + i / 4096) & 0xFF);
  const std::string path = dir.file("blocks.EVO");
  std::ofstream(path, std::ios::binary).write(bytes.data(), size);
  return path;
}

TEST(ReadAheadTest, ReadsTheBlockAskedForAndLeavesThePositionAlone) {
  TempDir dir;
  const int64_t size = 3 * ReadBuffer::kSize + 1000;
  const std::string path = WriteCounting(dir, size);
  InputFile input;
  input.open(path);
  ReadBuffer ahead, direct;
  ReadAhead reader(input);
  ASSERT_TRUE(reader.usable());
  for (int64_t position : {ReadBuffer::kSize, int64_t{0}, 3 * ReadBuffer::kSize}) {
    reader.request(ahead.storage(), ReadBuffer::kSize, position);
    EXPECT_TRUE(reader.pending());
    EXPECT_EQ(reader.requestedPosition(), position);
    int error = -1;
    const int64_t got = reader.take(error);
    EXPECT_FALSE(reader.pending());
    EXPECT_EQ(error, 0);
    EXPECT_EQ(got, std::min(ReadBuffer::kSize, size - position));
    input.seek(position);
    ASSERT_EQ(direct.fill(input), got);
    EXPECT_EQ(std::memcmp(ahead.bytes(), direct.bytes(), static_cast<size_t>(got)), 0) << "at " << position;
  }
  EXPECT_EQ(input.position(), size);  // moved by the direct reads only
}

TEST(ReadAheadTest, AFailedReadIsReportedNotThrown) {
  InputFile closed;  // no file: every read fails
  ReadBuffer ahead;
  ReadAhead reader(closed);
  reader.request(ahead.storage(), ReadBuffer::kSize, 0);
  int error = 0;
  EXPECT_EQ(reader.take(error), -1);
  EXPECT_EQ(error, EBADF);
}

TEST(ReadAheadTest, DestroyedWithAReadOnItsWay) {
  TempDir dir;
  const std::string path = WriteCounting(dir, 2 * ReadBuffer::kSize);
  InputFile input;
  input.open(path);
  ReadBuffer ahead;
  {
    ReadAhead reader(input);
    reader.request(ahead.storage(), ReadBuffer::kSize, ReadBuffer::kSize);
  }  // waits for the read before the buffer is anyone else's
  ReadBuffer direct;
  input.seek(ReadBuffer::kSize);
  direct.fill(input);
  EXPECT_EQ(std::memcmp(ahead.bytes(), direct.bytes(), ReadBuffer::kSize), 0);
}

}  // namespace
}  // namespace klarvex
