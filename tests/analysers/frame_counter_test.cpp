#include "analysers/frame_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using Bytes = std::vector<uint8_t>;

// Counts `bytes` as the pieces given, with one carry across them.
int CountPieces(const std::vector<Bytes>& pieces, VideoKind kind) {
  FrameCounterCarry carry;
  int frames = 0;
  for (const Bytes& piece : pieces)
    frames += CountVideoFrames(piece.data(), static_cast<int64_t>(piece.size()), kind, carry);
  return frames;
}

int Count(const Bytes& bytes, VideoKind kind) { return CountPieces({bytes}, kind); }

TEST(FrameCounter, PictureCodesByKind) {
  // MPEG-2 picture 00 00 01 00, H.264 delimiter 00 00 01 09, VC-1 frame 00 00 01 0D.
  const Bytes mixed = {0x00, 0x00, 0x01, 0x00, 0x47, 0x00, 0x00, 0x01, 0x09, 0x10, 0x00, 0x00, 0x01,
                       0x0D, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0xB3, 0x00, 0x00, 0x01, 0x0D};
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

// MPEG-2 headers, with the bits that the field count reads.
// Sequence extension 00 00 01 B5 14 8p ...: 0001 | 0100 1000 (Main@Main) |
// progressive_sequence p | chroma_format 01 | ...
Bytes SequenceExtension(bool progressive) {
  return {0, 0, 1, 0xB5, 0x14, uint8_t(progressive ? 0x8A : 0x82), 0, 1, 0, 0};
}
// Picture header 00 00 01 00 (temporal_reference 0, I, vbv_delay FFFF).
const Bytes kPictureHeader = {0, 0, 1, 0x00, 0x00, 0x0F, 0xFF, 0xF8};
// Picture coding extension 00 00 01 B5 8F FF Fs xx 80: 1000 | f_codes 1111... |
// intra_dc_precision 00 | picture_structure s | top_field_first t 00000
// repeat_first_field r 0 | progressive_frame 1.
Bytes CodingExtension(int structure, bool topFirst, bool repeat) {
  return {0,   0, 1, 0xB5, 0x8F, 0xFF, uint8_t(0xF0 | structure), uint8_t((topFirst ? 0x80 : 0) | (repeat ? 0x02 : 0)),
          0x80};
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes Picture(int structure, bool topFirst = true, bool repeat = false) {
  return Join({kPictureHeader, CodingExtension(structure, topFirst, repeat)});
}

TEST(FrameCounter, Mpeg2CountsDisplayedFields) {
  constexpr int kFrame = 3, kTop = 1, kBottom = 2;
  struct Row {
    const char* what;
    Bytes stream;
    int frames;
    bool repeated;
  } rows[] = {
      {"frame pictures: one frame each", Join({SequenceExtension(false), Picture(kFrame), Picture(kFrame, false)}), 2,
       false},
      {"2:3 cadence: 3 + 2 + 3 + 2 fields",
       Join({SequenceExtension(false), Picture(kFrame, true, true), Picture(kFrame, false),
             Picture(kFrame, false, true), Picture(kFrame)}),
       5, true},
      {"an odd field is rounded down", Picture(kFrame, true, true), 1, true},
      {"field pictures: a pair is one frame", Join({Picture(kTop), Picture(kBottom), Picture(kTop)}), 1, false},
      {"progressive sequence: 3, 3, 2 and 1 frames",
       Join({SequenceExtension(true), Picture(kFrame, true, true), Picture(kFrame, true, true),
             Picture(kFrame, false, true), Picture(kFrame)}),
       9, true},
      {"MPEG-1: no extensions", Join({kPictureHeader, kPictureHeader}), 2, false},
      {"a coding extension without its picture counts nothing",
       Join({CodingExtension(kTop, true, true), Picture(kFrame), CodingExtension(kTop, true, true)}), 1, false},
      {"mpeg2enc -p: 24 pictures, 12 with repeat_first_field", testing::FixtureHead("mpeg2_480i_pulldown.m2v", 1 << 20),
       30, true},
  };
  for (const Row& row : rows) {
    ASSERT_FALSE(row.stream.empty()) << row.what;
    FrameCounterCarry carry;
    EXPECT_EQ(CountVideoFrames(row.stream.data(), int64_t(row.stream.size()), VideoKind::Mpeg2, carry), row.frames)
        << row.what;
    EXPECT_EQ(carry.repeatedFields, row.repeated) << row.what;
    // Cut anywhere, extensions included, or fed a byte at a time: the same.
    std::vector<Bytes> bytes;
    for (size_t cut = 1; cut < row.stream.size(); ++cut) {
      Bytes head(row.stream.begin(), row.stream.begin() + cut), tail(row.stream.begin() + cut, row.stream.end());
      ASSERT_EQ(CountPieces({head, tail}, VideoKind::Mpeg2), row.frames) << row.what << ", cut at " << cut;
      bytes.push_back({row.stream[cut - 1]});
    }
    bytes.push_back({row.stream.back()});
    EXPECT_EQ(CountPieces(bytes, VideoKind::Mpeg2), row.frames) << row.what << ", byte by byte";
  }
}

// Two files of a title, each ending on an odd field: 3 + 3 fields are three
// frames, not two.
TEST(FrameCounter, OddFieldAtAFilesEndPairsWithTheNextFile) {
  const Bytes file = Join({SequenceExtension(false), Picture(3, true, true)});
  FrameCounterCarry carry;
  int frames = CountVideoFrames(file.data(), int64_t(file.size()), VideoKind::Mpeg2, carry);
  carry.nextFile();
  frames += CountVideoFrames(file.data(), int64_t(file.size()), VideoKind::Mpeg2, carry);
  EXPECT_EQ(frames, 3);
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

// Codes and near-codes everywhere (few distinct byte values), or seldom
// amid bytes that are never zero, where the search passes long runs by.
Bytes RandomStream(std::mt19937& random, bool dense) {
  const uint8_t alphabet[] = {0x00, 0x00, 0x00, 0x01, 0x09, 0x0D, 0xB3};
  const uint8_t codes[] = {0x00, 0x09, 0x0D};
  Bytes stream(1 << 20);
  for (size_t i = 0; i < stream.size(); ++i) {
    if (dense) {
      stream[i] = alphabet[random() % sizeof alphabet];
    } else if (random() % 300 == 0 && i + 4 <= stream.size()) {
      for (uint8_t b : {uint8_t{0}, uint8_t{0}, uint8_t{1}, codes[random() % 3]}) stream[i++] = b;
      --i;
    } else {
      stream[i] = static_cast<uint8_t>(1 + random() % 255);
    }
  }
  return stream;
}

TEST(FrameCounter, MatchesNaiveCountOverRandomPieces) {
  std::mt19937 random(2024);
  const std::pair<VideoKind, uint8_t> kinds[] = {
      {VideoKind::Mpeg2, 0x00}, {VideoKind::H264, 0x09}, {VideoKind::Vc1, 0x0D}};
  for (bool dense : {true, false}) {
    const Bytes stream = RandomStream(random, dense);
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
      EXPECT_EQ(frames, expected) << "code " << int(code) << (dense ? " dense" : " sparse");
    }
  }
}

}  // namespace
}  // namespace klarvex
