#include "ps_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace klarvex::testing {

namespace {

constexpr uint8_t kPaddingStream = 0xBE;
constexpr uint8_t kPrivateStream1 = 0xBD;
constexpr uint8_t kPrivateStream2 = 0xBF;
constexpr uint8_t kVc1Stream = 0xFD;

// Start code + stream id + PES_packet_length.
constexpr size_t kPacketPrefixSize = 6;
// A padding packet needs its own prefix, so smaller gaps become stuffing.
constexpr size_t kMinPaddingPacket = kPacketPrefixSize;
constexpr size_t kTimestampSize = 5;
constexpr size_t kMaxAudioSync = 8;
constexpr size_t kMaxSubSync = 32;
constexpr size_t kAdvPackMaxData = kPackSize - kPackHeaderSize - kPacketPrefixSize - 1;

// PES flag byte 2 and the PES extension flag byte.
constexpr uint8_t kPtsOnly = 0x80;
constexpr uint8_t kPtsAndDts = 0xC0;
constexpr uint8_t kPesExtensionFlag = 0x01;
constexpr uint8_t kPstdBufferFlag = 0x10;
constexpr uint8_t kExtensionReservedBits = 0x0E;
constexpr uint8_t kExtensionFlag2 = 0x01;

// Navigation pack places (pack offsets) and DSI field offsets (from base).
constexpr size_t kHdDvdGciSize = 0x100;
constexpr size_t kHdDvdDsiPacket = 0x507;
constexpr size_t kDvdDsiPacket = 0x400;
constexpr size_t kDsiVobNumber = 24;
constexpr size_t kDsiStartPtm = 44;
constexpr size_t kDsiEndPtm = 48;
constexpr size_t kGciEncryption = 12;
constexpr size_t kGciValidity = 24;
constexpr size_t kGciValues = 26;

struct SyncTablePlaces {
  size_t audio;
  size_t subpicture;
};

SyncTablePlaces syncTablePlaces(Flavor flavor) {
  if (flavor == Flavor::HdDvd) return {530, 546};
  return {402, 418};
}

// program_mux_rate in units of 50 bytes/s: 30.24 Mbit/s for HD DVD, 10.08 for DVD.
uint32_t muxRate(Flavor flavor) { return flavor == Flavor::HdDvd ? 75600 : 25200; }

bool isVideoStream(uint8_t streamId) { return (streamId >= 0xE0 && streamId <= 0xEF) || streamId == kVc1Stream; }

bool isSubpictureId(uint8_t id) { return (id >= 0x20 && id <= 0x3F) || (id >= 0x60 && id <= 0x7F); }

void append16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void put16(Bytes& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value >> 8);
  out[at + 1] = static_cast<uint8_t>(value);
}

void put32(Bytes& out, size_t at, uint32_t value) {
  put16(out, at, static_cast<uint16_t>(value >> 16));
  put16(out, at + 2, static_cast<uint16_t>(value));
}

void appendStartCode(Bytes& out, uint8_t streamId) { out.insert(out.end(), {0x00, 0x00, 0x01, streamId}); }

void appendPacketLength(Bytes& out, size_t length) {
  if (length > 0xFFFF) throw std::length_error("PES packet longer than 65535 bytes");
  append16(out, static_cast<uint16_t>(length));
}

void appendPaddingPacket(Bytes& out, size_t totalSize) {
  appendStartCode(out, kPaddingStream);
  appendPacketLength(out, totalSize - kPacketPrefixSize);
  out.insert(out.end(), totalSize - kPacketPrefixSize, 0xFF);
}

// A private stream 2 packet of `totalSize` bytes with zeroed data; returns
// the offset of the first byte after the substream id.
size_t appendPrivateStream2(Bytes& out, uint8_t substreamId, size_t totalSize) {
  appendStartCode(out, kPrivateStream2);
  appendPacketLength(out, totalSize - kPacketPrefixSize);
  out.push_back(substreamId);
  size_t base = out.size();
  out.insert(out.end(), totalSize - kPacketPrefixSize - 1, 0x00);
  return base;
}

