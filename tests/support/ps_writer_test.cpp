// Checks the test program-stream writer byte by byte, reading its output back
// with a small parser of its own so a writer mistake cannot hide behind a
// reader that makes the same one.
#include "ps_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace klarvex::testing {
namespace {

struct Packet {
  size_t pack = 0;    // pack index
  size_t offset = 0;  // offset of 00 00 01 within the pack
  uint8_t streamId = 0;
  Bytes header;  // PES header data (timestamps, extension, stuffing)
  Bytes payload;
};

bool hasPesHeader(uint8_t id) { return id != 0xBE && id != 0xBF; }

uint16_t be16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

uint32_t be32(const Bytes& b, size_t at) { return static_cast<uint32_t>(be16(b, at)) << 16 | be16(b, at + 2); }

// Walks every pack, expecting packets to tile it exactly.
std::vector<Packet> parsePacks(const Bytes& data) {
  EXPECT_EQ(data.size() % kPackSize, 0u);
  std::vector<Packet> packets;
  for (size_t pack = 0; pack * kPackSize < data.size(); ++pack) {
    const Bytes p(data.begin() + pack * kPackSize, data.begin() + (pack + 1) * kPackSize);
    EXPECT_EQ(be32(p, 0), 0x000001BAu) << "pack " << pack;
    size_t pos = 14;
    while (pos < kPackSize) {
      EXPECT_EQ(p[pos], 0);
      EXPECT_EQ(p[pos + 1], 0);
      EXPECT_EQ(p[pos + 2], 1);
      const uint8_t id = p[pos + 3];
      const size_t end = pos + 6 + be16(p, pos + 4);
      if (end > kPackSize) {
        ADD_FAILURE() << "packet runs past pack " << pack;
        return packets;
      }
      if (id != 0xBB) {
        Packet packet{pack, pos, id, {}, {}};
        size_t payloadStart = pos + 6;
        if (hasPesHeader(id)) {
          EXPECT_EQ(p[pos + 6], 0x81);
          payloadStart = pos + 9 + p[pos + 8];
          packet.header.assign(p.begin() + pos + 9, p.begin() + payloadStart);
        }
        packet.payload.assign(p.begin() + payloadStart, p.begin() + end);
        packets.push_back(packet);
      }
      pos = end;
    }
    EXPECT_EQ(pos, kPackSize) << "pack " << pack;
  }
  return packets;
}

std::vector<Packet> packetsOf(const std::vector<Packet>& all, uint8_t id) {
  std::vector<Packet> out;
  for (const auto& p : all) {
    if (p.streamId == id) out.push_back(p);
  }
  return out;
}

// Concatenates payloads after checking and dropping `prefix` in each packet.
Bytes reassemble(const std::vector<Packet>& packets, const Bytes& prefix) {
  Bytes out;
  for (const auto& p : packets) {
    EXPECT_GE(p.payload.size(), prefix.size());
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), p.payload.begin()))
        << "pack " << p.pack << " lacks its substream header";
    out.insert(out.end(), p.payload.begin() + static_cast<std::ptrdiff_t>(prefix.size()), p.payload.end());
  }
  return out;
}

Bytes slice(const Bytes& b, size_t at, size_t n) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

