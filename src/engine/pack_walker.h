// The pack walker: reads a source program stream from its current position
// to its end in 256 KiB blocks, finds the PES packets by their start codes,
// parses their headers one byte at a time (the state survives buffer ends),
// fills the StreamTable and, in read mode, reports and describes the
// streams; in demux mode it writes each selected packet's payload.
#pragma once

#include <chrono>
#include <cstdint>

#include "analysers/video_kind.h"
#include "engine/engine.h"
#include "engine/navigation_pack.h"
#include "engine/walker_host.h"

namespace klarvex {

enum class WalkMode { Read = 0, Demux = 1 };

// Walks the source open in `engine.input` once.
void demux(Engine& engine, WalkerHost& host, WalkMode mode);

class PackWalker {
 public:
  PackWalker(Engine& engine, WalkerHost& host, WalkMode mode);
  void run();

 private:
  enum class PacketKind { None, Video, Audio, Ignore, Skip, MpegAudio, Private1, Subpicture, Navigation };
  enum class AudioKind { None, Ac3, Eac3, Dts, Lpcm, TrueHd };

  void startOfCall();
  void afterRead(int64_t position, int64_t size);
  void readSystemHeader();
  void walkBuffer();
  void stepByte();
  void headerRun();

  bool headerStep(uint8_t byte);
  bool startCode(uint8_t streamId);
  void skipScannedBytes();
  int64_t nextOne(int64_t from) const;
  bool skipPackHeader();
  void videoStartCode(uint8_t streamId, const char* found, VideoKind kind);
  void endOfHeader();
  void timestampByte(int index, uint8_t byte);
  void afterTimestamp();
  void extension2Byte(uint8_t byte);
  void substreamByte(uint8_t byte);
  void subpictureSubstream(uint8_t id);
  void audioSubstream(uint8_t id);
  void skipRestOfPacket();

  void payloadStep();
  void videoPayload(int64_t chunk);
  void audioPayload(int64_t chunk);
  void subpicturePayload(int64_t chunk);
  bool firstPayloadWithPts(StreamSlot& slot, bool audioOrVideo);
  void reportFirstPayload(StreamSlot& slot, uint8_t idByte);
  void writeChunk(StreamSlot& slot, int64_t chunk);

  void noteFound(StreamSlot& slot, std::string_view text) const;
  void announce(StreamSlot& slot, int number) const;
  void announceOnPayload(StreamSlot& slot, int number) const;
  void announceTheRest() const;
  bool readMode() const { return mode_ == WalkMode::Read; }
  bool sourceIsAob() const;

  Engine& engine_;
  WalkerHost& host_;
  WalkMode mode_;
  const uint8_t* buf_ = nullptr;
  bool scanEveryByte_ = false;
  ByteView view_;

  std::chrono::steady_clock::time_point startTime_;
  int64_t bytesInBuffer_ = 0;
  int64_t pos_ = 0;
  uint32_t window_ = 0;

  PacketKind packetKind_ = PacketKind::None;
  bool inPayload_ = false;
  int32_t packetLeft_ = 0;
  int32_t skipLeft_ = 0;
  int lengthBytes_ = 0;
  int fixedBytes_ = 0;
  uint8_t flags2_ = 0;
  int32_t headerLeft_ = 0;
  int ptsBytes_ = 0;
  int ptsDtsBytes_ = 0;
  int extFlagsBytes_ = 0;
  int pstdBytes_ = 0;
  int ext2Bytes_ = 0;
  uint8_t extFlags_ = 0;
  int substreamBytes_ = 0;
  int lpcmBytes_ = 0;
  int truehdBytes_ = 0;
  int ps2IdBytes_ = 0;
  bool dsiPending_ = false;
  bool gciPending_ = false;
  bool firstDsi_ = true;
  bool firstGci_ = true;
  uint32_t tsAccumulator_ = 0;
  bool packetHasPts_ = false;  // the current packet's header carried a PTS
  uint32_t packetPts_ = 0;     // and this was it
  VideoKind videoKind_ = VideoKind::None;
  int videoSlot_ = -1;
  uint8_t videoIdByte_ = 0;
  AudioKind audioKind_ = AudioKind::None;
  int audioSlot_ = -1;
  uint8_t audioSubstreamId_ = 0;
  int subSlot_ = -1;
  uint8_t subSubstreamId_ = 0;
  StreamCounts counts_;
};

}  // namespace klarvex
