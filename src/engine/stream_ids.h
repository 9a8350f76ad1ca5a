// Stream identities: which PES stream_id, VC-1 stream_id_extension or
// private stream 1 substream id is which kind of stream, in which section of
// the StreamTable, under which stream number. One table serves the walker,
// the stream boxes and every later renumbering.
#pragma once

#include <cstdint>
#include <string_view>

namespace klarvex {

enum class Section { Video, Audio, Subpicture };

enum class StreamKind {
  Mpeg2Video,     // stream_id E0, E1
  H264Video,      // stream_id E2, E3
  Vc1Video,       // stream_id_extension 55, 56 under stream_id FD
  Ac3,            // substream 80..87
  Dts,            // substream 88..8F
  Lpcm,           // substream A0..A7 (A1 in an AOB is MLP)
  TrueHd,         // substream B0..B7
  Eac3,           // substream C0..CF
  Subpicture,     // substream 20..3F
  ExtSubpicture,  // substream 60..7F
};

struct StreamIdentity {
  uint8_t first;           // id range, inclusive
  uint8_t last;
  StreamKind kind;
  Section section;
  uint8_t numberMask;      // stream number = id AND mask
  std::string_view found;  // read-mode message before the stream number
  std::string_view typeName;  // short name for the stream boxes
};

// The identity of a private stream 1 substream id, or nullptr.
const StreamIdentity* SubstreamIdentity(uint8_t id);
// The identity of a value held in `streamId` (any section), or nullptr.
const StreamIdentity* IdentityOfStreamId(int32_t streamId);

}  // namespace klarvex