Bytes pattern(size_t n, uint32_t seed = 1) {
  Bytes out(n);
  for (auto& b : out) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

uint64_t decodeScr(const Bytes& b, size_t pack) {
  const size_t at = pack * kPackSize + 4;
  EXPECT_EQ(b[at] & 0xC4, 0x44);
  EXPECT_EQ(b[at + 2] & 0x04, 0x04);
  EXPECT_EQ(b[at + 4] & 0x04, 0x04);
  EXPECT_EQ(b[at + 5] & 0x01, 0x01);
  const auto u = [&](size_t i) { return uint64_t{b[at + i]}; };
  const uint64_t base = ((u(0) >> 3) & 7) << 30 | (u(0) & 3) << 28 | u(1) << 20 | (u(2) >> 3) << 15 | (u(2) & 3) << 13 |
                        u(3) << 5 | u(4) >> 3;
  const uint64_t ext = (u(4) & 3) << 7 | u(5) >> 1;
  return base * 300 + ext;
}

bool allZero(const Bytes& b, size_t from, size_t to) {
  return std::all_of(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(to),
                     [](uint8_t v) { return v == 0; });
}

// --- pack header and timestamps -------------------------------------------

TEST(PackHeader, KnownScrHdDvd) {
  // SCR base 90000 (one second), extension 0.
  EXPECT_EQ(ProgramStreamWriter::packHeader(Flavor::HdDvd, 27'000'000),
            (Bytes{0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x16, 0xFC, 0x84, 0x01, 0x04, 0x9D, 0x43, 0xF8}));
}

TEST(PackHeader, HighScrBitsAndExtensionDvd) {
  // Base 0x1ABCDEF01 (bit 32 set), extension 299.
  EXPECT_EQ(ProgramStreamWriter::packHeader(Flavor::DvdVideo, 0x1ABCDEF01ull * 300 + 299),
            (Bytes{0x00, 0x00, 0x01, 0xBA, 0x76, 0xBC, 0xDF, 0x78, 0x0E, 0x57, 0x01, 0x89, 0xC3, 0xF8}));
  EXPECT_EQ(slice(ProgramStreamWriter::packHeader(Flavor::DvdAudio, 0), 10, 4), (Bytes{0x01, 0x89, 0xC3, 0xF8}));
}

Bytes timestamp(uint8_t prefix, uint64_t ts) {
  Bytes out;
  ProgramStreamWriter::appendTimestamp(out, prefix, ts);
  return out;
}

TEST(Timestamp, OneSecond) {
  EXPECT_EQ(timestamp(2, 90000), (Bytes{0x21, 0x00, 0x05, 0xBF, 0x21}));
  EXPECT_EQ(timestamp(3, 90000), (Bytes{0x31, 0x00, 0x05, 0xBF, 0x21}));
  EXPECT_EQ(timestamp(1, 87000), (Bytes{0x11, 0x00, 0x05, 0xA7, 0xB1}));
}

TEST(Timestamp, ValuesAtAndAboveTwoToThe30) {
  EXPECT_EQ(timestamp(2, 1ull << 30), (Bytes{0x23, 0x00, 0x01, 0x00, 0x01}));
  EXPECT_EQ(timestamp(2, 0x123456789ull), (Bytes{0x29, 0x8D, 0x15, 0xCF, 0x13}));
}

TEST(Timestamp, Bit32) {
  EXPECT_EQ(timestamp(2, 0x1FFFFFFFFull), (Bytes{0x2F, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(timestamp(3, 0x100000000ull | 12345), (Bytes{0x39, 0x00, 0x01, 0x60, 0x73}));
}

// --- packs ------------------------------------------------------------------

void writeOneOfEach(ProgramStreamWriter& w) {
  w.navPack({});
  w.video(0xE0, pattern(3000), {90000, 87000});
  w.audio(0x80, pattern(100), {{90000}});
  w.subpicture(0x20, pattern(2100), {{90000}});
  w.mpegAudio(0xC0, pattern(10));
  w.advPack();
  w.paddingPack();
  w.systemHeaderPack({});
}

class EveryFlavor : public ::testing::TestWithParam<Flavor> {};

TEST_P(EveryFlavor, PacksAre2048BytesWithMuxRateAndRisingScr) {
  ProgramStreamWriter w(GetParam());
  writeOneOfEach(w);
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size() % kPackSize, 0u);
  const Bytes mux = GetParam() == Flavor::HdDvd ? Bytes{0x04, 0x9D, 0x43, 0xF8} : Bytes{0x01, 0x89, 0xC3, 0xF8};
  uint64_t lastScr = 0;
  for (size_t pack = 0; pack < b.size() / kPackSize; ++pack) {
    EXPECT_EQ(slice(b, pack * kPackSize, 4), (Bytes{0x00, 0x00, 0x01, 0xBA}));
    EXPECT_EQ(slice(b, pack * kPackSize + 10, 4), mux) << "pack " << pack;
    const uint64_t scr = decodeScr(b, pack);
    if (pack > 0) {
      EXPECT_GT(scr, lastScr);
    }
    lastScr = scr;
  }
  parsePacks(b);  // packets tile every pack
}

INSTANTIATE_TEST_SUITE_P(Flavors, EveryFlavor, ::testing::Values(Flavor::HdDvd, Flavor::DvdVideo, Flavor::DvdAudio));

TEST(SystemHeader, BytesDvd) {
  NavPackInfo info;
  info.audioBound = 3;
  info.videoBound = 1;
  EXPECT_EQ(ProgramStreamWriter::systemHeader(Flavor::DvdVideo, info),
            (Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, 0x12, 0x80, 0xC4, 0xE1, 0x0C, 0xE1, 0x7F,
                   0xB9, 0xE0, 0xE8, 0xB8, 0xC0, 0x20, 0xBD, 0xE0, 0x3A, 0xBF, 0xE0, 0x02}));
}

TEST(SystemHeader, RateBoundHdDvd) {
  const Bytes h = ProgramStreamWriter::systemHeader(Flavor::HdDvd, {});
  ASSERT_EQ(h.size(), 24u);
  EXPECT_EQ(slice(h, 6, 3), (Bytes{0x82, 0x4E, 0xA1}));  // 75600 units of 50 bytes/s
}

// --- navigation packs -------------------------------------------------------

NavPackInfo sampleNavInfo() {
  NavPackInfo info;
  info.vobNumber = 0x0102;
  info.vobStartPtm = 0x11223344;
  info.vobEndPtm = 0x55667788;
  info.audioSync = {0x8001, 0x8002, 0x3FFF};
  info.subSync = {0x80000001, 0x12345678};
  info.audioBound = 8;
  info.videoBound = 1;
  info.gciEncryption = 0x01;
  info.gciValidity = 0xC0;
  info.gciValues = 0x5A;
  return info;
}

TEST(HdDvdNavPack, PacketsAtFixedOffsets) {
  ProgramStreamWriter w(Flavor::HdDvd);
  w.navPack(sampleNavInfo());
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 0x0E, 6), (Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, 0x12}));
  EXPECT_EQ(b[23], 8 << 2);
  EXPECT_EQ(b[24], 0xE1);
  EXPECT_EQ(slice(b, 0x26, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x00, 0xFA, 0x04}));
  EXPECT_EQ(slice(b, 0x126, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x03, 0xDB, 0x00}));
  EXPECT_EQ(slice(b, 0x507, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x02, 0xF3, 0x01}));
}

