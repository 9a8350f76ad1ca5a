#include "engine/pack_walker.h"

#include <algorithm>
#include <cstring>

#include "analysers/dispatch.h"
#include "analysers/frame_counter.h"
#include "analysers/subpicture_format.h"
#include "base/files.h"
#include "base/markup.h"
#include "base/text_format.h"
#include "engine/payload_output.h"

namespace klarvex {

namespace {

constexpr int64_t kMiB = 1048576;
constexpr int64_t kProgressStep = 4 * kMiB;
constexpr int64_t kRepaintStep = 64 * kMiB;

}  // namespace

// Passes an analyser's lines on to the log and keeps them, tags removed, as
// the stream's description.
class DescriptionLog : public MessageLog {
 public:
  DescriptionLog(MessageLog& log, std::vector<std::string>& description) : log_(log), description_(description) {}
  void log(const std::string& message) override {
    log_.log(message);
    description_.push_back(StripTags(message));
  }
  void slog(const std::string& text, int panel) override { log_.slog(text, panel); }
  void erslog(const std::string& text) override { log_.erslog(text); }
  void beep() override { log_.beep(); }
  void clear() override { log_.clear(); }

 private:
  MessageLog& log_;
  std::vector<std::string>& description_;
};

void demux(Engine& engine, WalkerHost& host, WalkMode mode) {
  PackWalker walker(engine, host, mode);
  walker.run();
}

PackWalker::PackWalker(Engine& engine, WalkerHost& host, WalkMode mode)
    : engine_(engine), host_(host), mode_(mode), scanEveryByte_(host.scanEveryByte()) {}

bool PackWalker::sourceIsAob() const { return UpperCase(host_.sourceExtension()) == ".AOB"; }

// Read mode: a stream's "found" line waits for the payload of the packet
// that found it, and with "Detailed info" for its first packet carrying a
// PTS, so that its description follows it directly (a file of a title can
// begin with packets that carry none). The text before the number is kept
// until then; the table's texts live as long as the program.
void PackWalker::noteFound(StreamSlot& slot, std::string_view text) const {
  if (readMode()) slot.foundText = text;
}

void PackWalker::announce(StreamSlot& slot, int number) const {
  host_.messages().log(std::string(slot.foundText) + IntText(number) + " found!");
  slot.foundText = {};
}

void PackWalker::announceOnPayload(StreamSlot& slot, int number) const {
  if (!slot.foundText.empty() && (packetHasPts_ || !host_.detailedInfo())) announce(slot, number);
}

// The end of a read walk: a stream none of whose packets carried a PTS in
// the part read is still named.
void PackWalker::announceTheRest() const {
  for (Section section : {Section::Video, Section::Audio, Section::Subpicture})
    for (int n = 0; n < StreamTable::streamsIn(section); ++n) {
      StreamSlot& slot = engine_.streams.slot(section, n);
      if (!slot.foundText.empty()) announce(slot, n);
    }
}

void PackWalker::startOfCall() {
  RunState& run = engine_.run;
  run.StopRequested = false;
  run.WriteJobRunning = mode_ == WalkMode::Demux;
  run.fastCheckStop = false;
  engine_.streams.resetForWalk();
  host_.setCancelEnabled(true);
  startTime_ = std::chrono::steady_clock::now();
}

void PackWalker::run() {
  startOfCall();
  InputFile& input = engine_.input;
  RunState& run = engine_.run;
  for (;;) {
    host_.pollStop();
    int64_t size = input.size();
    if (input.position() >= size || run.StopRequested || run.fastCheckStop) break;
    bytesInBuffer_ = engine_.buffer.fill(input);
    buf_ = engine_.buffer.bytes();
    view_ = engine_.buffer.view();
    if (bytesInBuffer_ <= 0) break;  // the file shrank under us
    afterRead(input.position(), size);
    walkBuffer();
  }
  if (readMode()) announceTheRest();
  if (run.StopRequested) {
    engine_.streams.video(0).frameCount = 0;
    engine_.streams.video(1).frameCount = 0;
  }
  host_.setCancelEnabled(false);
}

void PackWalker::afterRead(int64_t position, int64_t size) {
  if (position % kProgressStep == 0) {
    host_.messages().slog(ProgressText(position, size, DaysSince(startTime_)), 1);
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
  if (!sourceIsAob()) return;
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
    if (packetLeft_ > 0) {
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
    --packetLeft_;
    ps2IdBytes_ = 0;
    if (byte == 0x01 && firstDsi_) dsiPending_ = true;
    else if (byte == 0x04 && firstGci_) gciPending_ = true;
    else skipLeft_ = packetLeft_;
    return;
  }
  if (gciPending_ || dsiPending_) {
    if (gciPending_) {
      AnalyseGci(view_, pos_, host_.messages());
      firstGci_ = false;
      gciPending_ = false;
    } else {
      std::string extension = UpperCase(host_.sourceExtension());
      DsiContext context{readMode(), extension == ".VOB", &counts_, &engine_.run, &host_.messages()};
      AnalyseDsi(view_, pos_, context);
      firstDsi_ = false;
      dsiPending_ = false;
    }
    if (packetLeft_ > 0) {
      skipRestOfPacket();
      return;
    }
  }
  if ((window_ & 0xFFFFFF00u) == 0x00000100u && startCode(byte)) return;
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
    if ((window_ & 0xFFFFFF00u) == 0x00000100u && startCode(byte)) return;
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
    const uint8_t* w = buf_ + resume - 3;
    window_ = static_cast<uint32_t>(w[0]) << 24 | w[1] << 16 | w[2] << 8 | w[3];
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
  pos_ += packetLeft_ - 1;
  packetLeft_ = 0;
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
  bool markers = (h[4] & 0xC4) == 0x44 && (h[6] & 0x04) && (h[8] & 0x04) && (h[9] & 0x01) &&
                 (h[12] & 0x03) == 0x03 && (h[13] & 0xF8) == 0xF8;
  if (!markers) return false;
  window_ = static_cast<uint32_t>(h[10]) << 24 | h[11] << 16 | h[12] << 8 | h[13];
  pos_ = last;
  return true;
}

bool PackWalker::startCode(uint8_t streamId) {
  // A recognised start code begins a new packet, whatever was in progress.
  auto beginPacket = [this](PacketKind kind) {
    packetKind_ = kind;
    packetHasPts_ = false;
    lengthBytes_ = 2;
    fixedBytes_ = ptsBytes_ = ptsDtsBytes_ = 0;
    extFlagsBytes_ = pstdBytes_ = ext2Bytes_ = 0;
    substreamBytes_ = lpcmBytes_ = truehdBytes_ = 0;
    headerLeft_ = 0;
  };
  if ((streamId & 0xFE) == 0xE0) {
    videoStartCode(streamId, "[b]MPEG-2[/b] video stream ", VideoKind::Mpeg2);
    beginPacket(PacketKind::Video);
  } else if ((streamId & 0xFE) == 0xE2) {
    videoStartCode(streamId, "[b]H.264 (AVC)[/b] video stream ", VideoKind::H264);
    beginPacket(PacketKind::Video);
  } else if (streamId == 0xFD) {
    videoKind_ = VideoKind::Vc1;
    beginPacket(PacketKind::Video);
  } else if ((streamId & 0xF0) == 0xC0) {
    beginPacket(PacketKind::MpegAudio);
  } else if (streamId == 0xBC || streamId == 0xBE) {
    beginPacket(PacketKind::Skip);
  } else if (streamId == 0xBD) {
    beginPacket(PacketKind::Private1);
  } else if (streamId == 0xBF) {
    beginPacket(PacketKind::Navigation);
  } else {
    return false;  // not a start code of ours: an ordinary byte
  }
  return true;
}

void PackWalker::videoStartCode(uint8_t streamId, const char* found, VideoKind kind) {
  videoIdByte_ = streamId;
  videoSlot_ = streamId & 1;
  StreamSlot& slot = engine_.streams.video(videoSlot_);
  if (slot.streamId == -1) {
    slot.streamId = streamId;
    noteFound(slot, found);
  }
  videoKind_ = kind;
}

// Cases G to R: one byte of a packet's length, PES header or substream
// header. Returns false when the byte belongs to none of them.
__attribute__((always_inline)) inline bool PackWalker::headerStep(uint8_t byte) {
  if (lengthBytes_ == 2) {
    lengthBytes_ = 1;
  } else if (lengthBytes_ == 1) {
    lengthBytes_ = 0;
    packetLeft_ = static_cast<int32_t>(window_ & 0xFFFF);
    if (packetKind_ == PacketKind::Navigation) ps2IdBytes_ = 1;
    else if (packetKind_ == PacketKind::Skip) skipLeft_ = packetLeft_;
    else fixedBytes_ = 3;
  } else if (fixedBytes_ > 0) {
    --packetLeft_;
    --fixedBytes_;
    if (fixedBytes_ == 1) {
      flags2_ = byte;
    } else if (fixedBytes_ == 0) {
      headerLeft_ = byte;
      if ((flags2_ & 0xC0) == 0x80) ptsBytes_ = 5;
      if ((flags2_ & 0xC0) == 0xC0) ptsDtsBytes_ = 10;
      if ((flags2_ & 0xC1) == 0x01) extFlagsBytes_ = 1;
      if (headerLeft_ == 0) endOfHeader();
    }
  } else if (ptsBytes_ > 0) {
    --packetLeft_;
    --headerLeft_;
    --ptsBytes_;
    timestampByte(5 - ptsBytes_, byte);
    if (ptsBytes_ == 0) {
      packetPts_ = tsAccumulator_;
      packetHasPts_ = true;
      afterTimestamp();
    }
  } else if (ptsDtsBytes_ > 0) {
    --packetLeft_;
    --headerLeft_;
    --ptsDtsBytes_;
    int index = 10 - ptsDtsBytes_;
    timestampByte(index > 5 ? index - 5 : index, byte);
    if (index == 5) {
      packetPts_ = tsAccumulator_;
      packetHasPts_ = true;
    } else if (index == 10) {
      afterTimestamp();  // the DTS is assembled but not used
    }
  } else if (extFlagsBytes_ > 0) {
    --packetLeft_;
    --headerLeft_;
    extFlagsBytes_ = 0;
    extFlags_ = byte;
    if (extFlags_ & 0x10) pstdBytes_ = 2;        // P-STD_buffer_flag
    else if (extFlags_ & 0x01) ext2Bytes_ = 2;   // PES_extension_flag_2
  } else if (pstdBytes_ > 0) {
    --packetLeft_;
    --headerLeft_;
    if (--pstdBytes_ == 0) {
      if (extFlags_ & 0x01) ext2Bytes_ = 2;
      else if (headerLeft_ == 0) inPayload_ = true;
    }
  } else if (ext2Bytes_ > 0) {
    --packetLeft_;
    --headerLeft_;
    if (--ext2Bytes_ == 0) extension2Byte(byte);
  } else if (headerLeft_ > 0) {
    --packetLeft_;
    if (--headerLeft_ == 0) endOfHeader();
  } else if (substreamBytes_ > 0) {
    --packetLeft_;
    --substreamBytes_;
    substreamByte(byte);
  } else if (lpcmBytes_ > 0) {
    --packetLeft_;
    if (--lpcmBytes_ == 0) {
      packetKind_ = PacketKind::Audio;
      inPayload_ = true;
    }
  } else if (truehdBytes_ > 0) {
    --packetLeft_;
    if (--truehdBytes_ == 0) {
      packetKind_ = PacketKind::Audio;
      inPayload_ = true;
    }
  } else {
    return false;
  }
  return true;
}

// ISO/IEC 13818-1 time stamp layout, bit 32 dropped.
void PackWalker::timestampByte(int index, uint8_t byte) {
  switch (index) {
    case 1: tsAccumulator_ = static_cast<uint32_t>(byte & 0x06) << 29; break;
    case 2: tsAccumulator_ |= static_cast<uint32_t>(byte) << 22; break;
    case 3: tsAccumulator_ |= static_cast<uint32_t>(byte & 0xFE) << 14; break;
    case 4: tsAccumulator_ |= static_cast<uint32_t>(byte) << 7; break;
    case 5: tsAccumulator_ |= static_cast<uint32_t>(byte & 0xFE) >> 1; break;
    default: break;
  }
}

void PackWalker::afterTimestamp() {
  if (headerLeft_ == 0) endOfHeader();
  else if (packetKind_ == PacketKind::Video && (flags2_ & 0x01)) extFlagsBytes_ = 1;
}

void PackWalker::endOfHeader() {
  if (packetKind_ == PacketKind::Private1) substreamBytes_ = 4;
  else inPayload_ = true;
}

// The stream_id_extension of a packet under stream_id FD: 55 and 56 are VC-1.
void PackWalker::extension2Byte(uint8_t byte) {
  uint8_t extension = byte & 0x7F;
  if (extension == 0x55 || extension == 0x56) {
    videoIdByte_ = extension;
    videoSlot_ = extension - 0x55;
    StreamSlot& slot = engine_.streams.video(videoSlot_);
    if (slot.streamId == -1) {
      slot.streamId = extension;
      noteFound(slot, "[b]VC-1[/b] video stream ");
    }
    packetKind_ = PacketKind::Video;
  } else {
    packetKind_ = PacketKind::Ignore;
  }
  if (headerLeft_ == 0) inPayload_ = true;
}

void PackWalker::substreamByte(uint8_t byte) {
  if (substreamBytes_ == 3) {  // the substream id
    if ((byte >= 0x20 && byte <= 0x3F) || (byte >= 0x60 && byte <= 0x7F)) subpictureSubstream(byte);
    return;
  }
  if (substreamBytes_ == 0) audioSubstream(static_cast<uint8_t>(window_ >> 24));
}

void PackWalker::subpictureSubstream(uint8_t id) {
  bool extended = id >= 0x60;
  subSlot_ = id & 0x1F;
  subSubstreamId_ = id;
  StreamSlot& slot = engine_.streams.subpicture(subSlot_);
  if (slot.streamId == -1) {
    slot.streamId = id;
    noteFound(slot, extended ? "[b]Extended subpicture[/b] stream " : "[b]Subpicture[/b] stream ");
  }
  substreamBytes_ = 0;
  packetKind_ = PacketKind::Subpicture;
  inPayload_ = true;
}

void PackWalker::audioSubstream(uint8_t id) {
  audioSlot_ = id & 0x0F;
  const StreamIdentity* identity = SubstreamIdentity(id);
  if (!identity || identity->section != Section::Audio) {
    packetKind_ = PacketKind::Ignore;
    inPayload_ = true;
    return;
  }
  audioSlot_ = id & identity->numberMask;
  switch (identity->kind) {
    case StreamKind::Ac3: audioKind_ = AudioKind::Ac3; break;
    case StreamKind::Dts: audioKind_ = AudioKind::Dts; break;
    case StreamKind::Lpcm: audioKind_ = AudioKind::Lpcm; break;
    case StreamKind::TrueHd: audioKind_ = AudioKind::TrueHd; break;
    default: audioKind_ = AudioKind::Eac3; break;
  }
  audioSubstreamId_ = id;
  StreamSlot& slot = engine_.streams.audio(audioSlot_);
  if (slot.streamId < 0) {
    slot.streamId = id;
    bool mlp = id == 0xA1 && sourceIsAob();
    noteFound(slot, mlp ? "[b]MLP[/b] audio stream " : identity->found);
  }
  if (audioKind_ == AudioKind::TrueHd) {
    truehdBytes_ = 1;
  } else if (audioKind_ == AudioKind::Lpcm) {
    lpcmBytes_ = 3;
  } else {
    packetKind_ = PacketKind::Audio;
    inPayload_ = true;
  }
}

void PackWalker::payloadStep() {
  int64_t chunk = std::min<int64_t>(packetLeft_, bytesInBuffer_ - pos_);
  switch (packetKind_) {
    case PacketKind::Video: videoPayload(chunk); break;
    case PacketKind::Audio: audioPayload(chunk); break;
    case PacketKind::Subpicture: subpicturePayload(chunk); break;
    default: break;  // MPEG audio and ignored packets have no slot
  }
  bool wholePacket = chunk == packetLeft_;
  packetLeft_ -= static_cast<int32_t>(chunk);
  pos_ += chunk - 1;
  if (wholePacket) inPayload_ = false;
}

void PackWalker::videoPayload(int64_t chunk) {
  if (videoSlot_ < 0) return;  // FD packet without extension before any video: no slot
  StreamSlot& slot = engine_.streams.video(videoSlot_);
  if (host_.countFrames() && (readMode() || host_.streamTicked(Section::Video, videoSlot_)))
    slot.frameCount += CountVideoFrames(buf_ + pos_, chunk, videoKind_, slot.counterCarry);
  if (readMode()) {
    announceOnPayload(slot, videoSlot_);
    if (!firstPayloadWithPts(slot, true)) return;
    AnalyserRoute route = videoKind_ == VideoKind::Vc1    ? AnalyserRoute::Vc1Video
                          : videoKind_ == VideoKind::H264 ? AnalyserRoute::H264Video
                                                          : AnalyserRoute::Mpeg2Video;
    reportFirstPayload(slot, videoIdByte_);
    AnalyserCall call{route, pos_, chunk, packetPts_, videoSlot_};
    DescriptionLog described(host_.messages(), slot.description);
    if (auto rate = AnalyseFirstPayload(view_, call, described).frameRate) slot.frameRate = *rate;
  } else {
    if (host_.streamTicked(Section::Video, videoSlot_)) writeChunk(slot, chunk);
  }
}

void PackWalker::audioPayload(int64_t chunk) {
  if (audioSlot_ < 0) return;
  StreamSlot& slot = engine_.streams.audio(audioSlot_);
  if (readMode()) {
    announceOnPayload(slot, audioSlot_);
    if (!firstPayloadWithPts(slot, true)) return;
    AnalyserRoute route = AnalyserRoute::Lpcm;
    switch (audioKind_) {
      case AudioKind::Ac3:
      case AudioKind::Eac3: route = AnalyserRoute::Ac3; break;
      case AudioKind::Dts: route = AnalyserRoute::Dts; break;
      case AudioKind::TrueHd: route = AnalyserRoute::Mlp; break;
      default: route = audioSubstreamId_ == 0xA1 && sourceIsAob() ? AnalyserRoute::Mlp : AnalyserRoute::Lpcm;
    }
    reportFirstPayload(slot, audioSubstreamId_);
    DescriptionLog described(host_.messages(), slot.description);
    StreamFacts facts = AnalyseFirstPayload(view_, AnalyserCall{route, pos_, chunk, 0, audioSlot_}, described);
    slot.channels = facts.channels;
    slot.sampleRate = facts.sampleRate;
    slot.bitsPerSample = facts.bitsPerSample;
  } else {
    if (host_.streamTicked(Section::Audio, audioSlot_)) writeChunk(slot, chunk);
  }
}

void PackWalker::subpicturePayload(int64_t chunk) {
  if (subSlot_ < 0) return;
  StreamSlot& slot = engine_.streams.subpicture(subSlot_);
  if (readMode()) {
    announceOnPayload(slot, subSlot_);
    if (!firstPayloadWithPts(slot, false)) return;
    reportFirstPayload(slot, subSubstreamId_);
    DescriptionLog described(host_.messages(), slot.description);
    SubpictureFormat(view_, pos_, described);
    return;
  }
  // A record starts at each packet that carries a PTS (even one that
  // rebases to 0); the following chunks and packets continue the unit.
  if (host_.streamTicked(Section::Subpicture, subSlot_) && slot.outFile) {
    if (packetHasPts_) WriteSupHeader(*slot.outFile, packetPts_ - SupTimeBase(engine_.run.minFirstPts));
    slot.outFile->writeAll(buf_ + pos_, chunk);
  }
  packetHasPts_ = false;
}

// Read mode, at a payload piece of the stream in `slot`. A stream's first
// PTS is that of its first packet carrying one: a file of a title may begin
// with the rest of a frame cut at the file's start, whose packets carry
// none. That first PTS is kept, and for audio and video it lowers
// minFirstPts, the base of the subpicture times, whatever the display
// options. The description waits for the same packet, the first that
// begins an access unit: true when it is to be given now.
bool PackWalker::firstPayloadWithPts(StreamSlot& slot, bool audioOrVideo) {
  if (!packetHasPts_) return false;
  if (!slot.firstPtsKnown) {
    slot.firstPtsKnown = true;
    slot.firstPts = packetPts_;
    if (audioOrVideo && packetPts_ < engine_.run.minFirstPts) engine_.run.minFirstPts = packetPts_;
  }
  return host_.detailedInfo() && !slot.detailsShown;
}

void PackWalker::writeChunk(StreamSlot& slot, int64_t chunk) {
  // Only files this job created: a box ticked after the start has none.
  if (slot.outFile) slot.outFile->writeAll(buf_ + pos_, chunk);
}

void PackWalker::reportFirstPayload(StreamSlot& slot, uint8_t idByte) {
  slot.detailsShown = true;
  const uint32_t pts = slot.firstPts;
  std::string line = "   First PTS = [re]" + HexText(pts, 8) + "[/re]";
  uint32_t firstPtm = engine_.run.firstPtm;
  if (pts != firstPtm) {
    // A stream that starts before the title's start PTM has a negative delay.
    int32_t ticks = static_cast<int32_t>(pts - firstPtm);
    if (ticks < 0) line += "  ([re]-" + IntText((firstPtm - pts) / 90) + "[/re]ms)";
    else line += "  ([re]+" + IntText((pts - firstPtm) / 90) + "[/re]ms)";
  }
  host_.messages().log(line);
  host_.messages().log("   Substream id = " + HexText(idByte, 2));
}

}  // namespace klarvex
