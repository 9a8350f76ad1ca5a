#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "base/errors.h"
#include "base/markup.h"
#include "base/output_file.h"
#include "base/text_format.h"
#include "engine/block_reader.h"
#include "engine/navigation_pack.h"
#include "jobs/job_guard.h"
#include "jobs/jobs.h"
#include "jobs/source_sequence.h"

namespace klarvex {

namespace {

constexpr int64_t kPackSize = 2048;
constexpr int64_t kMiB = 1048576;
constexpr int64_t kBlockSize = ReadBuffer::kSize;
static_assert(kBlockSize % kPackSize == 0, "a block holds whole packs");
constexpr size_t kOutputBuffer = static_cast<size_t>(kMiB);
constexpr uint8_t kNoNewId = 0xFF;

// Pack offsets of the bytes the rebuild reads or patches.
namespace at {
constexpr int64_t kMuxRate = 10;          // 4 bytes: 04 9D 43 F8 in an HD DVD pack header
constexpr int64_t kStreamId = 17;         // stream id of the pack's first packet
constexpr int64_t kPrivate2Substream = 20;  // first payload byte of private stream 2
constexpr int64_t kPesFlags = 21;         // PTS_DTS flags (bits 7, 6)
constexpr int64_t kPesHeaderLength = 22;
constexpr int64_t kPesFields = 23;        // first optional field: the PTS
constexpr int64_t kDts = 28;
constexpr int64_t kAudioBound = 23;       // system header: audio_bound in bits 7-2
constexpr int64_t kVideoBound = 24;       // system header: video_bound in bits 4-0
constexpr int64_t kDsiSignature = 0x509;  // 01 BF 02 F3 01: the DSI packet in its place
constexpr int64_t kDsiBase = 0x50E;
constexpr int64_t kVobStartPtm = 0x53A;
constexpr int64_t kVobEndPtm = 0x53E;
constexpr int64_t kAudioSync = 0x720;     // 8 entries of 2 bytes
constexpr int64_t kSubSync = 0x730;       // 32 entries of 4 bytes
static_assert(kVobStartPtm == kDsiBase + dsi::kVobStartPtm && kVobEndPtm == kDsiBase + dsi::kVobEndPtm);
static_assert(kAudioSync == kDsiBase + dsi::kAudioSyncHdDvd && kSubSync == kDsiBase + dsi::kSubSyncHdDvd);
}  // namespace at

constexpr std::array<uint8_t, 4> kPackStart{0x00, 0x00, 0x01, 0xBA};
constexpr std::array<uint8_t, 4> kHdDvdMuxRate{0x04, 0x9D, 0x43, 0xF8};
constexpr std::array<uint8_t, 5> kDsiSignature{0x01, 0xBF, 0x02, 0xF3, 0x01};
constexpr int kAudioSyncEntries = 8, kSubSyncEntries = 32;

constexpr uint8_t kNavigation = 0xBB, kPrivate1 = 0xBD, kPrivate2 = 0xBF, kExtended = 0xFD;
constexpr uint8_t kAdvancedPack = 0x80;

bool In(uint8_t v, uint8_t first, uint8_t last) { return v >= first && v <= last; }
bool IsVideoId(uint8_t c) { return In(c, 0xE0, 0xE3); }
bool IsAudioSubstream(uint8_t p) {
  return In(p, 0x80, 0x8F) || In(p, 0xA0, 0xAF) || In(p, 0xB0, 0xB7) || In(p, 0xC0, 0xCF);
}
bool IsSubpictureSubstream(uint8_t p) { return In(p, 0x20, 0x3F) || In(p, 0x60, 0x7F); }
bool IsVc1Extension(uint8_t p) { return In(p, 0x55, 0x56); }

template <size_t N>
bool Matches(const uint8_t* pack, int64_t n, int64_t offset, const std::array<uint8_t, N>& bytes) {
  return offset + static_cast<int64_t>(N) <= n && std::memcmp(pack + offset, bytes.data(), N) == 0;
}

uint32_t Be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Adds `shift` to the low 32 bits of a 5-byte PTS/DTS field; bit 32, the
// prefix and the marker bits stay as they were.
void ShiftTimestamp(uint8_t* f, uint32_t shift) {
  uint32_t v = (uint32_t{f[0]} & 6) << 29 | uint32_t{f[1]} << 22 | (uint32_t{f[2]} & 0xFE) << 14 |
               uint32_t{f[3]} << 7 | uint32_t{f[4]} >> 1;
  v += shift;
  f[0] = static_cast<uint8_t>((f[0] & 0xF9) | ((v >> 29) & 6));
  f[1] = static_cast<uint8_t>(v >> 22);
  f[2] = static_cast<uint8_t>((v >> 14) | 1);
  f[3] = static_cast<uint8_t>(v >> 7);
  f[4] = static_cast<uint8_t>((v << 1) | 1);
}

// What a pack is: its first packet's stream id, and the substream id or
// stream_id_extension with the place of the byte that numbers the stream.
struct PackId {
  uint8_t c = 0;       // stream id of the first packet; 0: not an HD DVD pack
  bool hasP = false;
  uint8_t p = 0;       // substream id, stream_id_extension, private stream 2 kind
  int64_t idAt = -1;   // the byte to renumber; -1: none
};

}  // namespace

// One pass over the open source per file; the numbering and the time line
// live as long as the job, so every file of a title comes out alike.
class Rebuild {
 public:
  Rebuild(AppState& state, Host& host, OutputFile& output, std::function<void(bool)> cancelEnabled)
      : state_(state), host_(host), output_(output), cancelEnabled_(std::move(cancelEnabled)) {
    renumberMap_.fill(kNoNewId);
  }

