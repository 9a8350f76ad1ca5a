#include "engine/vobsub_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "temp_dir.h"
#include "test_bytes.h"

namespace klarvex::testing {
namespace {

// What a reader takes from a pack of the .sub: whether its PES header
// carries a PTS, and the payload after the substream id.
struct Pack {
  bool hasPts;
  Bytes payload;
  bool operator==(const Pack&) const = default;
};

std::vector<Pack> Packs(const Bytes& sub) {
  std::vector<Pack> packs;
  for (size_t at = 0; at + 2048 <= sub.size(); at += 2048) {
    const uint8_t* pes = sub.data() + at + 14;
    const size_t length = size_t{pes[4]} << 8 | pes[5], headerData = pes[8];
    EXPECT_EQ(pes[9 + headerData], 0x20);
    const uint8_t* payload = pes + 9 + headerData + 1;
    packs.push_back({(pes[7] & 0x80) != 0, Bytes(payload, payload + (length - 3 - headerData - 1))});
  }
  EXPECT_EQ(sub.size() % 2048, 0u);
  return packs;
}

class VobSubSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sub.create(dir.file("x.sub"));
    idx.create(dir.file("x.idx"));
  }
  void finish() {
    sink.finish();
    sub.close();
    idx.close();
  }
  std::string units() const {  // the index's lines after its "id:" line
    const Bytes text = ReadAll(dir.file("x.idx"));
    const std::string all(text.begin(), text.end());
    return all.substr(all.find('\n', all.find("\nid: ") + 1) + 1);
  }

  TempDir dir;
  OutputFile sub, idx;
  uint32_t minFirstPts = 0xFFFFFFFF;  // no read found one: times as they are
  VobSubSink sink{sub, idx, minFirstPts, VobSubInfo{}};
};

// A packet larger than a pack goes on in packs without a PTS; one cut short
// ends at the next packet or at the end; one before any PTS starts no unit.
TEST_F(VobSubSinkTest, PacketsThatDoNotFitOnePack) {
  const Bytes orphan = Data(50, 1), big = Data(5000, 2), cut = Data(400, 3), last = Data(10, 4);
  sink.beginPacket(std::nullopt, 50);
  sink.write(orphan.data(), 50);
  sink.beginPacket(90, 5000);
  sink.write(big.data(), 3000);  // in two pieces, as a read block's end cuts it
  sink.write(big.data() + 3000, 2000);
  sink.beginPacket(180, 1000);
  sink.write(cut.data(), 400);
  sink.beginPacket(std::nullopt, 100);
  sink.write(last.data(), 10);
  finish();

  const std::vector<Pack> expected = {
      {false, orphan},
      {true, Bytes(big.begin(), big.begin() + 2019)},
      {false, Bytes(big.begin() + 2019, big.begin() + 2019 + 2024)},
      {false, Bytes(big.begin() + 2019 + 2024, big.end())},
      {true, cut},
      {false, last},
  };
  EXPECT_EQ(Packs(ReadAll(dir.file("x.sub"))), expected);
  EXPECT_EQ(units(),
            "timestamp: 00:00:00:001, filepos: 000000800\n"
            "timestamp: 00:00:00:002, filepos: 000002000\n");
}

TEST_F(VobSubSinkTest, InfoGoesIntoTheHeader) {
  VobSubInfo info{352, 240, {}, "de"};
  info.paletteRgb[0] = 0x12AB0F;
  VobSubSink named(sub, idx, minFirstPts, info);
  named.finish();
  idx.close();
  const Bytes text = ReadAll(dir.file("x.idx"));
  const std::string all(text.begin(), text.end());
  EXPECT_NE(all.find("\nsize: 352x240\n"), std::string::npos);
  EXPECT_NE(all.find("\npalette: 12ab0f, 000000, 000000,"), std::string::npos);
  EXPECT_TRUE(all.ends_with("\nid: de, index: 0\n")) << "no unit: no timestamp line";
  EXPECT_EQ(ReadAll(dir.file("x.sub")), Bytes{});
}

}  // namespace
}  // namespace klarvex::testing
