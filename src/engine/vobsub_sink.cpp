#include "engine/vobsub_sink.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/files.h"

namespace klarvex {

namespace {

constexpr int kPackBytes = VobSubSink::kPackBytes;
constexpr int kPackHeaderBytes = 14;
constexpr int kPesHeaderBytes = 9;  // start code, length, two flag bytes, header data length
constexpr int kPtsBytes = 5;
constexpr int kPaddingHeaderBytes = 6;  // a smaller gap is stuffing in the PES header
constexpr uint8_t kPrivateStream1 = 0xBD, kPaddingStream = 0xBE;
// Every .sub holds one stream, as stream 0 ("index: 0", which "langidx: 0"
// selects): the original number stays in the file's name.
constexpr uint8_t kSubstreamId = 0x20;
// DVD's mux rate, 10.08 Mbit/s in units of 50 bytes/s, and the time one
// pack takes at it (27 MHz, rounded up).
constexpr uint32_t kMuxRate = 25200;
constexpr uint64_t kScrStep = (uint64_t{kPackBytes} * 27000000 + kMuxRate * 50 - 1) / (kMuxRate * 50);

void PutPackHeader(uint8_t* p, uint64_t scr27MHz) {
  const uint64_t base = scr27MHz / 300 & 0x1FFFFFFFF;
  const uint64_t extension = scr27MHz % 300;
  const uint8_t header[kPackHeaderBytes] = {
      0x00,
      0x00,
      0x01,
      0xBA,
      static_cast<uint8_t>(0x44 | (base >> 27 & 0x38) | (base >> 28 & 0x03)),
      static_cast<uint8_t>(base >> 20),
      static_cast<uint8_t>(0x04 | (base >> 12 & 0xF8) | (base >> 13 & 0x03)),
      static_cast<uint8_t>(base >> 5),
      static_cast<uint8_t>(0x04 | (base << 3 & 0xF8) | (extension >> 7 & 0x03)),
      static_cast<uint8_t>(extension << 1 | 0x01),
      static_cast<uint8_t>(kMuxRate >> 14),
      static_cast<uint8_t>(kMuxRate >> 6),
      static_cast<uint8_t>(kMuxRate << 2 | 0x03),
      0xF8,  // no stuffing
  };
  std::memcpy(p, header, sizeof header);
}

void PutPts(uint8_t* p, uint32_t pts) {
  p[0] = static_cast<uint8_t>(0x21 | (pts >> 29 & 0x06));  // '0010', bits 32..30 (32 is 0), marker
  p[1] = static_cast<uint8_t>(pts >> 22);
  p[2] = static_cast<uint8_t>((pts >> 14 & 0xFE) | 0x01);
  p[3] = static_cast<uint8_t>(pts >> 7);
  p[4] = static_cast<uint8_t>(pts << 1 | 0x01);
}

std::string HexColour(uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

std::string TimestampLine(const VobSubUnit& unit) {
  const uint64_t ms = (uint64_t{unit.time} + 45) / 90;
  char text[80];
  std::snprintf(text, sizeof text, "timestamp: %02u:%02u:%02u:%03u, filepos: %09" PRIx64 "\n",
                static_cast<unsigned>(ms / 3600000), static_cast<unsigned>(ms / 60000 % 60),
                static_cast<unsigned>(ms / 1000 % 60), static_cast<unsigned>(ms % 1000),
                static_cast<uint64_t>(unit.filePosition));
  return text;
}

}  // namespace

std::string VobSubIndexText(const VobSubInfo& info, const std::vector<VobSubUnit>& units) {
  std::string palette;
  for (uint32_t rgb : info.paletteRgb) palette += (palette.empty() ? "" : ", ") + HexColour(rgb);
  std::string text =
      "# VobSub index file, v7 (do not modify this line!)\n"
      "size: " +
      std::to_string(info.width) + "x" + std::to_string(info.height) +
      "\n"
      "org: 0, 0\n"
      "scale: 100%, 100%\n"
      "alpha: 100%\n"
      "smooth: OFF\n"
      "fadein/out: 0, 0\n"
      "align: OFF at LEFT TOP\n"
      "time offset: 0\n"
      "forced subs: OFF\n"
      "palette: " +
      palette +
      "\n"
      "custom colors: OFF, tridx: 0000, colors: 000000, 000000, 000000, 000000\n"
      "langidx: 0\n"
      "\n"
      "id: " +
      (info.language.empty() ? std::string("--") : info.language) + ", index: 0\n";
  for (const VobSubUnit& unit : units) text += TimestampLine(unit);
  return text;
}

void VobSubSink::beginPacket(std::optional<uint32_t> pts, int32_t payloadBytes) {
  flushPack();  // a packet cut short ends where the next begins
  packOpen_ = true;
  packetLeft_ = payloadBytes;
  packPts_.reset();
  if (pts) {
    packPts_ = *pts - SupTimeBase(minFirstPts_);
    units_.push_back({*packPts_, subBytes_});
  }
}

void VobSubSink::write(const uint8_t* data, int64_t count) {
  while (count > 0) {
    packOpen_ = true;  // a packet that goes on past a full pack, or past its announced length
    const int64_t n = std::min<int64_t>(count, capacity() - gathered_);
    std::memcpy(payload_.data() + gathered_, data, static_cast<size_t>(n));
    gathered_ += static_cast<int>(n);
    data += n;
    count -= n;
    packetLeft_ -= n;
    if (packetLeft_ <= 0 || gathered_ == capacity()) flushPack();
  }
}

void VobSubSink::finish() {
  flushPack();
  const std::string text = VobSubIndexText(info_, units_);
  idx_.writeAll(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
}

// The payload one pack takes: what the headers leave.
int VobSubSink::capacity() const {
  return kPackBytes - kPackHeaderBytes - kPesHeaderBytes - (packPts_ ? kPtsBytes : 0) - 1;
}

void VobSubSink::flushPack() {
  if (!packOpen_) return;
  writePack();
  packOpen_ = false;
  packPts_.reset();
  gathered_ = 0;
}

// The pack's clock: neither reader looks at it (the times are the .idx's),
// so it only has to make the .sub a well-formed program stream: the PTS of
// the unit a pack starts, never going back, one pack's time on for each
// pack that goes on with a unit.
void VobSubSink::writePack() {
  uint64_t scr = scr_ ? *scr_ + kScrStep : 0;
  if (packPts_) scr = std::max(scr, uint64_t{*packPts_} * 300);
  scr_ = scr;

  uint8_t* p = pack_.data();
  PutPackHeader(p, scr);
  const int ptsBytes = packPts_ ? kPtsBytes : 0;
  const int used = kPackHeaderBytes + kPesHeaderBytes + ptsBytes + 1 + gathered_;
  const int gap = kPackBytes - used;
  const int stuffing = gap < kPaddingHeaderBytes ? gap : 0;
  const int headerData = ptsBytes + stuffing;
  const int pesLength = 3 + headerData + 1 + gathered_;
  uint8_t* q = p + kPackHeaderBytes;
  const uint8_t pes[kPesHeaderBytes] = {0x00,
                                        0x00,
                                        0x01,
                                        kPrivateStream1,
                                        static_cast<uint8_t>(pesLength >> 8),
                                        static_cast<uint8_t>(pesLength),
                                        0x81,  // '10', original
                                        static_cast<uint8_t>(packPts_ ? 0x80 : 0x00),
                                        static_cast<uint8_t>(headerData)};
  std::memcpy(q, pes, sizeof pes);
  q += kPesHeaderBytes;
  if (packPts_) PutPts(q, *packPts_);
  q += ptsBytes;
  std::memset(q, 0xFF, static_cast<size_t>(stuffing));
  q += stuffing;
  *q++ = kSubstreamId;
  std::memcpy(q, payload_.data(), static_cast<size_t>(gathered_));
  q += gathered_;
  if (gap >= kPaddingHeaderBytes) {
    const int padding = gap - kPaddingHeaderBytes;
    const uint8_t header[kPaddingHeaderBytes] = {
        0x00, 0x00, 0x01, kPaddingStream, static_cast<uint8_t>(padding >> 8), static_cast<uint8_t>(padding)};
    std::memcpy(q, header, sizeof header);
    std::memset(q + kPaddingHeaderBytes, 0xFF, static_cast<size_t>(padding));
  }
  sub_.writeAll(p, kPackBytes);
  subBytes_ += kPackBytes;
}

}  // namespace klarvex
