#include "analysers/dts_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

using RecordingLog = testing::LineLog;

// Runs the analyser over `bytes`, all of them loaded, on the piece of
// `count` bytes from `start`.
Lines Describe(const Bytes& bytes, int64_t start, int64_t count) {
  RecordingLog log;
  DtsInfo(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, start, count, 0, log);
  return log.lines;
}

// The piece runs from `start` to the end of the bytes.
Lines Describe(const Bytes& bytes, int64_t start = 0) {
  return Describe(bytes, start, static_cast<int64_t>(bytes.size()) - start);
}

// What the analyser gives back for the same piece.
StreamFacts Facts(const Bytes& bytes, int64_t count = -1) {
  RecordingLog log;
  const int64_t size = static_cast<int64_t>(bytes.size());
  return DtsInfo(ByteView{bytes.data(), size}, 0, count < 0 ? size : count, 0, log);
}

// Core frame header fields, in stream order after the sync word.
struct CoreHeader {
  uint32_t ftype = 1, shortCount = 31, cpf = 0, nblks = 15, fsize = 2047, amode = 9, sfreq = 13, rate = 15;
  uint32_t flags = 0;  // MIX, DYNF, TIMEF, AUXF, HDCD
  uint32_t extAudioId = 0, extAudio = 0, aspf = 0, lff = 2, hflag = 0, hcrc = 0;
  uint32_t filts = 0, vernum = 7, chist = 0, pcmr = 6;
};