TEST(HdDvdNavPack, DsiAndGciFields) {
  ProgramStreamWriter w(Flavor::HdDvd);
  w.navPack(sampleNavInfo());
  const Bytes& b = w.bytes();
  EXPECT_EQ(be16(b, 0x50E + 24), 0x0102);
  EXPECT_EQ(be32(b, 0x53A), 0x11223344u);
  EXPECT_EQ(be32(b, 0x53E), 0x55667788u);
  EXPECT_EQ(slice(b, 0x50E + 530, 8), (Bytes{0x80, 0x01, 0x80, 0x02, 0x3F, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(slice(b, 0x50E + 546, 12), (Bytes{0x80, 0x00, 0x00, 0x01, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(b[0x2D + 12], 0x01);
  EXPECT_EQ(b[0x2D + 24], 0xC0);
  EXPECT_EQ(b[0x2D + 26], 0x5A);
}

TEST(HdDvdNavPack, EverythingElseZero) {
  ProgramStreamWriter w(Flavor::HdDvd);
  w.navPack(sampleNavInfo());
  Bytes b = w.bytes();
  for (size_t at : {0x2D + 12, 0x2D + 24, 0x2D + 26}) b[at] = 0;
  for (size_t at = 0x50E + 24; at < 0x50E + 26; ++at) b[at] = 0;
  for (size_t at = 0x53A; at < 0x542; ++at) b[at] = 0;
  for (size_t at = 0x50E + 530; at < 0x50E + 530 + 6; ++at) b[at] = 0;
  for (size_t at = 0x50E + 546; at < 0x50E + 546 + 8; ++at) b[at] = 0;
  EXPECT_TRUE(allZero(b, 0x2D, 0x126));
  EXPECT_TRUE(allZero(b, 0x12D, 0x507));
  EXPECT_TRUE(allZero(b, 0x50E, 0x800));
}

TEST(DvdNavPack, PciAndDsiPlaces) {
  for (Flavor flavor : {Flavor::DvdVideo, Flavor::DvdAudio}) {
    ProgramStreamWriter w(flavor);
    w.navPack(sampleNavInfo());
    const Bytes& b = w.bytes();
    ASSERT_EQ(b.size(), kPackSize);
    EXPECT_EQ(slice(b, 0x0E, 6), (Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, 0x12}));
    EXPECT_EQ(slice(b, 0x26, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x03, 0xD4, 0x00}));
    EXPECT_EQ(slice(b, 0x400, 7), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x03, 0xFA, 0x01}));
    EXPECT_TRUE(allZero(b, 0x2D, 0x400));  // PCI data, and no GCI
  }
}

TEST(DvdNavPack, DsiFieldsAndSyncTables) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  w.navPack(sampleNavInfo());
  const Bytes& b = w.bytes();
  const size_t base = 0x407;
  EXPECT_EQ(be16(b, base + 24), 0x0102);
  EXPECT_EQ(be32(b, base + 44), 0x11223344u);
  EXPECT_EQ(be32(b, base + 48), 0x55667788u);
  EXPECT_EQ(slice(b, base + 402, 6), (Bytes{0x80, 0x01, 0x80, 0x02, 0x3F, 0xFF}));
  EXPECT_EQ(slice(b, base + 418, 8), (Bytes{0x80, 0x00, 0x00, 0x01, 0x12, 0x34, 0x56, 0x78}));
  EXPECT_TRUE(allZero(b, base + 418 + 8, kPackSize));
}

TEST(NavPack, FullSyncTablesFitAndMoreAreRefused) {
  NavPackInfo info;
  info.audioSync.assign(8, 0xFFFF);
  info.subSync.assign(32, 0xFFFFFFFF);
  ProgramStreamWriter hd(Flavor::HdDvd);
  hd.navPack(info);
  EXPECT_EQ(hd.bytes().size(), kPackSize);
  EXPECT_EQ(be32(hd.bytes(), 0x50E + 546 + 31 * 4), 0xFFFFFFFFu);
  info.audioSync.push_back(1);
  EXPECT_THROW(hd.navPack(info), std::invalid_argument);
}

// --- PES packets --------------------------------------------------------------

TEST(PesPacket, PtsOnlyHeaderAndPadding) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  w.pesPacket(0xE0, {0x01, 0x02, 0x03}, {90000});
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 14, 20), (Bytes{0x00, 0x00, 0x01, 0xE0, 0x00, 0x0B, 0x81, 0x80, 0x05, 0x21,
                                     0x00, 0x05, 0xBF, 0x21, 0x01, 0x02, 0x03, 0x00, 0x00, 0x01}));
  EXPECT_EQ(slice(b, 31, 6), (Bytes{0x00, 0x00, 0x01, 0xBE, 0x07, 0xDB}));
  EXPECT_EQ(b[37], 0xFF);
  EXPECT_EQ(b[kPackSize - 1], 0xFF);
}

