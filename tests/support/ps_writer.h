// Program-stream writer for tests, fixtures, the sample title and the benchmark.
//
// Builds MPEG-2 program streams of 2048-byte packs the way HD DVD (EVO) and
// DVD (VOB, AOB) authoring does: pack header, system header in navigation
// packs, private stream 2 navigation packets (GCI, PCI, DSI) at their fixed
// places, PES packets with PTS / PTS+DTS, private stream 1 substream headers,
// VC-1 under stream_id 0xFD with stream_id_extension, padding and ADV_PCKs.
// It can also append raw bytes, so tests can build damaged or odd-sized input.
//
// Pack layouts written (offsets within the pack):
//   navigation pack, HD DVD: system header 0x0E..0x25, GCI 0x26..0x125,
//     PCI 0x126..0x506, DSI 0x507..0x7FF (DSI base 0x50E, GCI base 0x2D)
//   navigation pack, DVD:    system header 0x0E..0x25, PCI 0x26..0x3FF,
//     DSI 0x400..0x7FF (DSI base 0x407)
//   every other pack: pack header, one packet, then a padding packet when 6
//     or more bytes are left, else that many 0xFF stuffing bytes in the PES
//     header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klarvex::testing {

using Bytes = std::vector<uint8_t>;

inline constexpr size_t kPackSize = 2048;
inline constexpr size_t kPackHeaderSize = 14;

enum class Flavor {
  HdDvd,     // EVO: mux rate bytes 04 9D 43 F8, GCI+PCI+DSI navigation packs (DSI packet at 0x507)
  DvdVideo,  // VOB: mux rate bytes 01 89 C3 F8, PCI at 0x26, DSI at 0x400
  DvdAudio,  // AOB: as DVD-Video, but audio packs only and no navigation packs by default
};

// Fields of a navigation pack. Offsets are from the first byte after the
// substream id ("base"); multi-byte values are big-endian.
struct NavPackInfo {
  uint16_t vobNumber = 1;    // DSI base+24
  uint32_t vobStartPtm = 0;  // DSI base+44 (VOB_V_S_PTM)
  uint32_t vobEndPtm = 0;    // DSI base+48 (VOB_V_E_PTM)
  // Audio / subpicture synchronisation tables: DSI base+530 / base+546 in
  // HD DVD, base+402 / base+418 in DVD. An entry is written as given.
  std::vector<uint16_t> audioSync;  // up to 8 entries
  std::vector<uint32_t> subSync;    // up to 32 entries
  // System header bounds (pack offsets 23 and 24).
  uint8_t audioBound = 0;  // 6 bits
  uint8_t videoBound = 1;  // 5 bits
  // GCI (HD DVD only): base+12 encryption indicator, base+24 validity flags,
  // base+26 copy-control values.
  uint8_t gciEncryption = 0;
  uint8_t gciValidity = 0;
  uint8_t gciValues = 0;
};

struct PesTimes {
  std::optional<uint64_t> pts{};  // 33-bit values; bit 32 is written too
  std::optional<uint64_t> dts{};  // only with pts
};

// Extra PES header options, for exercising the header parser. In the
// splitting writers (video(), vc1(), ...) the P-STD field and stuffing go on
// the first packet only, like the times; a stream_id_extension goes on every
// packet, since readers tell VC-1 streams apart by it.
struct PesHeaderOptions {
  bool pstdBuffer = false;  // write a P-STD buffer field in the PES extension
  int stuffing = 0;         // extra 0xFF stuffing bytes in the PES header
  // Writes a PES extension with PES_extension_flag_2 and this
  // stream_id_extension (vc1() sets it itself).
  std::optional<uint8_t> streamIdExtension;
};

class ProgramStreamWriter {
 public:
  explicit ProgramStreamWriter(Flavor flavor = Flavor::HdDvd);

  // A whole 2048-byte navigation pack (pack header, system header, and for
  // HD DVD GCI, PCI and DSI; for DVD and DVD-Audio PCI and DSI).
  void navPack(const NavPackInfo& info);
  // Pack header, system header (to 0x25) and a padding packet: the first
  // pack of an AOB, from which readers take the audio/video bounds.
  void systemHeaderPack(const NavPackInfo& info);
  // The next pack written (by any method but raw(); navigation and system
  // header packs carry their own instead) carries a system header
  // right behind its pack header, as the first audio pack of an AOB does.
  void systemHeaderInNextPack(const NavPackInfo& info);