class BitWriter {
 public:
  void put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes.push_back(0);
      if (value >> i & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  Bytes bytes;

 private:
  int used_ = 0;
};

// Sync word 7F FE 80 01, then the header's fields (66 bits, 82 with the
// CRC), zero-padded to whole bytes.
Bytes CoreFrame(const CoreHeader& h) {
  BitWriter w;
  w.put(0x7FFE8001, 32);
  w.put(h.ftype, 1), w.put(h.shortCount, 5), w.put(h.cpf, 1), w.put(h.nblks, 7), w.put(h.fsize, 14);
  w.put(h.amode, 6), w.put(h.sfreq, 4), w.put(h.rate, 5), w.put(h.flags, 5);
  w.put(h.extAudioId, 3), w.put(h.extAudio, 1), w.put(h.aspf, 1), w.put(h.lff, 2), w.put(h.hflag, 1);
  if (h.cpf) w.put(h.hcrc, 16);
  w.put(h.filts, 1), w.put(h.vernum, 4), w.put(h.chist, 2), w.put(h.pcmr, 3);
  return w.bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A frame as a piece: the header and a byte more, since the piece's last byte is never scanned.
Lines DescribeFrame(const CoreHeader& h) { return Describe(Concat({CoreFrame(h), Bytes(1, 0)})); }

// The one line that begins with `prefix`, or "<none>" / "<several>".
std::string LineStarting(const Lines& lines, const std::string& prefix) {
  std::string found = "<none>";
  for (const std::string& line : lines)
    if (line.rfind(prefix, 0) == 0) found = found == "<none>" ? line : "<several>";
  return found;
}

const Lines kFiveOne768 = {
    "   PCM core samples = 32",
    "   PCM sample blocks = 16",
    "   Primary frame byte size = 2047",
    "   Channel arrangement = [bl]C + L + R + Ls + Rs[/bl]",
    "   Sampling frequency = [bl]48[/bl] kHz",
    "   Transmission bitrate = [bl]768[/bl] kbit/s",
    "   LFE channel = [bl]present[/bl] (IF:64)",
    "   Encoder software rev. = 7, Current",
    "   Source PCM resolution = [bl]24[/bl] bits",
};

TEST(DtsInfo, FiveOneCoreHeader) { EXPECT_EQ(DescribeFrame(CoreHeader{}), kFiveOne768); }

TEST(DtsInfo, CrcAndExtensionLinesWhenFlagged) {
  CoreHeader h;
  h.cpf = 1;
  h.hcrc = 0x0A1B;
  h.extAudio = 1;
  h.extAudioId = 2;
  Lines expected = kFiveOne768;
  expected.insert(expected.begin() + 6, "   Extension audio = Frequency extension");
  expected.insert(expected.begin() + 8, "   Header CRC = 0A1B");
  EXPECT_EQ(DescribeFrame(h), expected);
  // An EXT_AUDIO_ID without EXT_AUDIO writes nothing.
  h.extAudio = 0;
  EXPECT_EQ(LineStarting(DescribeFrame(h), "   Extension audio"), "<none>");
}

TEST(DtsInfo, TableRows) {
  struct Case {
    void (*set)(CoreHeader&);
    std::string line;
  };
  const Case cases[] = {
      {[](CoreHeader& h) { h.amode = 0; }, "   Channel arrangement = [bl]A (mono)[/bl]"},
      {[](CoreHeader& h) { h.amode = 15; }, "   Channel arrangement = [bl]CL + C + CR + L + R + Ls + S + Rs[/bl]"},
      {[](CoreHeader& h) { h.amode = 16; }, "   Channel arrangement = [bl]User defined[/bl]"},
      {[](CoreHeader& h) { h.amode = 20; }, "   Channel arrangement = [bl]User defined[/bl]"},
      {[](CoreHeader& h) { h.amode = 63; }, "   Channel arrangement = [bl]User defined[/bl]"},
      {[](CoreHeader& h) { h.sfreq = 0; }, "   Sampling frequency = [bl]Invalid[/bl] kHz"},
      {[](CoreHeader& h) { h.sfreq = 4; }, "   Sampling frequency = [bl][/bl] kHz"},
      {[](CoreHeader& h) { h.sfreq = 8; }, "   Sampling frequency = [bl]44,1[/bl] kHz"},
      {[](CoreHeader& h) { h.sfreq = 6; }, "   Sampling frequency = [bl]11,025[/bl] kHz"},
      {[](CoreHeader& h) { h.sfreq = 15; }, "   Sampling frequency = [bl][/bl] kHz"},
      {[](CoreHeader& h) { h.rate = 0; }, "   Transmission bitrate = [bl]32[/bl] kbit/s"},
      {[](CoreHeader& h) { h.rate = 22; }, "   Transmission bitrate = [bl]1411,2[/bl] kbit/s"},
      {[](CoreHeader& h) { h.rate = 29; }, "   Transmission bitrate = [bl]open[/bl] kbit/s"},
      {[](CoreHeader& h) { h.rate = 30; }, "   Transmission bitrate = [bl]Variable[/bl] kbit/s"},
      {[](CoreHeader& h) { h.rate = 31; }, "   Transmission bitrate = [bl]Loss-less[/bl] kbit/s"},
      {[](CoreHeader& h) { h.extAudio = 1, h.extAudioId = 0; }, "   Extension audio = Channel extension"},
      {[](CoreHeader& h) { h.extAudio = 1, h.extAudioId = 1; }, "   Extension audio = Reserved"},
      {[](CoreHeader& h) { h.extAudio = 1, h.extAudioId = 3; }, "   Extension audio = Channel and Frequency extension"},
      {[](CoreHeader& h) { h.extAudio = 1, h.extAudioId = 7; }, "   Extension audio = Reserved"},
      {[](CoreHeader& h) { h.lff = 0; }, "   LFE channel = not present"},
      {[](CoreHeader& h) { h.lff = 1; }, "   LFE channel = [bl]present[/bl] (IF:128)"},
      {[](CoreHeader& h) { h.lff = 3; }, "   LFE channel = invalid"},
      {[](CoreHeader& h) { h.vernum = 0; }, "   Encoder software rev. = 0, Future rev. (compatible)"},
      {[](CoreHeader& h) { h.vernum = 6; }, "   Encoder software rev. = 6, Future rev. (compatible)"},
      {[](CoreHeader& h) { h.vernum = 8; }, "   Encoder software rev. = 8, Future rev. (incompatible"},
      {[](CoreHeader& h) { h.vernum = 15; }, "   Encoder software rev. = 15, Future rev. (incompatible"},
      {[](CoreHeader& h) { h.pcmr = 1; }, "   Source PCM resolution = [bl]16[/bl] bits, [bl]DTS ES[/bl]"},
      {[](CoreHeader& h) { h.pcmr = 3; }, "   Source PCM resolution = [bl]20[/bl] bits, [bl]DTS ES[/bl]"},
      {[](CoreHeader& h) { h.pcmr = 4; }, "   Source PCM resolution = "},
      {[](CoreHeader& h) { h.pcmr = 5; }, "   Source PCM resolution = [bl]24[/bl] bits, [bl]DTS ES[/bl]"},
      {[](CoreHeader& h) { h.pcmr = 7; }, "   Source PCM resolution = "},
      {[](CoreHeader& h) { h.shortCount = 0, h.nblks = 127; }, "   PCM sample blocks = 128"},
      {[](CoreHeader& h) { h.fsize = 0x3FFF; }, "   Primary frame byte size = 16383"},
  };
  for (const Case& c : cases) {
    CoreHeader h;
    c.set(h);
    std::string prefix = c.line.substr(0, c.line.find('=') + 1);
    EXPECT_EQ(LineStarting(DescribeFrame(h), prefix), c.line);
  }
}

TEST(DtsInfo, FactsOfTheCoreHeader) {
  struct Row {
    void (*set)(CoreHeader&);
    int channels, sampleRate;
    int64_t bitRate;
    int bitsPerSample;
  };
  const Row rows[] = {
      {[](CoreHeader&) {}, 6, 48000, 768000, 24},
      {[](CoreHeader& h) { h.amode = 0, h.lff = 0; }, 1, 48000, 768000, 24},
      {[](CoreHeader& h) { h.amode = 15, h.lff = 1; }, 9, 48000, 768000, 24},
      {[](CoreHeader& h) { h.amode = 63; }, 0, 48000, 768000, 24},  // user defined
      {[](CoreHeader& h) { h.lff = 3; }, 5, 48000, 768000, 24},     // an invalid LFE flag counts none
      {[](CoreHeader& h) { h.sfreq = 8, h.rate = 22; }, 6, 44100, 1411200, 24},
      {[](CoreHeader& h) { h.sfreq = 4, h.rate = 29; }, 6, 0, 0, 24},  // no such rate; open
      {[](CoreHeader& h) { h.rate = 31, h.pcmr = 4; }, 6, 48000, 0, 0},
      {[](CoreHeader& h) { h.pcmr = 1; }, 6, 48000, 768000, 16},
      {[](CoreHeader& h) { h.pcmr = 3; }, 6, 48000, 768000, 20},
  };
  for (const Row& row : rows) {
    CoreHeader h;
    row.set(h);
    SCOPED_TRACE(::testing::Message() << "amode " << h.amode << " sfreq " << h.sfreq << " rate " << h.rate);
    StreamFacts facts = Facts(Concat({CoreFrame(h), Bytes(1, 0)}));
    EXPECT_EQ(facts.coding, "DTS");
    EXPECT_EQ(facts.channels, row.channels);
    EXPECT_EQ(facts.sampleRate, row.sampleRate);
    EXPECT_EQ(facts.bitRate, row.bitRate);
    EXPECT_EQ(facts.bitsPerSample, row.bitsPerSample);
  }
}

TEST(DtsInfo, ExtensionSyncWords) {
  // The scan resumes 12 bytes after the header's first byte (its last
  // window), so the padding keeps the sync words clear of the header.
  Bytes padding(4, 0);
  Lines expected = kFiveOne768;
  expected.push_back("   Channel extension found");
  expected.push_back("   Frequency extensiond found ([bl]96[/bl] kHz)");
  EXPECT_EQ(
      Describe(Concat({CoreFrame({}), padding, {0x5A, 0x5A, 0x5A, 0x5A}, padding, {0x1D, 0x95, 0xF2, 0x62}, {0x00}})),
      expected);
  // Alone, without a core header.
  EXPECT_EQ(Describe({0x00, 0x5A, 0x5A, 0x5A, 0x5A, 0x00}), Lines{"   Channel extension found"});
  // A run of 5A bytes matches at every byte from the fourth on.
  EXPECT_EQ(Describe({0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x00}), Lines(2, "   Channel extension found"));
}

TEST(DtsInfo, SyncInsideTheHeadersLastWindowIsMissed) {
  // The header's last bits stay in the scan value, which goes on from 12
  // bytes after the header's first byte: a sync word right after the
  // 9 header bytes is then seen off its byte boundary, and missed.
  Bytes frame = CoreFrame({});  // 4 + 9 bytes
  EXPECT_EQ(Describe(Concat({frame, {0x5A, 0x5A, 0x5A, 0x5A}, {0x00, 0x00}})), kFiveOne768);
}

TEST(DtsInfo, EveryHeaderInThePieceIsReported) {
  Bytes frame = Concat({CoreFrame({}), Bytes(20, 0)});
  CoreHeader stereo;
  stereo.amode = 2;
  Lines lines = Describe(Concat({frame, CoreFrame(stereo), {0x00}}));
  ASSERT_EQ(lines.size(), 2 * kFiveOne768.size());
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 9), kFiveOne768);
  EXPECT_EQ(lines[12], "   Channel arrangement = [bl]L + R (stereo)[/bl]");
  EXPECT_EQ(Facts(Concat({frame, CoreFrame(stereo), {0x00}})).channels, 6) << "the first header's";
}