TEST(PesPacket, PtsAndDtsHeader) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, {0xAA}, {90000, 87000});
  EXPECT_EQ(slice(w.bytes(), 14, 20), (Bytes{0x00, 0x00, 0x01, 0xE0, 0x00, 0x0E, 0x81, 0xC0, 0x0A, 0x31,
                                             0x00, 0x05, 0xBF, 0x21, 0x11, 0x00, 0x05, 0xA7, 0xB1, 0xAA}));
}

TEST(PesPacket, NoTimesGivesEmptyHeaderData) {
  ProgramStreamWriter w;
  w.pesPacket(0xC0, {0x55});
  EXPECT_EQ(slice(w.bytes(), 14, 10), (Bytes{0x00, 0x00, 0x01, 0xC0, 0x00, 0x04, 0x81, 0x00, 0x00, 0x55}));
}

TEST(PesPacket, DtsWithoutPtsIsRefused) {
  ProgramStreamWriter w;
  PesTimes times;
  times.dts = 1;
  EXPECT_THROW(w.pesPacket(0xE0, {}, times), std::invalid_argument);
  EXPECT_THROW(w.video(0xE0, {1}, times), std::invalid_argument);
  EXPECT_TRUE(w.bytes().empty());
}

// A pack holds 2034 bytes after its header; a bare PES packet takes 9 of them.
constexpr size_t kBarePesRoom = kPackSize - 14 - 9;

TEST(PackFill, SixLeftGetsAnEmptyPaddingPacket) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, pattern(kBarePesRoom - 6));
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(b[22], 0x00);  // header_data_length
  EXPECT_EQ(slice(b, kPackSize - 6, 6), (Bytes{0x00, 0x00, 0x01, 0xBE, 0x00, 0x00}));
}

