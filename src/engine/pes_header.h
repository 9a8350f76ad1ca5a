// The header of a PES packet, parsed one byte at a time so that a header
// cut by the end of a read block goes on in the next: the packet length,
// the three fixed bytes, the PTS (and DTS), the extension fields the walker
// needs (P-STD buffer, the VC-1 stream_id_extension) and, under private
// stream 1, the substream header. One stage at a time, with the bytes it
// still wants; the walker routes what each stage gives.
#pragma once

#include <cstdint>

#include "engine/stream_ids.h"

namespace klarvex {

class PesHeader {
 public:
  // What a byte completed, for the walker to act on.
  enum class Event : uint8_t {
    None,         // the byte was taken; nothing to do yet
    NotHeader,    // no header in progress: the byte is an ordinary one
    LengthKnown,  // packetLeft holds the length; navigation and skipped packets are the walker's
    Extension,    // the stream_id_extension byte (under FD): the walker names the stream, then calls afterExtension
    SubstreamId,  // the substream id byte: the walker routes it, then calls substreamHeader
    SubstreamHeaderDone,  // the first four substream bytes of an audio packet: the walker names its stream
    Payload,              // the header is over: the payload follows
  };

  // A start code of ours begins a new packet, whatever was in progress.
  void begin(PesKind kind) {
    kind_ = kind;
    stage_ = Stage::Length;
    wanted_ = 2;
    substreamAfterFields_ = false;
    hasPts = false;
  }
  // Stops the header here: a navigation or skipped packet, whose body is
  // the walker's.
  void stop() { stage_ = Stage::Idle; }

  Event step(uint8_t byte, uint32_t window);

  // The walker has routed the stream_id_extension.
  Event afterExtension();
  // The walker has routed the substream id: `headerBytes` in all (the id
  // included) come before the payload.
  Event substreamHeader(int headerBytes);
  // An audio substream named after its first four bytes: the rest of its header.
  Event restOfSubstreamHeader(int headerBytes);

  // A header taken whole: the packet length after it, the place of the last
  // header byte and of the stream_id_extension (-1: none), counted from the
  // first length byte, and the PTS.
  struct Whole {
    int32_t packetLeft = 0;
    int64_t last = 0;
    int64_t extensionAt = -1;
    bool hasPts = false;
    uint32_t pts = 0;
    bool scrambled = false;
  };
  // The whole header at once, right after begin(), when all of it lies in
  // the `available` bytes from the first length byte and it takes the
  // common form; the byte steps would find the same. False leaves the
  // header to step().
  bool parseWhole(const uint8_t* bytes, int64_t available, Whole& whole) const;
  // The header taken whole is over (and `more` bytes of the packet after
  // it, a substream header): the payload follows.
  void finishWhole(const Whole& whole, int more) {
    packetLeft = whole.packetLeft - more;
    hasPts = whole.hasPts;
    pts = whole.pts;
    scrambledSeen |= whole.scrambled;
    stage_ = Stage::Idle;
  }

  int32_t packetLeft = 0;  // bytes of the packet after the current one
  bool hasPts = false;     // the packet's header carried a PTS
  uint32_t pts = 0;        // and this was it
  // Some header had its PES_scrambling_control set (CSS): the payload is
  // encrypted. Kept over the walk.
  bool scrambledSeen = false;

 private:
  enum class Stage : uint8_t {
    Idle,
    Length,
    Fixed,
    Pts,
    PtsDts,
    ExtFlags,
    Pstd,
    Ext2,
    HeaderRest,
    Substream,
    SubstreamRest
  };

  Event fixedByte(uint8_t byte);
  Event timestampByte(uint8_t byte);
  Event afterTimestamp();
  Event extensionFlags(uint8_t byte);
  Event restOfFields();
  Event endOfHeader();
  Event enter(Stage stage, int32_t wanted) {
    stage_ = stage;
    wanted_ = wanted;
    return Event::None;
  }
  Event payload() {
    stage_ = Stage::Idle;
    return Event::Payload;
  }

  PesKind kind_ = PesKind::NotOurs;
  Stage stage_ = Stage::Idle;
  int32_t wanted_ = 0;      // bytes the stage still wants
  int32_t headerLeft_ = 0;  // PES_header_data_length still to come (negative when fields overran it)
  uint8_t flags2_ = 0;
  uint8_t extFlags_ = 0;
  // A header whose length byte is 0 under private stream 1 still reads the
  // fields its flags announce, then the substream header.
  bool substreamAfterFields_ = false;
  uint32_t accumulator_ = 0;
};

}  // namespace klarvex