// '01' + scale + 13-bit size: 232 KiB for video, 4 KiB for audio.
void appendPstdBuffer(Bytes& out, uint8_t streamId) {
  if (isVideoStream(streamId)) {
    append16(out, 0x4000 | 0x2000 | 232);
  } else {
    append16(out, 0x4000 | 32);
  }
}

void appendStreamEntry(Bytes& out, uint8_t streamId, bool scale1024, uint16_t size) {
  out.push_back(streamId);
  append16(out, static_cast<uint16_t>(0xC000 | (scale1024 ? 0x2000 : 0) | (size & 0x1FFF)));
}

void validateTimes(const PesTimes& times) {
  if (times.dts && !times.pts) throw std::invalid_argument("DTS without PTS");
}

}  // namespace

struct ProgramStreamWriter::PesHeaderPlan {
  PesTimes times;
  bool pstdBuffer = false;
  size_t stuffing = 0;
  std::optional<uint8_t> streamIdExtension;

  bool hasExtension() const { return pstdBuffer || streamIdExtension.has_value(); }

  size_t extensionSize() const {
    if (!hasExtension()) return 0;
    return 1 + (pstdBuffer ? 2 : 0) + (streamIdExtension ? 2 : 0);
  }

  size_t dataLength() const {
    size_t length = (times.pts ? kTimestampSize : 0) + (times.dts ? kTimestampSize : 0);
    return length + extensionSize() + stuffing;
  }

  // Flag bytes, header_data_length and the optional fields.
  size_t fieldsSize() const { return 3 + dataLength(); }

  static PesHeaderPlan from(const PesTimes& times, const PesHeaderOptions& opts) {
    validateTimes(times);
    if (opts.stuffing < 0) throw std::invalid_argument("negative PES stuffing");
    return {times, opts.pstdBuffer, static_cast<size_t>(opts.stuffing), opts.streamIdExtension};
  }
};

struct ProgramStreamWriter::ElementaryStream {
  uint8_t streamId;
  std::optional<uint8_t> streamIdExtension;
  Bytes prefix;  // substream header repeated in front of every piece
};

namespace {

void appendPesExtension(Bytes& out, uint8_t streamId, bool pstdBuffer,
                        const std::optional<uint8_t>& streamIdExtension) {
  uint8_t flags = kExtensionReservedBits;
  if (pstdBuffer) flags |= kPstdBufferFlag;
  if (streamIdExtension) flags |= kExtensionFlag2;
  out.push_back(flags);
  if (pstdBuffer) appendPstdBuffer(out, streamId);
  if (streamIdExtension) {
    out.push_back(0x80 | 1);                   // marker + PES_extension_field_length
    out.push_back(*streamIdExtension & 0x7F);  // stream_id_extension_flag 0
  }
}

}  // namespace

ProgramStreamWriter::ProgramStreamWriter(Flavor flavor) : flavor_(flavor) {}

uint64_t ProgramStreamWriter::scrStep(Flavor flavor) {
  return kPackSize * 27'000'000ull / (uint64_t{muxRate(flavor)} * 50);
}

Bytes ProgramStreamWriter::packHeader(Flavor flavor, uint64_t scr) {
  const uint64_t base = (scr / 300) & 0x1FFFFFFFFull;
  const uint64_t ext = scr % 300;
  Bytes out{0x00, 0x00, 0x01, 0xBA};
  out.push_back(static_cast<uint8_t>(0x40 | ((base >> 30) & 0x07) << 3 | 0x04 | ((base >> 28) & 0x03)));
  out.push_back(static_cast<uint8_t>(base >> 20));
  out.push_back(static_cast<uint8_t>(((base >> 15) & 0x1F) << 3 | 0x04 | ((base >> 13) & 0x03)));
  out.push_back(static_cast<uint8_t>(base >> 5));
  out.push_back(static_cast<uint8_t>((base & 0x1F) << 3 | 0x04 | ((ext >> 7) & 0x03)));
  out.push_back(static_cast<uint8_t>((ext & 0x7F) << 1 | 0x01));
  // 22-bit mux rate, two marker bits, reserved '11111', stuffing length 0.
  const uint32_t rateField = muxRate(flavor) << 2 | 0x03;
  out.push_back(static_cast<uint8_t>(rateField >> 16));
  out.push_back(static_cast<uint8_t>(rateField >> 8));
  out.push_back(static_cast<uint8_t>(rateField));
  out.push_back(0xF8);
  return out;
}