TEST(PackFill, FiveLeftBecomeStuffing) {
  ProgramStreamWriter w;
  const Bytes payload = pattern(kBarePesRoom - 5);
  w.pesPacket(0xE0, payload);
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(be16(b, 18), kPackSize - 14 - 6);
  EXPECT_EQ(b[22], 0x05);
  EXPECT_EQ(slice(b, 23, 5), (Bytes(5, 0xFF)));
  EXPECT_EQ(slice(b, 28, payload.size()), payload);
}

TEST(PackFill, OneLeftIsOneStuffingByteAfterPts) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, pattern(kBarePesRoom - 5 - 1), {90000});
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(b[22], 0x06);
  EXPECT_EQ(slice(b, 23, 6), (Bytes{0x21, 0x00, 0x05, 0xBF, 0x21, 0xFF}));
}

TEST(PackFill, ExactFitNeedsNothing) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, pattern(kBarePesRoom));
  ASSERT_EQ(w.bytes().size(), kPackSize);
  EXPECT_EQ(w.bytes()[22], 0x00);
}

TEST(PackFill, RequestedStuffingIsWritten) {
  ProgramStreamWriter w;
  PesHeaderOptions opts;
  opts.stuffing = 3;
  w.pesPacket(0xE0, {0x42}, {90000}, opts);
  EXPECT_EQ(slice(w.bytes(), 21, 13),
            (Bytes{0x80, 0x08, 0x21, 0x00, 0x05, 0xBF, 0x21, 0xFF, 0xFF, 0xFF, 0x42, 0x00, 0x00}));
}

TEST(PesPacket, OversizedPacketGrowsThePack) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, pattern(3000));
  EXPECT_EQ(w.bytes().size(), 14u + 9 + 3000);
  EXPECT_EQ(be16(w.bytes(), 18), 3 + 3000);
}

TEST(PesPacket, UnpaddedPackStaysShort) {
  ProgramStreamWriter w;
  w.pesPacket(0xE0, {1, 2}, {}, {}, false);
  EXPECT_EQ(w.bytes().size(), 14u + 9 + 2);
}

TEST(PesPacket, PrivateStream2HasNoHeaderFields) {
  ProgramStreamWriter w;
  w.pesPacket(0xBF, {0x01, 0x02});
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 14, 8), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x00, 0x02, 0x01, 0x02}));
  EXPECT_EQ(slice(b, 22, 4), (Bytes{0x00, 0x00, 0x01, 0xBE}));
}

// --- splitting --------------------------------------------------------------

TEST(Split, VideoReassemblesWithTimesOnFirstPacketOnly) {
  ProgramStreamWriter w;
  const Bytes es = pattern(5000, 7);
  w.video(0xE0, es, {90000, 87000});
  const auto packets = parsePacks(w.bytes());
  ASSERT_EQ(packets.size(), 4u);  // three PES packets, then the last pack's padding
  EXPECT_EQ(packets[0].header, (Bytes{0x31, 0x00, 0x05, 0xBF, 0x21, 0x11, 0x00, 0x05, 0xA7, 0xB1}));
  EXPECT_EQ(packets[0].payload.size(), kBarePesRoom - 10);
  EXPECT_TRUE(packets[1].header.empty());
  EXPECT_EQ(packets[1].payload.size(), kBarePesRoom);
  EXPECT_EQ(packets[3].streamId, 0xBE);
  EXPECT_EQ(reassemble(packetsOf(packets, 0xE0), {}), es);
}

TEST(Split, LastPackWithFiveLeftUsesStuffing) {
  ProgramStreamWriter w;
  const Bytes es = pattern(kBarePesRoom + kBarePesRoom - 5, 3);
  w.video(0xE1, es);
  const auto packets = parsePacks(w.bytes());
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[1].header, Bytes(5, 0xFF));
  EXPECT_EQ(reassemble(packets, {}), es);
}

TEST(Split, EmptyStreamStillCarriesItsTimes) {
  ProgramStreamWriter w;
  w.video(0xE0, {}, {90000});
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xE0);
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].header, (Bytes{0x21, 0x00, 0x05, 0xBF, 0x21}));
  EXPECT_TRUE(packets[0].payload.empty());
}

TEST(Split, MpegAudioIsPlainPes) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  const Bytes es = pattern(4100, 5);
  w.mpegAudio(0xC2, es, {{12345}});
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xC2);
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(reassemble(packets, {}), es);
}

