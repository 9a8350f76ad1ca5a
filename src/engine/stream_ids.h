// Stream identities: every fact about a stream id lives here. Which PES
// stream_id, VC-1 stream_id_extension or private stream 1 substream id is
// which kind of stream, in which section of the StreamTable, under which
// number, how long its substream header is, which analyser describes it,
// how the log and the boxes name it, and how a rebuild renumbers it. The
// walker, the rebuild pass, the captions and the listings all ask it; no
// other file knows an id range.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysers/dispatch.h"
#include "analysers/video_kind.h"

namespace klarvex {

enum class Section { Video, Audio, Subpicture };

enum class StreamKind {
  Mpeg2Video,     // stream_id E0, E1
  H264Video,      // stream_id E2, E3
  Vc1Video,       // stream_id_extension 55, 56 under stream_id FD
  Ac3,            // substream 80..87
  Dts,            // substream 88..8F
  Lpcm,           // substream A0..A7
  Mlp,            // substream A1 of a DVD-Audio AOB
  TrueHd,         // substream B0..B7
  Eac3,           // substream C0..CF
  Subpicture,     // substream 20..3F
  ExtSubpicture,  // substream 60..7F
};

// Where a stream's id is written in its packets.
enum class Carrier { PesStreamId, Vc1Extension, Substream };

struct StreamIdentity {
  uint8_t first;  // id range, inclusive
  uint8_t last;
  uint8_t numberBase;  // the id of stream number 0
  Carrier carrier;
  StreamKind kind;
  Section section;
  uint8_t substreamHeader;    // private stream 1 bytes before the payload, the id included
  AnalyserRoute route;        // the analyser of the first payload (none for subpictures)
  VideoKind videoKind;        // the frame counter's coding; None for audio and subpictures
  std::string_view found;     // read-mode message before the stream number
  std::string_view typeName;  // short name for the stream boxes and output files

  int number(uint8_t id) const { return id - numberBase; }
  // The id a rebuild gives the stream when it becomes number `n`.
  uint8_t idOfNumber(int n) const { return static_cast<uint8_t>(numberBase + n); }
};

// What a PES packet is, by its stream_id.
enum class PesKind {
  NotOurs,     // no start code the walker follows: an ordinary byte
  Video,       // E0..E3: an identity of its own
  Extended,    // FD: the stream_id_extension tells (VC-1)
  MpegAudio,   // C0..DF: MPEG audio, no box
  Private1,    // BD: a substream id follows the header
  Navigation,  // BF: private stream 2, the PCI/DSI or GCI of a navigation pack
  Skip,        // BC program stream map, BE padding
};

PesKind PesKindOf(uint8_t streamId);
// The system header's start code: a navigation pack's first packet.
inline constexpr uint8_t kSystemHeaderId = 0xBB;
// The identity of a PES video stream_id (E0..E3), or nullptr.
const StreamIdentity* PesVideoIdentity(uint8_t streamId);
// The identity of a stream_id_extension under FD (VC-1 55, 56), or nullptr.
const StreamIdentity* ExtensionIdentity(uint8_t extension);
// The coding a packet under FD is counted as until its extension names the
// stream (VC-1, the one coding HD DVD carries there).
const StreamIdentity& ExtendedStreamCoding();
// The identity of a private stream 1 substream id, or nullptr. In a
// DVD-Audio AOB, A1 is MLP.
const StreamIdentity* SubstreamIdentity(uint8_t id, bool aob = false);
// Whether a source of this extension (".AOB", any case) is DVD-Audio.
bool IsDvdAudioSource(const std::string& extension);
// Substream header bytes of an id without identity: its packets are passed
// over after them.
inline constexpr uint8_t kUnknownSubstreamHeader = 4;
// The identity of a value held in a slot's `streamId` (any section, as the
// boxes and listings name it), or nullptr; in a DVD-Audio AOB, A1 is MLP.
const StreamIdentity* IdentityOfStreamId(int32_t streamId, bool aob = false);

}  // namespace klarvex