void ProgramStreamWriter::appendTimestamp(Bytes& out, uint8_t prefix, uint64_t ts) {
  out.push_back(static_cast<uint8_t>((prefix & 0x0F) << 4 | ((ts >> 30) & 0x07) << 1 | 0x01));
  out.push_back(static_cast<uint8_t>(ts >> 22));
  out.push_back(static_cast<uint8_t>(((ts >> 15) & 0x7F) << 1 | 0x01));
  out.push_back(static_cast<uint8_t>(ts >> 7));
  out.push_back(static_cast<uint8_t>((ts & 0x7F) << 1 | 0x01));
}

Bytes ProgramStreamWriter::systemHeader(Flavor flavor, const NavPackInfo& info) {
  Bytes out{0x00, 0x00, 0x01, 0xBB};
  append16(out, 18);  // six fixed bytes + four stream entries: ends at pack offset 0x26
  const uint32_t rateBound = 0x800000 | muxRate(flavor) << 1 | 0x01;
  out.push_back(static_cast<uint8_t>(rateBound >> 16));
  out.push_back(static_cast<uint8_t>(rateBound >> 8));
  out.push_back(static_cast<uint8_t>(rateBound));
  out.push_back(static_cast<uint8_t>((info.audioBound & 0x3F) << 2));           // fixed 0, CSPS 0
  out.push_back(static_cast<uint8_t>(0xC0 | 0x20 | (info.videoBound & 0x1F)));  // both locks set
  out.push_back(0x7F);                                                          // no packet rate restriction
  appendStreamEntry(out, 0xB9, true, 232);                                      // all video streams
  appendStreamEntry(out, 0xB8, false, 32);                                      // all MPEG audio streams
  appendStreamEntry(out, kPrivateStream1, true, 58);
  appendStreamEntry(out, kPrivateStream2, true, 2);
  return out;
}

Bytes ProgramStreamWriter::substreamHeader(uint8_t substreamId, const std::array<uint8_t, 3>* lpcmHeader) {
  if (isSubpictureId(substreamId)) return {substreamId};
  // id, number_of_frame_headers, first_access_unit_pointer
  Bytes out{substreamId, 0x00, 0x00, 0x00};
  if (substreamId >= 0xA0 && substreamId <= 0xA7) {
    static constexpr std::array<uint8_t, 3> kStereo48k16{0x00, 0x01, 0x80};
    const auto& header = lpcmHeader ? *lpcmHeader : kStereo48k16;
    out.insert(out.end(), header.begin(), header.end());
  } else if (substreamId >= 0xB0 && substreamId <= 0xB7) {
    out.push_back(0x00);
  }
  return out;
}

size_t ProgramStreamWriter::beginPack() {
  const size_t start = out_.size();
  const Bytes header = packHeader(flavor_, scr_);
  out_.insert(out_.end(), header.begin(), header.end());
  scr_ += scrStep(flavor_);
  if (pendingSystemHeader_) {
    out_.insert(out_.end(), pendingSystemHeader_->begin(), pendingSystemHeader_->end());
    pendingSystemHeader_.reset();
  }
  return start;
}

size_t ProgramStreamWriter::roomLeft(size_t packStart) const {
  const size_t used = out_.size() - packStart;
  return used >= kPackSize ? 0 : kPackSize - used;
}

void ProgramStreamWriter::fillPack(size_t packStart) {
  const size_t room = roomLeft(packStart);
  if (room >= kMinPaddingPacket) appendPaddingPacket(out_, room);
}