TEST(Split, SystemHeaderInNextPackOnlyOnce) {
  ProgramStreamWriter w(Flavor::DvdAudio);
  NavPackInfo info;
  info.audioBound = 1;
  info.videoBound = 0;
  w.systemHeaderInNextPack(info);
  const Bytes es = pattern(3000, 9);
  w.audio(0xA0, es, {{90000}});
  const Bytes& b = w.bytes();
  EXPECT_EQ(slice(b, 14, 4), (Bytes{0x00, 0x00, 0x01, 0xBB}));
  EXPECT_EQ(b[23], 0x04);
  EXPECT_EQ(b[24], 0xE0);
  EXPECT_EQ(slice(b, 0x26, 4), (Bytes{0x00, 0x00, 0x01, 0xBD}));
  EXPECT_EQ(slice(b, kPackSize + 14, 4), (Bytes{0x00, 0x00, 0x01, 0xBD}));
  const auto packets = packetsOf(parsePacks(b), 0xBD);
  EXPECT_EQ(reassemble(packets, {0xA0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80}), es);
}

// --- VC-1 -----------------------------------------------------------------

TEST(Vc1, ExtensionBytesWithPts) {
  ProgramStreamWriter w;
  w.vc1(0x55, {0x00, 0x00, 0x01, 0x0F}, {90000});
  EXPECT_EQ(slice(w.bytes(), 14, 21), (Bytes{0x00, 0x00, 0x01, 0xFD, 0x00, 0x0F, 0x81, 0x81, 0x08, 0x21, 0x00,
                                             0x05, 0xBF, 0x21, 0x0F, 0x81, 0x55, 0x00, 0x00, 0x01, 0x0F}));
}

TEST(Vc1, ExtensionWithPstdBuffer) {
  ProgramStreamWriter w;
  PesHeaderOptions opts;
  opts.pstdBuffer = true;
  w.vc1(0x56, {0x77}, {}, opts);
  EXPECT_EQ(slice(w.bytes(), 14, 15),
            (Bytes{0x00, 0x00, 0x01, 0xFD, 0x00, 0x09, 0x81, 0x01, 0x05, 0x1F, 0x60, 0xE8, 0x81, 0x56, 0x77}));
}

TEST(Vc1, EveryPacketCarriesTheStreamIdExtension) {
  ProgramStreamWriter w;
  const Bytes es = pattern(6000, 11);
  w.vc1(0x55, es, {90000});
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xFD);
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(slice(packets[0].header, 5, 3), (Bytes{0x0F, 0x81, 0x55}));
  for (size_t i = 1; i < packets.size(); ++i) {
    EXPECT_EQ(slice(packets[i].header, 0, 3), (Bytes{0x0F, 0x81, 0x55})) << "packet " << i;
  }
  EXPECT_EQ(reassemble(packets, {}), es);
}

TEST(PesPacket, HandMadeStreamIdExtension) {
  ProgramStreamWriter w;
  PesHeaderOptions opts;
  opts.streamIdExtension = 0x71;
  w.pesPacket(0xFD, {0x01}, {}, opts);
  EXPECT_EQ(slice(w.bytes(), 20, 7), (Bytes{0x81, 0x01, 0x03, 0x0F, 0x81, 0x71, 0x01}));
}

// --- private stream 1 substreams -----------------------------------------------

Bytes firstBdPayloadStart(uint8_t id, size_t n, const std::array<uint8_t, 3>* lpcm = nullptr) {
  ProgramStreamWriter w;
  w.audio(id, {0xEE, 0xEE}, {}, lpcm);
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xBD);
  EXPECT_EQ(packets.size(), 1u);
  return slice(packets.at(0).payload, 0, n);
}

TEST(Substream, HeaderLengthPerKind) {
  EXPECT_EQ(firstBdPayloadStart(0x80, 5), (Bytes{0x80, 0x00, 0x00, 0x00, 0xEE}));        // AC-3
  EXPECT_EQ(firstBdPayloadStart(0x88, 5), (Bytes{0x88, 0x00, 0x00, 0x00, 0xEE}));        // DTS
  EXPECT_EQ(firstBdPayloadStart(0xC0, 5), (Bytes{0xC0, 0x00, 0x00, 0x00, 0xEE}));        // E-AC-3
  EXPECT_EQ(firstBdPayloadStart(0xB0, 6), (Bytes{0xB0, 0x00, 0x00, 0x00, 0x00, 0xEE}));  // TrueHD
  EXPECT_EQ(firstBdPayloadStart(0xA0, 8),
            (Bytes{0xA0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0xEE}));  // LPCM, default header
  const std::array<uint8_t, 3> lpcm{0x00, 0xA5, 0x80};                 // 24-bit 96 kHz 6 channels
  EXPECT_EQ(firstBdPayloadStart(0xA1, 8, &lpcm), (Bytes{0xA1, 0x00, 0x00, 0x00, 0x00, 0xA5, 0x80, 0xEE}));
  EXPECT_EQ(firstBdPayloadStart(0x20, 2), (Bytes{0x20, 0xEE}));
}

