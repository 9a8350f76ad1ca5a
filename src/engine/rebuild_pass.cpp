#include "engine/rebuild_pass.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/bytes.h"
#include "engine/navigation_patch.h"

namespace klarvex {

namespace {

constexpr int64_t kPackSize = 2048;
constexpr int64_t kBlockSize = ReadBuffer::kSize;
static_assert(kBlockSize % kPackSize == 0, "a block holds whole packs");
constexpr uint8_t kNoNewId = 0xFF;

// Pack offsets of the bytes the pass reads or patches.
namespace at {
constexpr int64_t kMuxRate = 10;            // 4 bytes: 04 9D 43 F8 in an HD DVD pack header
constexpr int64_t kStreamId = 17;           // stream id of the pack's first packet
constexpr int64_t kPrivate2Substream = 20;  // first payload byte of private stream 2
constexpr int64_t kPesFlags = 21;           // PTS_DTS flags (bits 7, 6)
constexpr int64_t kPesHeaderLength = 22;
constexpr int64_t kPesFields = 23;  // first optional field: the PTS
constexpr int64_t kDts = 28;
}  // namespace at

constexpr std::array<uint8_t, 4> kPackStart{0x00, 0x00, 0x01, 0xBA};
constexpr std::array<uint8_t, 4> kHdDvdMuxRate{0x04, 0x9D, 0x43, 0xF8};

constexpr uint8_t kAdvancedPack = 0x80;  // private stream 2 kind of an ADV_PCK

template <size_t N>
bool Matches(const uint8_t* pack, int64_t n, int64_t offset, const std::array<uint8_t, N>& bytes) {
  return offset + static_cast<int64_t>(N) <= n && std::memcmp(pack + offset, bytes.data(), N) == 0;
}

// Adds `shift` to the low 32 bits of a 5-byte PTS/DTS field; bit 32, the
// prefix and the marker bits stay as they were.
void ShiftTimestamp(uint8_t* f, uint32_t shift) {
  const uint32_t v = ReadTimestamp(f) + shift;
  f[0] = static_cast<uint8_t>((f[0] & 0xF9) | ((v >> 29) & 6));
  f[1] = static_cast<uint8_t>(v >> 22);
  f[2] = static_cast<uint8_t>((v >> 14) | 1);
  f[3] = static_cast<uint8_t>(v >> 7);
  f[4] = static_cast<uint8_t>((v << 1) | 1);
}

// The byte after a PES header: the substream id of private stream 1.
std::optional<int64_t> SubstreamAt(const uint8_t* pack, int64_t n) {
  if (n <= at::kPesHeaderLength) return std::nullopt;
  return at::kPesFields + pack[at::kPesHeaderLength];
}

// The stream_id_extension behind the PES extension flags byte (and a P-STD
// buffer field, when there is one).
std::optional<int64_t> ExtensionAt(const uint8_t* pack, int64_t n) {
  if (n <= at::kPesFlags) return std::nullopt;
  uint8_t f = pack[at::kPesFlags];
  int64_t d = at::kPesFields + ((f & 0x80) ? 5 : 0) + ((f & 0x40) ? 5 : 0);
  if (d >= n) return std::nullopt;
  return d + ((pack[d] & 0x10) ? 4 : 2);
}

}  // namespace

// What a pack is: its first packet's stream id, and the substream id or
// stream_id_extension with the place of the byte that numbers the stream.
struct PackId {
  uint8_t streamId = 0;  // of the first packet; 0: not an HD DVD pack
  bool hasSubId = false;
  uint8_t subId = 0;  // substream id, stream_id_extension, private stream 2 kind
  int64_t idAt = -1;  // the byte to renumber; -1: none
};

namespace {

// The stream a pack carries, and the id its box holds, as the walker
// names them; nullptr for MPEG audio, navigation, padding and ids of no
// known kind.
const StreamIdentity* IdentityOfPack(const PackId& id, uint8_t& boxId) {
  switch (PesKindOf(id.streamId)) {
    case PesKind::Video:
      boxId = id.streamId;
      return PesVideoIdentity(id.streamId);
    case PesKind::Extended:
      boxId = id.subId;
      return id.hasSubId ? ExtensionIdentity(id.subId) : nullptr;
    case PesKind::Private1:
      boxId = id.subId;
      return id.hasSubId ? SubstreamIdentity(id.subId) : nullptr;
    default:
      return nullptr;
  }
}

PackId Classify(const uint8_t* pack, int64_t n) {
  PackId id;
  // Only HD DVD's pack header (its mux rate, no stuffing) puts the first
  // packet at byte 14; any other pack is copied as it is.
  if (n <= at::kStreamId || !Matches(pack, n, 0, kPackStart) || !Matches(pack, n, at::kMuxRate, kHdDvdMuxRate))
    return id;
  id.streamId = pack[at::kStreamId];
  std::optional<int64_t> pAt;
  const PesKind kind = PesKindOf(id.streamId);
  if (kind == PesKind::Private1)
    pAt = SubstreamAt(pack, n);
  else if (kind == PesKind::Extended)
    pAt = ExtensionAt(pack, n);
  else if (kind == PesKind::Navigation)
    pAt = at::kPrivate2Substream;
  else if (kind == PesKind::Video)
    id.idAt = at::kStreamId;
  if (pAt && *pAt < n) {
    id.hasSubId = true;
    id.subId = pack[*pAt];
    if (kind != PesKind::Navigation) id.idAt = *pAt;
  }
  return id;
}

}  // namespace

RebuildPass::RebuildPass(Engine& engine, RebuildHost& host, OutputFile& output)
    : engine_(engine), host_(host), output_(output) {
  renumberMap_.fill(kNoNewId);
}

// A stream is dropped when its box is not ticked.
bool RebuildPass::dropped(Section section, uint8_t id) const {
  for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
    if (engine_.streams.slot(section, n).streamId == id) return !host_.streamTicked(section, n);
  }
  return false;
}