  void pass(const std::string& name);

 private:
  bool VideoDropped(uint8_t id) const { return dropped(Section::Video, StreamTable::kVideoStreams, id); }
  bool AudioDropped(uint8_t id) const { return dropped(Section::Audio, StreamTable::kAudioStreams, id); }
  bool SubpictureDropped(uint8_t id) const {
    return dropped(Section::Subpicture, StreamTable::kSubpictureStreams, id);
  }
  bool dropped(Section section, int count, uint8_t id) const;
  void RenumberVideo(int32_t id);
  void RenumberAudio(int32_t id);
  void RenumberSubpicture(int32_t id);
  void assign(int32_t id, uint8_t newId, uint8_t& counter);
  void fixNumbering();

  void processBlock(const Block& block);
  void processPack(uint8_t* pack, int64_t n);
  void noteFileStart(const uint8_t* pack);
  PackId classify(const uint8_t* pack, int64_t n) const;
  bool keepPack(const PackId& id) const;
  void renumber(uint8_t* pack, const PackId& id) const;
  void rewriteNavigation(uint8_t* pack, int64_t n);
  void patchDsi(uint8_t* pack);
  void shiftTimes(uint8_t* pack, int64_t n, uint8_t c) const;

  AppState& state_;
  Host& host_;
  OutputFile& output_;
  std::function<void(bool)> cancelEnabled_;
  ReadBuffer block_;  // its own: the packs are patched in place

  // Fixed at the job's first navigation pack.
  std::array<uint8_t, 256> renumberMap_{};
  uint8_t videoCount_ = 0, audioCount_ = 0, subCount_ = 0;
  bool numberingFixed_ = false;

  // The title's time line for "Adjust PTS of the EVOs to follow".
  int filesDone_ = 0;
  uint32_t firstFileStart_ = 0;
  uint32_t durationsBefore_ = 0;  // of the files already rebuilt in this job
  uint32_t shift_ = 0;            // for the file in hand