TEST(Substream, LpcmHeaderRepeatsInEveryPack) {
  ProgramStreamWriter w(Flavor::DvdVideo);
  const Bytes es = pattern(7000, 13);
  const std::array<uint8_t, 3> lpcm{0x00, 0x11, 0x80};
  w.audio(0xA2, es, {{90000}}, &lpcm);
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xBD);
  ASSERT_EQ(packets.size(), 4u);
  EXPECT_EQ(packets[0].payload.size(), kBarePesRoom - 5);
  EXPECT_EQ(packets[1].payload.size(), kBarePesRoom);
  EXPECT_EQ(reassemble(packets, {0xA2, 0x00, 0x00, 0x00, 0x00, 0x11, 0x80}), es);
}

TEST(Substream, SubpictureIdInFrontOfEveryPiece) {
  ProgramStreamWriter w;
  const Bytes unit = pattern(4500, 17);
  w.subpicture(0x61, unit, {{90000}});
  const auto packets = packetsOf(parsePacks(w.bytes()), 0xBD);
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(reassemble(packets, {0x61}), unit);
}

// --- whole packs -----------------------------------------------------------------

TEST(WholePacks, AdvPack) {
  ProgramStreamWriter w;
  w.advPack({0x12, 0x34});
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 14, 9), (Bytes{0x00, 0x00, 0x01, 0xBF, 0x07, 0xEC, 0x80, 0x12, 0x34}));
  EXPECT_TRUE(allZero(b, 23, kPackSize));
  EXPECT_THROW(w.advPack(Bytes(2028)), std::length_error);
}

TEST(WholePacks, PaddingPack) {
  ProgramStreamWriter w;
  w.paddingPack();
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 14, 6), (Bytes{0x00, 0x00, 0x01, 0xBE, 0x07, 0xEC}));
  EXPECT_EQ(b[20], 0xFF);
  EXPECT_EQ(b[kPackSize - 1], 0xFF);
}

TEST(WholePacks, AobSystemHeaderPack) {
  ProgramStreamWriter w(Flavor::DvdAudio);
  NavPackInfo info;
  info.audioBound = 2;
  info.videoBound = 0;
  w.systemHeaderPack(info);
  const Bytes& b = w.bytes();
  ASSERT_EQ(b.size(), kPackSize);
  EXPECT_EQ(slice(b, 14, 6), (Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, 0x12}));
  EXPECT_EQ(b[23], 0x08);
  EXPECT_EQ(b[24], 0xE0);
  EXPECT_EQ(slice(b, 0x26, 6), (Bytes{0x00, 0x00, 0x01, 0xBE, 0x07, 0xD4}));
}

TEST(Raw, AppendsAsGiven) {
  ProgramStreamWriter w;
  w.paddingPack();
  w.raw({0x00, 0x00, 0x01});
  EXPECT_EQ(w.bytes().size(), kPackSize + 3);
  EXPECT_EQ(slice(w.bytes(), kPackSize, 3), (Bytes{0x00, 0x00, 0x01}));
}

// --- files --------------------------------------------------------------------

TEST(WriteTo, WritesTheBytes) {
  ProgramStreamWriter w;
  w.navPack({});
  w.video(0xE0, pattern(100));
  const auto path = std::filesystem::temp_directory_path() / ("ps_writer_test_" + std::to_string(::getpid()) + ".evo");
  w.writeTo(path.string());
  std::ifstream in(path, std::ios::binary);
  const Bytes read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::filesystem::remove(path);
  EXPECT_EQ(read, w.bytes());
}

TEST(WriteTo, FailureNamesTheFile) {
  ProgramStreamWriter w;
  w.paddingPack();
  const std::string path = "/nonexistent-klarvex-dir/out.vob";
  try {
    w.writeTo(path);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace klarvex::testing
