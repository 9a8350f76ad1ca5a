#include "analysers/ac3_info.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "analyser_support.h"

namespace klarvex {
namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

using RecordingLog = testing::LineLog;

// Runs the analyser over `count` bytes (count < 0: all) of a buffer that
// holds exactly `bytes`.
Lines Analyse(const Bytes& bytes, int stream = 1, int64_t count = -1) {
  RecordingLog log;
  ByteView view{bytes.data(), static_cast<int64_t>(bytes.size())};
  Ac3Info(view, 0, count < 0 ? view.loaded : count, stream, log);
  return log.lines;
}

StreamFacts Facts(const Bytes& bytes) {
  RecordingLog log;
  return Ac3Info(ByteView{bytes.data(), static_cast<int64_t>(bytes.size())}, 0, static_cast<int64_t>(bytes.size()), 1,
                 log);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Sync, crc1 (xx xx), fscod 0 | frmsizecod 30 (1E), bsid 8 | bsmod 0 (40),
// acmod 7 in the top bits of E1.
const Bytes kAc3Header = {0x0B, 0x77, 0x12, 0x34, 0x1E, 0x40, 0xE1};
// Sync, strmtyp 0 | substreamid 0 | frmsiz 767 (02 FF), fscod 0 | numblkscod 3
// | acmod 7 | lfeon 1 (3F), bsid 16 (80).
const Bytes kEac3Header = {0x0B, 0x77, 0x02, 0xFF, 0x3F, 0x80, 0x00};

Lines Ac3Lines(int stream, const std::string& rate, int kbps, const std::string& channels, int bsid, int bsmod) {
  return {"   Stream " + std::to_string(stream) + " is [b]Dolby Digital[/b]",
          "   Sampling frequency = [bl]" + rate + "[/bl] kHz",
          "   Transmission bitrate = [bl]" + std::to_string(kbps) + "[/bl] kbit/s",
          "   Channel arrangement = [bl]" + channels + "[/bl], bsid = " + std::to_string(bsid) +
              ", bsmod =" + std::to_string(bsmod)};
}

Lines Eac3Lines(int stream, int frameBytes, int blocks, const std::string& rate, int kbps, const std::string& channels,
                int bsid, bool lfe) {
  return {"   Stream " + std::to_string(stream) + " is [b]Dolby Digital Plus[/b]",
          "   frame size = " + std::to_string(frameBytes) +
              " bytes, number of blocks per frame = " + std::to_string(blocks),
          "   Sampling frequency = [bl]" + rate + "[/bl] kHz",
          "   Transmission bitrate = [bl]" + std::to_string(kbps) + "[/bl] kbit/s",
          "   Channel arrangement = [bl]" + channels + "[/bl], bsid = " + std::to_string(bsid),
          std::string("   LFE channel = [bl]") + (lfe ? "present" : "not present") + "[/bl]"};
}

Lines Concat(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

using Ac3Analyser = testing::CLocaleTest;

TEST_F(Ac3Analyser, DolbyDigitalHeader) {
  EXPECT_EQ(Analyse(kAc3Header, 1), Ac3Lines(1, "48", 448, "L + R + C + Ls + Rs", 8, 0));
}

TEST_F(Ac3Analyser, DolbyDigitalPlusHeader) {
  EXPECT_EQ(Analyse(kEac3Header, 8), Eac3Lines(8, 1536, 6, "48", 384, "L + R + C + Ls + Rs", 16, true));
}

TEST_F(Ac3Analyser, FieldsAndTables) {
  const char* arrangements[] = {"dual mono", "mono",          "L + R",           "L + R + C",
                                "L + R + S", "L + R + C + S", "L + R + Ls + Rs", "L + R + C + Ls + Rs"};
  for (int acmod = 0; acmod < 8; ++acmod) {
    Bytes header = kAc3Header;
    header[6] = static_cast<uint8_t>(acmod << 5);
    EXPECT_EQ(Analyse(header)[3],
              std::string("   Channel arrangement = [bl]") + arrangements[acmod] + "[/bl], bsid = 8, bsmod =0");
  }
  // 32 kHz, frmsizecod 0 (32 kbit/s); bsid 6, bsmod 7.
  EXPECT_EQ(Analyse({0x0B, 0x77, 0, 0, 0x80, 0x37, 0x40}, 0), Ac3Lines(0, "32", 32, "L + R", 6, 7));
  // frmsizecod 37: the last nominal rate.
  EXPECT_EQ(Analyse({0x0B, 0x77, 0, 0, 0x25, 0x40, 0x40})[2], "   Transmission bitrate = [bl]640[/bl] kbit/s");

  // bsid 10 and 17 are AC-3, 11 to 16 E-AC-3.
  for (uint8_t bsid : {10, 11, 16, 17}) {
    Bytes header = kEac3Header;
    header[5] = static_cast<uint8_t>(bsid << 3);
    bool enhanced = bsid >= 11 && bsid <= 16;
    EXPECT_EQ(Analyse(header)[0],
              enhanced ? "   Stream 1 is [b]Dolby Digital Plus[/b]" : "   Stream 1 is [b]Dolby Digital[/b]")
        << int{bsid};
  }

  // E-AC-3, one block per frame, stereo, no LFE, 32 kHz: the rate is still
  // worked out as for 48 kHz. frmsiz 255: 512-byte frames.
  EXPECT_EQ(Analyse({0x0B, 0x77, 0x00, 0xFF, 0x84, 0x58, 0x00}, 2),
            Eac3Lines(2, 512, 1, "32", (256 * 16 * 750 / 4) / 1000, "L + R", 11, false));
}

TEST_F(Ac3Analyser, FactsOfTheLockedHeader) {
  const struct {
    const char* name;
    Bytes bytes;
    const char* coding;
    int channels, sampleRate;
    int64_t bitRate;
  } rows[] = {
      {"AC-3 5.1: mixing levels, then lfeon", kAc3Header, "AC-3", 6, 48000, 448000},
      {"AC-3 stereo: Dolby Surround mode, no LFE", {0x0B, 0x77, 0, 0, 0x14, 0x40, 0x40}, "AC-3", 2, 48000, 192000},
      {"AC-3 2.1", {0x0B, 0x77, 0, 0, 0x14, 0x40, 0x44}, "AC-3", 3, 48000, 192000},
      {"AC-3 mono with LFE", {0x0B, 0x77, 0, 0, 0x80, 0x40, 0x30}, "AC-3", 2, 32000, 32000},
      {"AC-3 dual mono", {0x0B, 0x77, 0, 0, 0x5E, 0x40, 0x00}, "AC-3", 2, 44100, 448000},
      {"AC-3 L R S with LFE", {0x0B, 0x77, 0, 0, 0x1E, 0x40, 0x84}, "AC-3", 4, 48000, 448000},
      {"E-AC-3 5.1", kEac3Header, "E-AC-3", 6, 48000, 384000},
      {"E-AC-3 at 32 kHz", {0x0B, 0x77, 0x00, 0xFF, 0x84, 0x58, 0x00}, "E-AC-3", 2, 32000, 512000},
      {"a header with no rate, then one", Join({{0x0B, 0x77, 0x12, 0x34, 0xDE, 0x40, 0xE1}, kEac3Header}), "E-AC-3", 6,
       48000, 384000},
      {"only a header with no rate", {0x0B, 0x77, 0x12, 0x34, 0xDE, 0x40, 0xE1}, "", 0, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StreamFacts facts = Facts(row.bytes);
    EXPECT_EQ(facts.coding, row.coding);
    EXPECT_EQ(facts.channels, row.channels);
    EXPECT_EQ(facts.sampleRate, row.sampleRate);
    EXPECT_EQ(facts.bitRate, row.bitRate);
    EXPECT_EQ(facts.bitsPerSample, 0);
  }
}

TEST_F(Ac3Analyser, SampleRateFollowsLocale) {
  const Bytes header44 = {0x0B, 0x77, 0, 0, 0x5E, 0x40, 0x40};  // fscod 1
  EXPECT_EQ(Analyse(header44)[1], "   Sampling frequency = [bl]44.1[/bl] kHz");
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  EXPECT_EQ(Analyse(header44)[1], "   Sampling frequency = [bl]44,1[/bl] kHz");
  std::setlocale(LC_ALL, "C");
}

TEST_F(Ac3Analyser, ReservedSampleRateDropsTheLock) {
  Bytes reserved = kAc3Header;
  reserved[4] = 0xDE;  // fscod 3
  Lines expected = Ac3Lines(1, "0", 448, "L + R + C + Ls + Rs", 8, 0);
  EXPECT_EQ(Analyse(Join({reserved, kAc3Header})),
            Concat(expected, Ac3Lines(1, "48", 448, "L + R + C + Ls + Rs", 8, 0)));

  // E-AC-3 with fscod 3 keeps the looked-up rate instead of working one out.
  Bytes eac3 = kEac3Header;
  eac3[4] = 0xC2;  // fscod 3, numblkscod 0, acmod 1, lfeon 0 -> bit rate row 1
  EXPECT_EQ(Analyse(Join({eac3, kAc3Header})), Concat(Eac3Lines(1, 1536, 1, "0", 40, "mono", 16, false),
                                                      Ac3Lines(1, "48", 448, "L + R + C + Ls + Rs", 8, 0)));
}

TEST_F(Ac3Analyser, FrameSizeCodesWithoutRateDropTheLock) {
  for (uint8_t frmsizecod : {38, 39, 63}) {
    Bytes odd = kAc3Header;
    odd[4] = frmsizecod;
    EXPECT_EQ(Analyse(Join({odd, kAc3Header})), Concat(Ac3Lines(1, "48", 0, "L + R + C + Ls + Rs", 8, 0),
                                                       Ac3Lines(1, "48", 448, "L + R + C + Ls + Rs", 8, 0)))
        << int{frmsizecod};
  }
}

TEST_F(Ac3Analyser, OneReportWhileLocked) {
  // Sync words later in the frame, and a second frame, are passed over.
  Bytes frame = Join({kAc3Header, {0x0B, 0x77, 0x0B, 0x77, 0x55}, kEac3Header});
  EXPECT_EQ(Analyse(frame).size(), 4u);
  // A piece that starts inside a frame locks on the first 0B 77 it meets.
  EXPECT_EQ(Analyse(Join({{0x12, 0x0B}, {0x77, 0x00, 0x00, 0x14, 0x40, 0x43}, kAc3Header})),
            Ac3Lines(1, "48", 192, "L + R", 8, 0));
  // A sync word inside the header does not count as a header byte.
  EXPECT_EQ(Analyse({0x0B, 0x77, 0x0B, 0x77, 0x00, 0x1E, 0x40, 0xE1})[2],
            "   Transmission bitrate = [bl]448[/bl] kbit/s");
}

TEST_F(Ac3Analyser, NothingWithoutACompleteHeader) {
  EXPECT_TRUE(Analyse({}).empty());
  EXPECT_TRUE(Analyse({0x77, 0x0B, 0x0B, 0x00, 0x77, 0x1E, 0x40}).empty());
  // The piece ends one byte short; the byte after it is not read.
  EXPECT_TRUE(Analyse(kAc3Header, 1, 6).empty());
  // The buffer ends inside the header.
  for (size_t size = 0; size < kAc3Header.size(); ++size)
    EXPECT_TRUE(Analyse(Bytes(kAc3Header.begin(), kAc3Header.begin() + static_cast<std::ptrdiff_t>(size))).empty());
}

TEST_F(Ac3Analyser, BytesBeyondTheLoadedOnesReadAsZero) {
  // A piece that claims more bytes than were loaded: fscod 0, frmsizecod 0,
  // bsid 0, acmod 0 come from the missing bytes.
  EXPECT_EQ(Analyse({0x0B, 0x77}, 3, 100), Ac3Lines(3, "48", 32, "dual mono", 0, 0));
  EXPECT_TRUE(Analyse({0x0B}, 3, int64_t{1} << 40).empty());
}

// What ffprobe said about the fixtures.
using testing::FixtureFacts;

using testing::FixtureHead;

struct AudioFixture {
  const char* file;
  const char* layout;  // ffprobe's channel_layout
  const char* arrangement;
};

TEST_F(Ac3Analyser, RealStreamsAgreeWithFfprobe) {
  const AudioFixture fixtures[] = {{"ac3_stereo.ac3", "stereo", "L + R"},
                                   {"ac3_51.ac3", "5.1(side)", "L + R + C + Ls + Rs"},
                                   {"eac3_51.eac3", "5.1(side)", "L + R + C + Ls + Rs"}};
  for (const AudioFixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.file);
    std::map<std::string, std::string> facts = FixtureFacts(fixture.file);
    ASSERT_EQ(facts["channel_layout"], fixture.layout);
    Bytes head = FixtureHead(fixture.file);
    ASSERT_EQ(head.size(), 4096u);
    Lines lines = Analyse(head, 2);
    bool enhanced = facts["codec"] == "eac3";
    ASSERT_EQ(lines.size(), enhanced ? 6u : 4u);
    size_t rateLine = enhanced ? 2 : 1;
    EXPECT_EQ(lines[0], enhanced ? "   Stream 2 is [b]Dolby Digital Plus[/b]" : "   Stream 2 is [b]Dolby Digital[/b]");
    EXPECT_EQ(lines[rateLine],
              "   Sampling frequency = [bl]" + std::to_string(std::stoi(facts["sample_rate"]) / 1000) + "[/bl] kHz");
    EXPECT_EQ(lines[rateLine + 1],
              "   Transmission bitrate = [bl]" + std::to_string(std::stoi(facts["bit_rate"]) / 1000) + "[/bl] kbit/s");
    EXPECT_EQ(lines[rateLine + 2].rfind(
                  std::string("   Channel arrangement = [bl]") + fixture.arrangement + "[/bl], bsid = ", 0),
              0u);
    // 5.1 is five full-range channels plus LFE; only E-AC-3 reports the LFE.
    if (enhanced) {
      EXPECT_EQ(lines[5], "   LFE channel = [bl]present[/bl]");
    }
    StreamFacts found = Facts(head);
    EXPECT_EQ(found.coding, enhanced ? "E-AC-3" : "AC-3");
    EXPECT_EQ(std::to_string(found.channels), facts["channels"]);
    EXPECT_EQ(std::to_string(found.sampleRate), facts["sample_rate"]);
    EXPECT_EQ(std::to_string(found.bitRate), facts["bit_rate"]);
  }
}

}  // namespace
}  // namespace klarvex