  std::string name_;
  ProgressClock progress_;
};

bool Rebuild::dropped(Section section, int count, uint8_t id) const {
  for (int n = 0; n < count; ++n) {
    if (state_.engine.streams.slot(section, n).streamId == id) return !state_.box(section, n).ticked;
  }
  return false;
}

void Rebuild::assign(int32_t id, uint8_t newId, uint8_t& counter) {
  if (id < 0 || id > 0xFF || renumberMap_[static_cast<size_t>(id)] != kNoNewId) return;
  renumberMap_[static_cast<size_t>(id)] = newId;
  ++counter;
}

void Rebuild::RenumberVideo(int32_t id) {
  uint8_t newId = IsVc1Extension(static_cast<uint8_t>(id)) ? static_cast<uint8_t>(0x55 + videoCount_)
                                                           : static_cast<uint8_t>((id & 0xFE) | videoCount_);
  assign(id, newId, videoCount_);
}

void Rebuild::RenumberAudio(int32_t id) {
  uint8_t mask = (id & 0xF0) == 0xC0 ? 0xF0 : 0xF8;  // Dolby Digital Plus has sixteen numbers
  assign(id, static_cast<uint8_t>((id & mask) | audioCount_), audioCount_);
}

void Rebuild::RenumberSubpicture(int32_t id) {
  assign(id, static_cast<uint8_t>((id & 0xE0) | subCount_), subCount_);
}

// The kept streams numbered densely in box order.
void Rebuild::fixNumbering() {
  const StreamTable& streams = state_.engine.streams;
  for (int n = 0; n < StreamTable::kVideoStreams; ++n)
    if (state_.box(Section::Video, n).ticked) RenumberVideo(streams.video(n).streamId);
  for (int n = 0; n < StreamTable::kAudioStreams; ++n)
    if (state_.box(Section::Audio, n).ticked) RenumberAudio(streams.audio(n).streamId);
  for (int n = 0; n < StreamTable::kSubpictureStreams; ++n)
    if (state_.box(Section::Subpicture, n).ticked) RenumberSubpicture(streams.subpicture(n).streamId);
  numberingFixed_ = true;
}

void Rebuild::pass(const std::string& name) {
  RunState& run = state_.engine.run;
  cancelEnabled_(true);
  run.StopRequested = false;
  name_ = name;
  shift_ = 0;
  progress_.start();
  ReadBlocks(state_.engine.input, block_, [&run] { return run.StopRequested; },
             [this](const Block& block) { processBlock(block); });
  run.lastPtmSum += run.lastPtm;
  ++filesDone_;
  cancelEnabled_(false);
}

void Rebuild::processBlock(const Block& block) {
  RunState& run = state_.engine.run;
  for (int64_t offset = 0; offset < block.loaded; offset += kPackSize) {
    int64_t n = std::min(kPackSize, block.loaded - offset);
    int64_t position = block.start + offset + n;
    uint8_t* pack = block_.data() + offset;
    if (position == kPackSize) noteFileStart(pack);
    if (std::optional<std::string> progress = progress_.textAt(position, block.size)) {
      host_.slog("Rebuilding " + name_ + " " + *progress, 1);
      host_.processEvents();
    }
    if (position % kBlockSize == 0) host_.pollStop();
    processPack(pack, n);
    if (run.StopRequested) return;
  }
}

// The file's first pack gives its start and duration; a file that does not
// already continue the ones before it is moved to where they end.
void Rebuild::noteFileStart(const uint8_t* pack) {
  uint32_t start = Be32(pack + at::kVobStartPtm);
  uint32_t duration = Be32(pack + at::kVobEndPtm) - start;
  if (filesDone_ == 0) firstFileStart_ = start;
  shift_ = start == firstFileStart_ + durationsBefore_ ? 0 : durationsBefore_;
  durationsBefore_ += duration;
}

namespace {

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

PackId Rebuild::classify(const uint8_t* pack, int64_t n) const {
  PackId id;
  // Only HD DVD's pack header (its mux rate, no stuffing) puts the first
  // packet at byte 14; any other pack is copied as it is.
  if (n <= at::kStreamId || !Matches(pack, n, 0, kPackStart) || !Matches(pack, n, at::kMuxRate, kHdDvdMuxRate))
    return id;
  id.c = pack[at::kStreamId];
  std::optional<int64_t> pAt;
  if (id.c == kPrivate1) pAt = SubstreamAt(pack, n);
  else if (id.c == kExtended) pAt = ExtensionAt(pack, n);
  else if (id.c == kPrivate2) pAt = at::kPrivate2Substream;
  else if (IsVideoId(id.c)) id.idAt = at::kStreamId;
  if (pAt && *pAt < n) {
    id.hasP = true;
    id.p = pack[*pAt];
    if (id.c != kPrivate2) id.idAt = *pAt;
  }
  return id;
}

bool Rebuild::keepPack(const PackId& id) const {
  uint8_t c = id.c, p = id.p;
  if (id.hasP && c == kPrivate1 && IsAudioSubstream(p) && AudioDropped(p)) return false;
  if (id.hasP && c == kPrivate1 && IsSubpictureSubstream(p) && SubpictureDropped(p)) return false;
  if (id.hasP && c == kExtended && IsVc1Extension(p) && VideoDropped(p)) return false;
  if (IsVideoId(c) && VideoDropped(c)) return false;
  // MPEG audio (stream ids C0 to DF) has no box of its own: an unticked
  // Dolby Digital Plus substream C0 says nothing about an MPEG audio C0.
  if (id.hasP && c == kPrivate2 && p == kAdvancedPack) return state_.options.cbRBAdvanced;
  return true;
}

// Only ids that were given a new value change. MPEG audio has no stream
// box of its own, and a private stream 1 substream of no known kind none
// either: the map's value at such an id belongs to another kind.
void Rebuild::renumber(uint8_t* pack, const PackId& id) const {
  if (id.idAt < 0) return;
  if (id.c == kPrivate1 && !IsAudioSubstream(id.p) && !IsSubpictureSubstream(id.p)) return;
  uint8_t newId = renumberMap_[pack[id.idAt]];
  if (newId != kNoNewId) pack[id.idAt] = newId;
}

void Rebuild::rewriteNavigation(uint8_t* pack, int64_t n) {
  if (!numberingFixed_) fixNumbering();
  // A last pack cut short keeps whichever of the two bounds it still holds.
  if (n > at::kAudioBound)
    pack[at::kAudioBound] = static_cast<uint8_t>((pack[at::kAudioBound] & 0x03) | (audioCount_ << 2));
  if (n > at::kVideoBound)
    pack[at::kVideoBound] = static_cast<uint8_t>((pack[at::kVideoBound] & 0xE0) | videoCount_);
  if (n == kPackSize && Matches(pack, n, at::kDsiSignature, kDsiSignature)) patchDsi(pack);
}

void Rebuild::patchDsi(uint8_t* pack) {
  const RunState& run = state_.engine.run;
  PutBe32(pack + at::kVobStartPtm, run.firstPtm);
  PutBe32(pack + at::kVobEndPtm, state_.options.cbAdjustPTS ? run.firstPtm + run.titleDuration : run.lastPtm);
  for (int i = audioCount_; i < kAudioSyncEntries; ++i) std::memset(pack + at::kAudioSync + 2 * i, 0, 2);
  for (int i = subCount_; i < kSubSyncEntries; ++i) std::memset(pack + at::kSubSync + 4 * i, 0, 4);
}

void Rebuild::shiftTimes(uint8_t* pack, int64_t n, uint8_t c) const {
  if (!(IsVideoId(c) || c == kExtended || c == kPrivate1) || n < at::kDts + 5) return;
  uint8_t f = pack[at::kPesFlags];
  if (f & 0x80) ShiftTimestamp(pack + at::kPesFields, shift_);
  if (f & 0x40) ShiftTimestamp(pack + at::kDts, shift_);
}

void Rebuild::processPack(uint8_t* pack, int64_t n) {
  if (!Matches(pack, n, 0, kPackStart)) return;  // not a pack: left out
  PackId id = classify(pack, n);
  if (id.c == kNavigation) {
    rewriteNavigation(pack, n);
  } else {
    if (!keepPack(id)) return;
    renumber(pack, id);
    if (state_.options.cbAdjustPTS && shift_ != 0) shiftTimes(pack, n, id.c);
  }
  output_.writeAll(pack, n);
}

void Jobs::bRebuildClick() {
  if (!state_.mayStartJob()) return;  // one job at a time: they share the source and the table
  JobGuard guard(state_.jobRunning);
  runRebuildJob();
}

void Jobs::rebuildOneFile(const std::string& path, Rebuild& pass) {
  const std::string name = FileNamePart(path);
  host_.log("Opening file [b]" + Literal(name) + "[/b]");
  host_.slog("Opening", 0);
  InputFile& input = state_.engine.input;
  input.open(path);  // releases the previous file of the title first
  host_.log("File size: " + IntText(input.size() / kMiB) + " Mbytes.");
  host_.log("Rebuilding...");
  host_.slog("Rebuilding " + name, 0);
  pass.pass(name);
}

void Jobs::runRebuildJob() {
  Engine& engine = state_.engine;
  startWriteJob();
  engine.run.lastPtmSum = 0;
  formOutputNames();

  std::optional<KlarvexError> failure;
  OutputFile output;
  try {
    const std::string path = FitFileName(state_.names.OutputPrefix + ".rebuilt.EVO");
    output.create(path, sourceFiles());
    output.setBuffer(kOutputBuffer);
    host_.log("Creating " + Literal(path));
    Rebuild pass(state_, host_, output, [this](bool enabled) { setCancelEnabled(enabled); });
    forEachFileOfTitle([&](const std::string& file) { rebuildOneFile(file, pass); });
  } catch (const KlarvexError& e) {
    failure = e;
    setCancelEnabled(false);
  }
  engine.input.close();
  try {
    if (output.isOpen()) output.close();  // keeps what was written, whatever happened
  } catch (const KlarvexError& e) {
    if (!failure) failure = e;
  }
  finishWriteJob(failure, false);  // no frame report after a rebuild
}

}  // namespace klarvex