TEST(DtsInfo, DtsHdExtensionSubstreamIsOnlyNamed) {
  // An extension substream header after the core, as DTS-HD carries it:
  //   SYNCEXTSSH (32)           64 58 20 25
  //   UserDefinedBits (8)       0000 0000
  //   nExtSSIndex (2)           00
  //   bHeaderSizeType (1)       0
  //   nuExtSSHeaderSize (8)     0000 1111        (header of 16 bytes)
  //   nuExtSSFsize (16)         0000 0111 1111 1111   (substream of 2048 bytes)
  //   bStaticFieldsPresent (1)  0, then zero bits
  // -> 64 58 20 25 00 01 E0 FF E0 00 00 00
  Bytes substream = {0x64, 0x58, 0x20, 0x25, 0x00, 0x01, 0xE0, 0xFF, 0xE0, 0x00, 0x00, 0x00};
  const Bytes withCore = Concat({CoreFrame({}), Bytes(8, 0), substream, {0x00}});
  EXPECT_EQ(Describe(withCore), kFiveOne768);
  EXPECT_EQ(Describe(substream), Lines{});
  StreamFacts facts = Facts(withCore);
  EXPECT_EQ(facts.coding, "DTS-HD");
  EXPECT_EQ(facts.channels, 6) << "the core's";
  EXPECT_EQ(Facts(substream).coding, "DTS-HD");
  // A sync word that ends on the piece's last byte is not seen.
  EXPECT_EQ(Facts(withCore, static_cast<int64_t>(withCore.size()) - 9).coding, "DTS");
}

