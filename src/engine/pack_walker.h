// The pack walker: reads a source program stream from its current position
// to its end in 256 KiB blocks, finds the PES packets by their start codes,
// parses their headers one byte at a time (the state survives buffer ends),
// fills the StreamTable and, in read mode, reports and describes the
// streams; in demux mode it writes each selected packet's payload.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "analysers/dispatch.h"
#include "engine/block_reader.h"
#include "engine/engine.h"
#include "engine/navigation_pack.h"
#include "engine/pes_header.h"
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
  // What the payload of the current packet is routed to.
  enum class PacketKind { None, Video, Audio, Ignore, Skip, MpegAudio, Private1, Subpicture, Navigation };

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
  void videoStartCode(uint8_t streamId, const StreamIdentity& identity);
  void nameVideoStream(uint8_t id, const StreamIdentity& identity);
  PesHeader::Event extensionByte(uint8_t byte);
  PesHeader::Event substreamId(uint8_t id);
  PesHeader::Event audioSubstream();
  void nameExtension(uint8_t byte);
  // Named from the identity the id was looked up as (nullptr: none).
  bool nameSubpicture(uint8_t id, const StreamIdentity* identity);
  int nameAudio(uint8_t id, const StreamIdentity* identity);
  bool wholeHeader();
  bool holdsStartCode(int64_t from, int64_t to) const;
  void skipRestOfPacket();

  void payloadStep();
  void videoPayload(int64_t chunk);
  void audioPayload(int64_t chunk);
  void subpicturePayload(int64_t chunk);
  bool firstPayloadWithPts(StreamSlot& slot, bool audioOrVideo);
  std::optional<StreamFacts> describeOnce(StreamSlot& slot, uint8_t idByte, const AnalyserCall& call,
                                          bool audioOrVideo);
  void writeChunk(StreamSlot& slot, int64_t chunk);

  void noteFound(StreamSlot& slot, std::string_view text) const;
  void announceOnPayload(StreamSlot& slot, int number) const;
  bool readMode() const { return mode_ == WalkMode::Read; }

  Engine& engine_;
  WalkerHost& host_;
  WalkMode mode_;
  const uint8_t* buf_ = nullptr;
  bool scanEveryByte_ = false;
  bool aob_ = false;  // a DVD-Audio source: substream A1 is MLP
  ByteView view_;

  ProgressClock progress_;
  int64_t bytesInBuffer_ = 0;
  int64_t pos_ = 0;
  uint32_t window_ = 0;

  PesHeader header_;
  PacketKind packetKind_ = PacketKind::None;
  bool inPayload_ = false;
  bool packetBegins_ = false;  // the next payload piece is its packet's first
  int32_t skipLeft_ = 0;
  int ps2IdBytes_ = 0;
  bool dsiPending_ = false;
  bool gciPending_ = false;
  bool firstDsi_ = true;
  bool firstGci_ = true;
  const StreamIdentity* videoIdentity_ = &ExtendedStreamCoding();  // the coding of the video packets
  int videoSlot_ = -1;
  uint8_t videoIdByte_ = 0;
  uint8_t substreamIdByte_ = 0;  // of the private stream 1 packet in progress
  const StreamIdentity* audioIdentity_ = nullptr;
  int audioSlot_ = -1;
  uint8_t audioSubstreamId_ = 0;
  int subSlot_ = -1;
  uint8_t subSubstreamId_ = 0;
  StreamCounts counts_;
};

}  // namespace klarvex