void ProgramStreamWriter::appendPesPacket(size_t packStart, uint8_t streamId, PesHeaderPlan plan, const Bytes& prefix,
                                          const uint8_t* data, size_t size, bool padToPack) {
  const size_t body = prefix.size() + size;
  const size_t packetSize = kPacketPrefixSize + plan.fieldsSize() + body;
  const size_t room = roomLeft(packStart);
  if (padToPack && packetSize < room && room - packetSize < kMinPaddingPacket) {
    plan.stuffing += room - packetSize;
  }
  if (plan.dataLength() > 0xFF) throw std::length_error("PES header data longer than 255 bytes");

  appendStartCode(out_, streamId);
  appendPacketLength(out_, plan.fieldsSize() + body);
  out_.push_back(0x81);  // '10', not scrambled, original
  uint8_t flags = 0;
  if (plan.times.pts) flags = plan.times.dts ? kPtsAndDts : kPtsOnly;
  if (plan.hasExtension()) flags |= kPesExtensionFlag;
  out_.push_back(flags);
  out_.push_back(static_cast<uint8_t>(plan.dataLength()));
  if (plan.times.pts) appendTimestamp(out_, plan.times.dts ? 0x3 : 0x2, *plan.times.pts);
  if (plan.times.dts) appendTimestamp(out_, 0x1, *plan.times.dts);
  if (plan.hasExtension()) appendPesExtension(out_, streamId, plan.pstdBuffer, plan.streamIdExtension);
  out_.insert(out_.end(), plan.stuffing, 0xFF);
  out_.insert(out_.end(), prefix.begin(), prefix.end());
  out_.insert(out_.end(), data, data + size);
  if (padToPack) fillPack(packStart);
}

void ProgramStreamWriter::appendHeaderlessPacket(size_t packStart, uint8_t streamId, const Bytes& payload,
                                                 bool padToPack) {
  Bytes body = payload;
  const size_t packetSize = kPacketPrefixSize + body.size();
  const size_t room = roomLeft(packStart);
  if (padToPack && packetSize < room && room - packetSize < kMinPaddingPacket) {
    body.resize(body.size() + room - packetSize, streamId == kPaddingStream ? 0xFF : 0x00);
  }
  appendStartCode(out_, streamId);
  appendPacketLength(out_, body.size());
  out_.insert(out_.end(), body.begin(), body.end());
  if (padToPack) fillPack(packStart);
}

void ProgramStreamWriter::splitIntoPacks(const ElementaryStream& stream, const Bytes& es, const PesTimes& times,
                                         const PesHeaderOptions& opts) {
  const PesHeaderPlan firstPlan = PesHeaderPlan::from(times, opts);
  size_t pos = 0;
  bool first = true;
  do {
    PesHeaderPlan plan = first ? firstPlan : PesHeaderPlan{};
    plan.streamIdExtension = stream.streamIdExtension;
    const size_t start = beginPack();
    const size_t fixed = kPacketPrefixSize + plan.fieldsSize() + stream.prefix.size();
    const size_t room = roomLeft(start);
    if (fixed > room || (fixed == room && pos < es.size())) {
      throw std::length_error("PES header leaves no room for data in the pack");
    }
    const size_t take = std::min(es.size() - pos, room - fixed);
    appendPesPacket(start, stream.streamId, plan, stream.prefix, es.data() + pos, take, true);
    pos += take;
    first = false;
  } while (pos < es.size());
}

void ProgramStreamWriter::navPack(const NavPackInfo& info) {
  if (info.audioSync.size() > kMaxAudioSync || info.subSync.size() > kMaxSubSync) {
    throw std::invalid_argument("too many synchronisation entries");
  }
  pendingSystemHeader_.reset();  // the navigation pack carries its own
  const size_t start = beginPack();
  const Bytes header = systemHeader(flavor_, info);
  out_.insert(out_.end(), header.begin(), header.end());

  const size_t dsiPacket = flavor_ == Flavor::HdDvd ? kHdDvdDsiPacket : kDvdDsiPacket;
  if (flavor_ == Flavor::HdDvd) {
    const size_t gci = appendPrivateStream2(out_, 0x04, kHdDvdGciSize);
    out_[gci + kGciEncryption] = info.gciEncryption;
    out_[gci + kGciValidity] = info.gciValidity;
    out_[gci + kGciValues] = info.gciValues;
  }
  appendPrivateStream2(out_, 0x00, start + dsiPacket - out_.size());  // PCI, left zero
  const size_t dsi = appendPrivateStream2(out_, 0x01, kPackSize - dsiPacket);

  put16(out_, dsi + kDsiVobNumber, info.vobNumber);
  put32(out_, dsi + kDsiStartPtm, info.vobStartPtm);
  put32(out_, dsi + kDsiEndPtm, info.vobEndPtm);
  const SyncTablePlaces sync = syncTablePlaces(flavor_);
  for (size_t i = 0; i < info.audioSync.size(); ++i) put16(out_, dsi + sync.audio + 2 * i, info.audioSync[i]);
  for (size_t i = 0; i < info.subSync.size(); ++i) put32(out_, dsi + sync.subpicture + 4 * i, info.subSync[i]);
}