void RebuildPass::assign(int32_t id, uint8_t newId, uint8_t& counter) {
  if (id < 0 || id > 0xFF || renumberMap_[static_cast<size_t>(id)] != kNoNewId) return;
  renumberMap_[static_cast<size_t>(id)] = newId;
  ++counter;
}

// The kept streams numbered densely in box order.
void RebuildPass::fixNumbering() {
  const StreamTable& streams = engine_.streams;
  auto numberSection = [&](Section section, uint8_t& counter) {
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      const int32_t id = streams.slot(section, n).streamId;
      const StreamIdentity* identity = IdentityOfStreamId(id);
      if (identity && host_.streamTicked(section, n)) assign(id, identity->idOfNumber(counter), counter);
    }
  };
  numberSection(Section::Video, videoCount_);
  numberSection(Section::Audio, audioCount_);
  numberSection(Section::Subpicture, subCount_);
  numberingFixed_ = true;
}

void RebuildPass::pass(const std::string& name) {
  RunState& run = engine_.run;
  host_.setCancelEnabled(true);
  run.StopRequested = false;
  name_ = name;
  shift_ = 0;
  progress_.start();
  ReadBlocks(
      engine_.input, block_, [&run] { return run.StopRequested; }, [this](const Block& block) { processBlock(block); });
  ++filesDone_;
  host_.setCancelEnabled(false);
}

void RebuildPass::processBlock(const Block& block) {
  RunState& run = engine_.run;
  for (int64_t offset = 0; offset < block.loaded; offset += kPackSize) {
    int64_t n = std::min(kPackSize, block.loaded - offset);
    int64_t position = block.start + offset + n;
    uint8_t* pack = block_.data() + offset;
    if (position == kPackSize) noteFileStart(pack);
    if (std::optional<std::string> progress = progress_.textAt(position, block.size)) {
      host_.messages().slog("Rebuilding " + name_ + " " + *progress, 1);
      host_.processEvents();
    }
    if (position % kBlockSize == 0) host_.pollStop();
    processPack(pack, n);
    if (run.StopRequested) return;
  }
}

// The file's first pack gives its start and duration; a file that does not
// already continue the ones before it is moved to where they end.
void RebuildPass::noteFileStart(const uint8_t* pack) {
  VobTimes times = VobTimesOf(pack);
  uint32_t duration = times.end - times.start;
  if (filesDone_ == 0) firstFileStart_ = times.start;
  shift_ = times.start == firstFileStart_ + durationsBefore_ ? 0 : durationsBefore_;
  durationsBefore_ += duration;
}

bool RebuildPass::keepPack(const PackId& id) const {
  // MPEG audio (stream ids C0 to DF) has no box of its own: an unticked
  // Dolby Digital Plus substream C0 says nothing about an MPEG audio C0.
  uint8_t boxId = 0;
  const StreamIdentity* identity = IdentityOfPack(id, boxId);
  if (identity && dropped(identity->section, boxId)) return false;
  if (id.hasSubId && PesKindOf(id.streamId) == PesKind::Navigation && id.subId == kAdvancedPack)
    return host_.rebuildAdvancedPacks();
  return true;
}

// Only ids that were given a new value change. MPEG audio has no stream
// box of its own, and a private stream 1 substream of no known kind none
// either: the map's value at such an id belongs to another kind.
void RebuildPass::renumber(uint8_t* pack, const PackId& id) const {
  if (id.idAt < 0) return;
  if (PesKindOf(id.streamId) == PesKind::Private1 && !SubstreamIdentity(id.subId)) return;
  uint8_t newId = renumberMap_[pack[id.idAt]];
  if (newId != kNoNewId) pack[id.idAt] = newId;
}

void RebuildPass::rewriteNavigation(uint8_t* pack, int64_t n) {
  if (!numberingFixed_) fixNumbering();
  const RunState& run = engine_.run;
  const StreamCounts kept{videoCount_, audioCount_, subCount_};
  const VobTimes title{run.firstPtm, host_.adjustPts() ? run.firstPtm + run.titleDuration : run.lastPtm};
  PatchNavigationPack(pack, n, kept, title);
}

void RebuildPass::shiftTimes(uint8_t* pack, int64_t n, uint8_t c) const {
  const PesKind kind = PesKindOf(c);
  if (!(kind == PesKind::Video || kind == PesKind::Extended || kind == PesKind::Private1) || n < at::kDts + 5) return;
  uint8_t f = pack[at::kPesFlags];
  if (f & 0x80) ShiftTimestamp(pack + at::kPesFields, shift_);
  if (f & 0x40) ShiftTimestamp(pack + at::kDts, shift_);
}

void RebuildPass::processPack(uint8_t* pack, int64_t n) {
  if (!Matches(pack, n, 0, kPackStart)) return;  // not a pack: left out
  PackId id = Classify(pack, n);
  if (id.streamId == kSystemHeaderId) {
    rewriteNavigation(pack, n);
  } else {
    if (!keepPack(id)) return;
    renumber(pack, id);
    if (shift_ != 0 && host_.adjustPts()) shiftTimes(pack, n, id.streamId);
  }
  output_.writeAll(pack, n);
}

}  // namespace klarvex
