#include "engine/pack_walker.h"

#include <algorithm>
#include <cstring>

#include "analysers/dispatch.h"
#include "analysers/frame_counter.h"
#include "base/bytes.h"
#include "base/files.h"
#include "base/markup.h"
#include "base/text_format.h"
#include "engine/block_reader.h"
#include "engine/payload_output.h"
#include "engine/stream_report.h"

namespace klarvex {

namespace {

constexpr int64_t kRepaintStep = 64 * kMiB;

}  // namespace

void demux(Engine& engine, WalkerHost& host, WalkMode mode) {
  PackWalker walker(engine, host, mode);
  walker.run();
}

PackWalker::PackWalker(Engine& engine, WalkerHost& host, WalkMode mode)
    : engine_(engine),
      host_(host),
      mode_(mode),
      scanEveryByte_(host.scanEveryByte()),
      aob_(IsDvdAudioSource(host.sourceExtension())) {}

// Read mode: a stream's "found" line waits for the payload of the packet
// that found it, and with "Detailed info" for its first packet carrying a
// PTS, so that its description follows it directly (a file of a title can
// begin with packets that carry none). The text before the number is kept
// until then; the table's texts live as long as the program.
void PackWalker::noteFound(StreamSlot& slot, std::string_view text) const {
  if (readMode()) slot.foundText = text;
}

void PackWalker::announceOnPayload(StreamSlot& slot, int number) const {
  if (!slot.foundText.empty() && (header_.hasPts || !host_.detailedInfo()))
    AnnounceStream(host_.messages(), slot, number);
}

void PackWalker::startOfCall() {
  RunState& run = engine_.run;
  run.StopRequested = false;
  run.WriteJobRunning = mode_ == WalkMode::Demux;
  run.fastCheckStop = false;
  engine_.streams.resetForWalk();
  host_.setCancelEnabled(true);
  progress_.start();
}

void PackWalker::run() {
  startOfCall();
  RunState& run = engine_.run;
  // The stop request is passed on before every block, as the block's size is asked.
  host_.pollStop();
  ReadBlocks(
      engine_.input, engine_.buffer, [&run] { return run.StopRequested || run.fastCheckStop; },
      [this](const Block& block) {
        bytesInBuffer_ = block.loaded;
        buf_ = engine_.buffer.bytes();
        view_ = engine_.buffer.view();
        afterRead(block.end(), block.size);
        walkBuffer();
        host_.pollStop();
      });
  if (header_.scrambledSeen) run.encrypted = true;
  if (readMode()) AnnounceWaitingStreams(host_.messages(), engine_.streams);
  if (run.StopRequested) {
    engine_.streams.video(0).frameCount = 0;
    engine_.streams.video(1).frameCount = 0;
  }
  host_.setCancelEnabled(false);
}

void PackWalker::afterRead(int64_t position, int64_t size) {
  if (std::optional<std::string> text = progress_.textAt(position, size)) {
    host_.messages().slog(*text, 1);
    host_.processEvents();
  }
  if (readMode() && host_.fastCheck() && host_.fastCheckMiB() * kMiB < position) engine_.run.fastCheckStop = true;
  if (position % kRepaintStep == 0) host_.repaint();
  if (readMode() && position == ReadBuffer::kSize && buf_[16] == 0x01 && buf_[17] == 0xBB) readSystemHeader();
}

// The system header right behind a 14-byte pack header at the file's start.
void PackWalker::readSystemHeader() {
  counts_.video = buf_[24] & 0x1F;  // video_bound
  counts_.audio = buf_[23] >> 2;    // audio_bound
  if (!aob_) return;
  std::string line = "It contains";
  if (counts_.video > 0) line += " [b]" + IntText(counts_.video) + "[/b] video stream and";
  line += " [b]" + IntText(counts_.audio) + "[/b] audio stream";
  line += counts_.audio > 1 ? "s." : ".";
  host_.messages().log(line);
}

void PackWalker::walkBuffer() {
  for (pos_ = 0; pos_ < bytesInBuffer_; ++pos_) stepByte();
}

__attribute__((always_inline)) inline void PackWalker::stepByte() {
  uint8_t byte = buf_[pos_];
  window_ = window_ << 8 | byte;

  if (inPayload_) {
    if (header_.packetLeft > 0) {
      payloadStep();
      return;
    }
    // A header longer than its packet leaves nothing to take: the byte is
    // not payload, so it is examined like any other.
    inPayload_ = false;
  }
  if (skipLeft_ > 0) {
    skipRestOfPacket();
    return;
  }
  if (ps2IdBytes_ > 0) {
    --header_.packetLeft;
    ps2IdBytes_ = 0;
    if (byte == 0x01 && firstDsi_)
      dsiPending_ = true;
    else if (byte == 0x04 && firstGci_)
      gciPending_ = true;
    else
      skipLeft_ = header_.packetLeft;
    return;
  }
  if (gciPending_ || dsiPending_) {
    if (gciPending_) {
      AnalyseGci(view_, pos_, host_.messages(), engine_.run.encrypted);
      firstGci_ = false;
      gciPending_ = false;
    } else {
      std::string extension = UpperCase(host_.sourceExtension());
      DsiContext context{readMode(), extension == ".VOB", &counts_, &engine_.run, &host_.messages()};
      AnalyseDsi(view_, pos_, context);
      firstDsi_ = false;
      dsiPending_ = false;
    }
    if (header_.packetLeft > 0) {
      skipRestOfPacket();
      return;
    }
  }
  if ((window_ & 0xFFFFFF00u) == 0x00000100u && startCode(byte)) {
    wholeHeader();
    return;
  }
  if (!headerStep(byte)) {
    if (!scanEveryByte_) skipScannedBytes();
    return;
  }
  headerRun();
}

// The bytes after a header byte, stepped here for as long as stepByte would
// take each of them straight to its start code test and header step: no
// payload, skip or navigation id in between (a pending analysis is only
// set by the navigation id's step, so none is pending here). The same
// steps in the same order, without stepByte's tests on every byte of a
// packet header.
void PackWalker::headerRun() {
  while (pos_ + 1 < bytesInBuffer_ && !inPayload_ && skipLeft_ == 0 && ps2IdBytes_ == 0) {
    const uint8_t byte = buf_[++pos_];
    window_ = window_ << 8 | byte;
    if ((window_ & 0xFFFFFF00u) == 0x00000100u && startCode(byte)) {
      wholeHeader();
      return;
    }
    if (!headerStep(byte)) {
      if (!scanEveryByte_) skipScannedBytes();
      return;
    }
  }
}

// Nothing is in progress, so every byte up to the next 01 would merely be
// scanned over: no byte before that 01 can be a start code's id byte. The
// walk resumes at the 01 itself with the window as the scan would have left
// it, so the next byte stepped is the id byte of a possible start code.
// Pack headers, the zeros before a start code and unknown packets are passed
// over this way without a step per byte.
void PackWalker::skipScannedBytes() {
  if (pos_ + 1 >= bytesInBuffer_) return;
  if (window_ == 0x000001BA) skipPackHeader();
  // The current byte may itself be the 01 whose id byte comes next; at a
  // packet's end the 01 is mostly two bytes on, not worth a call.
  const int64_t one = nextOne(pos_);
  // Without a 01 every byte left is passed over.
  const int64_t resume = one >= 0 ? one : bytesInBuffer_ - 1;
  if (resume <= pos_) return;
  // The window holds the last four bytes up to the resume point, as if
  // every byte had been scanned.
  if (resume - 3 > pos_) {
    window_ = ReadBe32(buf_ + resume - 3);
  } else {
    for (int64_t i = pos_ + 1; i <= resume; ++i) window_ = window_ << 8 | buf_[i];
  }
  pos_ = resume;
}

// The index of the first 01 at or after `from`, or -1.
int64_t PackWalker::nextOne(int64_t from) const {
  const int64_t near = std::min(from + 3, bytesInBuffer_);
  for (int64_t i = from; i < near; ++i)
    if (buf_[i] == 0x01) return i;
  if (near >= bytesInBuffer_) return -1;
  const void* one = std::memchr(buf_ + near, 0x01, static_cast<size_t>(bytesInBuffer_ - near));
  return one ? static_cast<const uint8_t*>(one) - buf_ : -1;
}

// Moves on to the first byte after the packet; a skip past the end of the
// buffer ends the buffer.
void PackWalker::skipRestOfPacket() {
  pos_ += header_.packetLeft - 1;
  header_.packetLeft = 0;
  skipLeft_ = 0;
}

// At the BA of a pack start code: an MPEG-2 pack header whose marker bits
// are all in place can hold no start code prefix (every byte that could be
// 00 00 01 has a marker bit set), so the walk may go on from its byte 13
// with the window as the scan would have left it.
bool PackWalker::skipPackHeader() {
  const int64_t last = pos_ + 10;  // byte 13 of the pack header
  if (last + 1 >= bytesInBuffer_) return false;
  const uint8_t* h = buf_ + pos_ - 3;  // h[0..3] = 00 00 01 BA
  bool markers = (h[4] & 0xC4) == 0x44 && (h[6] & 0x04) && (h[8] & 0x04) && (h[9] & 0x01) && (h[12] & 0x03) == 0x03 &&
                 (h[13] & 0xF8) == 0xF8;
  if (!markers) return false;
  window_ = ReadBe32(h + 10);
  pos_ = last;
  return true;
}

// One byte of a packet's length, PES header or substream header, handed to
// the header parser; what it completes is routed here. Returns false when
// the byte belongs to no header.
__attribute__((always_inline)) inline bool PackWalker::headerStep(uint8_t byte) {
  PesHeader::Event event = header_.step(byte, window_);
  switch (event) {
    case PesHeader::Event::NotHeader:
      return false;
    case PesHeader::Event::None:
      return true;
    case PesHeader::Event::LengthKnown:
      if (packetKind_ == PacketKind::Navigation)
        ps2IdBytes_ = 1;
      else if (packetKind_ == PacketKind::Skip)
        skipLeft_ = header_.packetLeft;
      return true;
    case PesHeader::Event::Extension:
      event = extensionByte(byte);
      break;
    case PesHeader::Event::SubstreamId:
      event = substreamId(byte);
      break;
    case PesHeader::Event::SubstreamHeaderDone:
      event = audioSubstream();
      break;
    case PesHeader::Event::Payload:
      break;
  }
  if (event == PesHeader::Event::Payload) inPayload_ = packetBegins_ = true;
  return true;
}

void PackWalker::payloadStep() {
  int32_t& packetLeft = header_.packetLeft;
  int64_t chunk = std::min<int64_t>(packetLeft, bytesInBuffer_ - pos_);
  switch (packetKind_) {
    case PacketKind::Video:
      videoPayload(chunk);
      break;
    case PacketKind::Audio:
      audioPayload(chunk);
      break;
    case PacketKind::Subpicture:
      subpicturePayload(chunk);
      break;
    default:
      break;  // MPEG audio and ignored packets have no slot
  }
  packetBegins_ = false;
  bool wholePacket = chunk == packetLeft;
  packetLeft -= static_cast<int32_t>(chunk);
  pos_ += chunk - 1;
  if (wholePacket) inPayload_ = false;
}

void PackWalker::videoPayload(int64_t chunk) {
  if (videoSlot_ < 0) return;  // FD packet without extension before any video: no slot
  StreamSlot& slot = engine_.streams.video(videoSlot_);
  if (host_.countFrames() && (readMode() || host_.streamTicked(Section::Video, videoSlot_)))
    slot.frameCount += CountVideoFrames(buf_ + pos_, chunk, videoIdentity_->videoKind, slot.counterCarry);
  if (!readMode()) {
    if (host_.streamTicked(Section::Video, videoSlot_)) writeChunk(slot, chunk);
    return;
  }
  AnalyserCall call{videoIdentity_->route, pos_, chunk, header_.pts, videoSlot_};
  if (auto facts = describeOnce(slot, videoIdByte_, call, true); facts && facts->frameRate)
    slot.frameRate = *facts->frameRate;
}

void PackWalker::audioPayload(int64_t chunk) {
  if (audioSlot_ < 0) return;
  StreamSlot& slot = engine_.streams.audio(audioSlot_);
  if (!readMode()) {
    if (host_.streamTicked(Section::Audio, audioSlot_)) writeChunk(slot, chunk);
    return;
  }
  AnalyserCall call{audioIdentity_->route, pos_, chunk, 0, audioSlot_};
  if (auto facts = describeOnce(slot, audioSubstreamId_, call, true)) {
    slot.channels = facts->channels;
    slot.sampleRate = facts->sampleRate;
    slot.bitsPerSample = facts->bitsPerSample;
  }
}

void PackWalker::subpicturePayload(int64_t chunk) {
  if (subSlot_ < 0) return;
  StreamSlot& slot = engine_.streams.subpicture(subSlot_);
  if (readMode()) {
    describeOnce(slot, subSubstreamId_, AnalyserCall{AnalyserRoute::Subpicture, pos_, chunk, 0, subSlot_}, false);
    return;
  }
  if (host_.streamTicked(Section::Subpicture, subSlot_)) writeChunk(slot, chunk);
}

// Read mode, at a payload piece of the stream in `slot`. A stream's first
// PTS is that of its first packet carrying one: a file of a title may begin
// with the rest of a frame cut at the file's start, whose packets carry
// none. That first PTS is kept, and for audio and video it lowers
// minFirstPts, the base of the subpicture times, whatever the display
// options. The description waits for the same packet, the first that
// begins an access unit: true when it is to be given now.
bool PackWalker::firstPayloadWithPts(StreamSlot& slot, bool audioOrVideo) {
  if (!header_.hasPts) return false;
  if (!slot.firstPtsKnown) {
    slot.firstPtsKnown = true;
    slot.firstPts = header_.pts;
    if (audioOrVideo && header_.pts < engine_.run.minFirstPts) engine_.run.minFirstPts = header_.pts;
  }
  return host_.detailedInfo() && !slot.detailsShown;
}

void PackWalker::writeChunk(StreamSlot& slot, int64_t chunk) {
  // Only files this job created: a box ticked after the start has none.
  if (!slot.sink) return;
  if (packetBegins_)
    slot.sink->beginPacket(header_.hasPts ? std::optional(header_.pts) : std::nullopt, header_.packetLeft);
  slot.sink->write(buf_ + pos_, chunk);
}

// Read mode, at a payload piece: names the stream and, at its first packet
// with a PTS, reports that and hands the piece to its analyser (once),
// whose facts the slot keeps.
std::optional<StreamFacts> PackWalker::describeOnce(StreamSlot& slot, uint8_t idByte, const AnalyserCall& call,
                                                    bool audioOrVideo) {
  announceOnPayload(slot, call.streamNumber);
  if (!firstPayloadWithPts(slot, audioOrVideo)) return std::nullopt;
  ReportFirstPts(host_.messages(), slot, idByte, engine_.run.firstPtm);
  DescriptionLog described(host_.messages(), slot.description);
  slot.facts = AnalyseFirstPayload(view_, call, described);
  return slot.facts;
}

}  // namespace klarvex