void ProgramStreamWriter::systemHeaderPack(const NavPackInfo& info) {
  pendingSystemHeader_.reset();
  const size_t start = beginPack();
  const Bytes header = systemHeader(flavor_, info);
  out_.insert(out_.end(), header.begin(), header.end());
  fillPack(start);
}

void ProgramStreamWriter::systemHeaderInNextPack(const NavPackInfo& info) {
  pendingSystemHeader_ = systemHeader(flavor_, info);
}

void ProgramStreamWriter::video(uint8_t streamId, const Bytes& es, const PesTimes& times,
                                const PesHeaderOptions& opts) {
  splitIntoPacks({streamId, opts.streamIdExtension, {}}, es, times, opts);
}

void ProgramStreamWriter::vc1(uint8_t extension, const Bytes& es, const PesTimes& times, const PesHeaderOptions& opts) {
  splitIntoPacks({kVc1Stream, extension, {}}, es, times, opts);
}

void ProgramStreamWriter::audio(uint8_t substreamId, const Bytes& es, const PesTimes& times,
                                const std::array<uint8_t, 3>* lpcmHeader) {
  splitIntoPacks({kPrivateStream1, std::nullopt, substreamHeader(substreamId, lpcmHeader)}, es, times, {});
}

void ProgramStreamWriter::mpegAudio(uint8_t streamId, const Bytes& es, const PesTimes& times) {
  splitIntoPacks({streamId, std::nullopt, {}}, es, times, {});
}

void ProgramStreamWriter::subpicture(uint8_t substreamId, const Bytes& unit, const PesTimes& times) {
  splitIntoPacks({kPrivateStream1, std::nullopt, {substreamId}}, unit, times, {});
}

void ProgramStreamWriter::advPack(const Bytes& data) {
  if (data.size() > kAdvPackMaxData) throw std::length_error("ADV_PCK data does not fit a pack");
  const size_t start = beginPack();
  const size_t base = appendPrivateStream2(out_, 0x80, roomLeft(start));
  std::copy(data.begin(), data.end(), out_.begin() + static_cast<std::ptrdiff_t>(base));
}

void ProgramStreamWriter::paddingPack() { fillPack(beginPack()); }

void ProgramStreamWriter::pesPacket(uint8_t streamId, const Bytes& payload, const PesTimes& times,
                                    const PesHeaderOptions& opts, bool padToPack) {
  const PesHeaderPlan plan = PesHeaderPlan::from(times, opts);
  const size_t start = beginPack();
  if (streamId == kPaddingStream || streamId == kPrivateStream2) {
    appendHeaderlessPacket(start, streamId, payload, padToPack);
  } else {
    appendPesPacket(start, streamId, plan, {}, payload.data(), payload.size(), padToPack);
  }
}

void ProgramStreamWriter::raw(const Bytes& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }

void ProgramStreamWriter::writeTo(const std::string& path) const {
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const auto fail = [&path](int error) {
    throw std::runtime_error("cannot write '" + path + "': " + std::strerror(error));
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) fail(errno);
  if (!out_.empty() && std::fwrite(out_.data(), 1, out_.size(), file.get()) != out_.size()) {
    fail(errno);
  }
  // fclose flushes, so its failure is a write failure too.
  if (std::fclose(file.release()) != 0) fail(errno);
}

}  // namespace klarvex::testing