TEST(DtsInfo, PieceBounds) {
  Bytes frame = CoreFrame({});
  // No sync word, nothing to scan.
  EXPECT_EQ(Describe(Bytes(64, 0x7F)), Lines{});
  EXPECT_EQ(Describe(frame, 0, 0), Lines{});
  EXPECT_EQ(Describe(frame, 0, -5), Lines{});
  EXPECT_EQ(Describe(frame, 100, 10), Lines{});  // starts beyond the loaded bytes
  // A sync word that ends on the piece's last byte is missed.
  EXPECT_EQ(Describe(frame, 0, 4), Lines{});
  // One byte more and the header is read from the bytes after the piece.
  EXPECT_EQ(Describe(frame, 0, 5), kFiveOne768);
  // A sync word before the piece's start is not seen.
  EXPECT_EQ(Describe(Concat({frame, Bytes(4, 0)}), 1), Lines{});
  // A piece further into the buffer.
  EXPECT_EQ(Describe(Concat({Bytes(7, 0xFF), frame, {0x00}}), 7), kFiveOne768);
}

TEST(DtsInfo, MissingBytesReadAsZero) {
  // The loaded bytes end right after the sync word and one header byte
  // (FTYPE 1, SHORT 31, CPF 0 = FC): everything else reads as zero.
  const Lines zeros = {
      "   PCM core samples = 32",
      "   PCM sample blocks = 1",
      "   Primary frame byte size = 0",
      "   Channel arrangement = [bl]A (mono)[/bl]",
      "   Sampling frequency = [bl]Invalid[/bl] kHz",
      "   Transmission bitrate = [bl]32[/bl] kbit/s",
      "   LFE channel = not present",
      "   Encoder software rev. = 0, Future rev. (compatible)",
      "   Source PCM resolution = [bl]16[/bl] bits",
  };
  EXPECT_EQ(Describe({0x7F, 0xFE, 0x80, 0x01, 0xFC}), zeros);
  // A piece that claims more bytes than were loaded.
  EXPECT_EQ(Describe({0x7F, 0xFE, 0x80, 0x01, 0xFC}, 0, 1 << 20), zeros);
  EXPECT_EQ(Describe({0x7F, 0xFE, 0x80, 0x01, 0xFC}, -3, 8), zeros);
}