  // Elementary-stream data cut into PES packets, one per 2048-byte pack.
  // `times` go on the first PES packet only. The last pack is filled with
  // stuffing or a padding packet so every pack is exactly 2048 bytes.
  // Empty data still gives one (empty) packet, so the times are written.
  void video(uint8_t streamId, const Bytes& es, const PesTimes& times = {},
             const PesHeaderOptions& opts = {});  // E0..E3
  void vc1(uint8_t extension, const Bytes& es, const PesTimes& times = {},
           const PesHeaderOptions& opts = {});  // 0xFD, ext 0x55/0x56
  // Private stream 1 audio: the substream header for the id's kind is
  // written in front of every packet's piece (AC-3/DTS/E-AC-3: id + 3 bytes;
  // LPCM/MLP A0..A7: id + 3 + 3 header bytes; TrueHD B0..B7: id + 3 + 1).
  // `lpcmHeader` is the 3-byte LPCM header (default 00 01 80: 16-bit,
  // 48 kHz, stereo).
  void audio(uint8_t substreamId, const Bytes& es, const PesTimes& times = {},
             const std::array<uint8_t, 3>* lpcmHeader = nullptr);
  // MPEG audio, stream_id C0..CF.
  void mpegAudio(uint8_t streamId, const Bytes& es, const PesTimes& times = {});
  // A subpicture unit: private stream 1 with substream id 20..3F or 60..7F,
  // the id byte in front of every packet's piece.
  void subpicture(uint8_t substreamId, const Bytes& unit, const PesTimes& times = {});
  // An ADV_PCK: one private stream 2 packet filling the pack; its payload is
  // 0x80, then `data` (at most 2027 bytes), then zeros.
  void advPack(const Bytes& data = {});
  // A pack holding only a padding packet.
  void paddingPack();

  // One pack with a single PES packet exactly as given (header bytes built
  // from `times`/`opts`), with `payload` not split; for hand-made cases.
  // The pack is padded to 2048 bytes unless `padToPack` is false or the
  // packet does not fit, in which case the pack is just longer.
  // Stream ids BE and BF get no PES header fields (payload follows the
  // length); a 1..5 byte gap is then closed by lengthening the payload
  // (0xFF for BE, 0x00 for BF), since such packets cannot hold stuffing.
  void pesPacket(uint8_t streamId, const Bytes& payload, const PesTimes& times = {}, const PesHeaderOptions& opts = {},
                 bool padToPack = true);

  // Raw bytes appended as they are (odd pack sizes, damage, truncation).
  void raw(const Bytes& bytes);

  const Bytes& bytes() const { return out_; }
  void writeTo(const std::string& path) const;  // throws std::runtime_error on failure

  Flavor flavor() const { return flavor_; }
  // SCR of the next pack, in 27 MHz units (base * 300 + extension).
  uint64_t scr() const { return scr_; }
  void setScr(uint64_t scr27MHz) { scr_ = scr27MHz; }
  // SCR step between packs: one pack's transfer time at the flavor's mux rate.
  static uint64_t scrStep(Flavor flavor);

  // Pieces, exposed for tests that assemble packs by hand.
  // `scr` is in 27 MHz units (base * 300 + extension).
  static Bytes packHeader(Flavor flavor, uint64_t scr);
  // 5-byte PTS/DTS field; prefix 2 = PTS only, 3 = PTS with DTS, 1 = DTS.
  static void appendTimestamp(Bytes& out, uint8_t prefix, uint64_t ts);
  // The 24-byte system header (00 00 01 BB, header_length 18, 4 entries).
  static Bytes systemHeader(Flavor flavor, const NavPackInfo& info);
  // The private stream 1 substream header written in front of each piece.
  static Bytes substreamHeader(uint8_t substreamId, const std::array<uint8_t, 3>* lpcmHeader = nullptr);

 private:
  struct PesHeaderPlan;
  struct ElementaryStream;

  size_t beginPack();
  size_t roomLeft(size_t packStart) const;
  void fillPack(size_t packStart);
  void appendPesPacket(size_t packStart, uint8_t streamId, PesHeaderPlan plan, const Bytes& prefix, const uint8_t* data,
                       size_t size, bool padToPack);
  void appendHeaderlessPacket(size_t packStart, uint8_t streamId, const Bytes& payload, bool padToPack);
  void splitIntoPacks(const ElementaryStream& stream, const Bytes& es, const PesTimes& times,
                      const PesHeaderOptions& opts);

  Flavor flavor_;
  uint64_t scr_ = 0;
  std::optional<Bytes> pendingSystemHeader_;
  Bytes out_;
};

}  // namespace klarvex::testing
