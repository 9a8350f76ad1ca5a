#include "analysers/frame_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace klarvex {
namespace {

using Bytes = std::vector<uint8_t>;

// Counts `bytes` as the pieces given, with one carry across them.
int CountPieces(const std::vector<Bytes>& pieces, VideoKind kind) {
  FrameCounterCarry carry;
  int frames = 0;
  for (const Bytes& piece : pieces) frames += CountVideoFrames(piece.data(), static_cast<int64_t>(piece.size()), kind, carry);
  return frames;
}

int Count(const Bytes& bytes, VideoKind kind) { return CountPieces({bytes}, kind); }

TEST(FrameCounter, PictureCodesByKind) {
  // MPEG-2 picture 00 00 01 00, H.264 delimiter 00 00 01 09, VC-1 frame 00 00 01 0D.
  const Bytes mixed = {0x00, 0x00, 0x01, 0x00, 0x47, 0x00, 0x00, 0x01, 0x09, 0x10,
                       0x00, 0x00, 0x01, 0x0D, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                       0x01, 0xB3, 0x00, 0x00, 0x01, 0x0D};
  EXPECT_EQ(Count(mixed, VideoKind::Mpeg2), 2);
  EXPECT_EQ(Count(mixed, VideoKind::H264), 1);
  EXPECT_EQ(Count(mixed, VideoKind::Vc1), 2);  // the last one ends the piece
  EXPECT_EQ(Count(mixed, VideoKind::None), 0);
  EXPECT_EQ(Count({0x00, 0x00, 0x00, 0x01, 0x00}, VideoKind::Mpeg2), 1);
  EXPECT_EQ(Count({0x00, 0x00, 0x01, 0x00}, VideoKind::Mpeg2), 1);  // the piece is just the code
  EXPECT_EQ(Count({0xAA, 0x00, 0x00, 0x01, 0x00}, VideoKind::Mpeg2), 1);
  EXPECT_EQ(Count({0x00, 0x00, 0x01}, VideoKind::Mpeg2), 0);
}

TEST(FrameCounter, SplitCodeCountedOnce) {
  EXPECT_EQ(CountPieces({{0x12, 0x00, 0x00, 0x01}, {0x00, 0x34}}, VideoKind::Mpeg2), 1);
  EXPECT_EQ(CountPieces({{0x12, 0x00}, {0x00, 0x01, 0x00}}, VideoKind::Mpeg2), 1);
  EXPECT_EQ(CountPieces({{0x00}, {0x00}, {0x01}, {0x09}}, VideoKind::H264), 1);
  EXPECT_EQ(CountPieces({{0x00, 0x00}, {0x01, 0x0D}, {0x00, 0x00}, {0x01, 0x0D}}, VideoKind::Vc1), 2);

  // With a fresh carry, a piece that begins with the rest of a code is none.
  EXPECT_EQ(Count({0x01, 0x00, 0x55, 0x66}, VideoKind::Mpeg2), 0);
  EXPECT_EQ(Count({0x00, 0x01, 0x00, 0x55}, VideoKind::Mpeg2), 0);
  EXPECT_EQ(Count({0x01, 0x00}, VideoKind::Mpeg2), 0);

  // clear() forgets the tail.
  FrameCounterCarry carry;
  const Bytes head = {0x00, 0x00, 0x01};
  const Bytes tail = {0x00, 0x77, 0x77, 0x77};
  EXPECT_EQ(CountVideoFrames(head.data(), 3, VideoKind::Mpeg2, carry), 0);
  carry.clear();
  EXPECT_EQ(CountVideoFrames(tail.data(), 4, VideoKind::Mpeg2, carry), 0);
}

// Reference: every byte shifted through a 32-bit register, one compare each.
int NaiveCount(const Bytes& bytes, uint8_t code) {
  uint32_t rolling = 0xFFFFFFFF;
  int frames = 0;
  for (uint8_t b : bytes) {
    rolling = rolling << 8 | b;
    if (rolling == (0x100u | code)) ++frames;
  }
  return frames;
}

TEST(FrameCounter, MatchesNaiveCountOverRandomPieces) {
  std::mt19937 random(2024);
  // Few distinct byte values, so that codes and near-codes are common.
  const uint8_t alphabet[] = {0x00, 0x00, 0x00, 0x01, 0x09, 0x0D, 0xB3};
  Bytes stream(1 << 20);
  for (uint8_t& b : stream) b = alphabet[random() % sizeof alphabet];

  const std::pair<VideoKind, uint8_t> kinds[] = {{VideoKind::Mpeg2, 0x00}, {VideoKind::H264, 0x09}, {VideoKind::Vc1, 0x0D}};
  for (auto [kind, code] : kinds) {
    int expected = NaiveCount(stream, code);
    ASSERT_GT(expected, 1000);
    FrameCounterCarry carry;
    int frames = 0;
    size_t at = 0;
    while (at < stream.size()) {
      // Mostly tiny pieces (1 to 8 bytes), some up to 4 KiB.
      size_t size = random() % 4 ? 1 + random() % 8 : 1 + random() % 4096;
      size = std::min(size, stream.size() - at);
      frames += CountVideoFrames(stream.data() + at, static_cast<int64_t>(size), kind, carry);
      at += size;
    }
    EXPECT_EQ(frames, expected) << "code " << int(code);
  }
}

}  // namespace
}  // namespace klarvex