// "file key value" lines of the fixture descriptions.
using testing::FixtureFacts;

using testing::FixtureHead;

TEST(DtsInfo, RealFiveOneCore) {
  auto facts = FixtureFacts("dts_51.dts");
  ASSERT_EQ(facts["codec"], "dts");
  ASSERT_EQ(facts["sample_rate"], "48000");
  ASSERT_EQ(facts["bit_rate"], "1536000");
  ASSERT_EQ(facts["channels"], "6");
  ASSERT_EQ(facts["channel_layout"], "5.1(side)");
  Bytes head = FixtureHead("dts_51.dts", 4096);
  ASSERT_EQ(head.size(), 4096u);

  // A first payload as a DVD pack carries it: 2016 bytes of a 4 KiB buffer.
  Lines lines = Describe(head, 0, 2016);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(LineStarting(lines, "   Sampling frequency"), "   Sampling frequency = [bl]48[/bl] kHz");
  EXPECT_EQ(LineStarting(lines, "   Transmission bitrate"), "   Transmission bitrate = [bl]1536[/bl] kbit/s");
  // 6 channels, 5.1: five full-band channels and the LFE.
  EXPECT_EQ(LineStarting(lines, "   Channel arrangement"), "   Channel arrangement = [bl]C + L + R + Ls + Rs[/bl]");
  EXPECT_EQ(LineStarting(lines, "   LFE channel"), "   LFE channel = [bl]present[/bl] (IF:64)");
  // Every frame the same size: file size / frame count = FSIZE + 1.
  int64_t frameBytes = std::stoll(facts["size_bytes"]) / std::stoll(facts["frame_count"]);
  EXPECT_EQ(LineStarting(lines, "   Primary frame byte size"),
            "   Primary frame byte size = " + std::to_string(frameBytes - 1));
  // 512 samples a frame (16 blocks of 32): frame count x 512 / 48000 = the duration.
  EXPECT_EQ(LineStarting(lines, "   PCM core samples"), "   PCM core samples = 32");
  EXPECT_EQ(LineStarting(lines, "   PCM sample blocks"), "   PCM sample blocks = 16");
  EXPECT_NEAR(std::stod(facts["frame_count"]) * 16 * 32 / 48000, std::stod(facts["duration"]), 0.001);
  // mediainfo gives it a bit depth of 16.
  EXPECT_EQ(LineStarting(lines, "   Source PCM resolution"), "   Source PCM resolution = [bl]16[/bl] bits");
  EXPECT_EQ(LineStarting(lines, "   Encoder software rev."), "   Encoder software rev. = 7, Current");

  StreamFacts found = Facts(head, 2016);
  EXPECT_EQ(found.coding, "DTS");
  EXPECT_EQ(std::to_string(found.channels), facts["channels"]);
  EXPECT_EQ(std::to_string(found.sampleRate), facts["sample_rate"]);
  EXPECT_EQ(std::to_string(found.bitRate), facts["bit_rate"]);
  EXPECT_EQ(found.bitsPerSample, 16);

  // The whole buffer as the piece holds the second frame's header too.
  Lines both = Describe(head);
  ASSERT_EQ(both.size(), 18u);
  EXPECT_EQ(Lines(both.begin() + 9, both.end()), lines);
}

}  // namespace
}  // namespace klarvex
