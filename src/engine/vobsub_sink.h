// VobSub: a DVD subpicture stream as the .idx/.sub pair that mkvmerge,
// ffmpeg and the players read. The .sub holds one 2048-byte MPEG-2 pack per
// source packet, the stream renumbered as substream 0x20; the .idx the
// header a player draws with and one line per subpicture unit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/payload_output.h"

namespace klarvex {

// Four greys, black to white by contrast rather than by level, four times
// over: whichever two indices a unit draws its text and its outline with
// (DVD authoring mostly takes indices 0 to 3), they stand apart.
inline constexpr std::array<uint32_t, 16> kNeutralVobSubPalette = {
    0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0, 0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0,
    0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0, 0x000000, 0xFFFFFF, 0x808080, 0xC0C0C0,
};

// What the .idx says of a stream besides its units: the picture the
// subpictures are drawn on, the 16 colours their indices name, and the
// language. The title set information (IFO) knows all three; without it,
// the read's video size, the neutral palette and no language.
struct VobSubInfo {
  int width = 720, height = 480;
  std::array<uint32_t, 16> paletteRgb = kNeutralVobSubPalette;  // 0xRRGGBB
  std::string language;                                         // ISO 639-1, two lowercase letters; empty: not known
};

// A subpicture unit in the index: its rebased time (90 kHz) and the offset
// of its first pack in the .sub.
struct VobSubUnit {
  uint32_t time = 0;
  int64_t filePosition = 0;
};

// The whole .idx text.
std::string VobSubIndexText(const VobSubInfo& info, const std::vector<VobSubUnit>& units);

// Writes the .sub pack by pack as the payload comes, and the .idx at the
// end. Each packet that carries a PTS starts a unit; its time is rebased as
// the .sup times are (on the title's earliest audio/video PTS, read when
// the packet comes). A packet larger than one pack goes on in further packs
// without a PTS; one cut short (the end of the source, a stop) is written
// with the bytes that came.
class VobSubSink : public StreamSink {
 public:
  VobSubSink(OutputFile& sub, OutputFile& idx, const uint32_t& minFirstPts, VobSubInfo info)
      : sub_(sub), idx_(idx), minFirstPts_(minFirstPts), info_(std::move(info)) {}
  void beginPacket(std::optional<uint32_t> pts, int32_t payloadBytes) override;
  void write(const uint8_t* data, int64_t count) override;
  void finish() override;

  static constexpr int kPackBytes = 2048;

 private:
  int capacity() const;
  void flushPack();
  void writePack();

  OutputFile& sub_;
  OutputFile& idx_;
  const uint32_t& minFirstPts_;
  const VobSubInfo info_;
  std::vector<VobSubUnit> units_;
  std::array<uint8_t, kPackBytes> payload_{};  // the payload of the pack being gathered
  std::array<uint8_t, kPackBytes> pack_{};
  int gathered_ = 0;
  bool packOpen_ = false;
  std::optional<uint32_t> packPts_;  // rebased; only the first pack of a packet carries it
  int64_t packetLeft_ = 0;           // payload bytes the packet still announces
  int64_t subBytes_ = 0;
  std::optional<uint64_t> scr_;  // the last pack's, 27 MHz
};

}  // namespace klarvex
