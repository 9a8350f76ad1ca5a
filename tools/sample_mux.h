// A small program-stream muxer for the bundled sample title and the
// benchmark title: cuts elementary streams into access units, stamps them,
// packs them into 2048-byte packs in decode-time order with a navigation
// pack in front of every VOBU, and fills the substream headers (frame count,
// first access unit pointer) and the DSI sync tables the way authoring
// tools do. Pack assembly itself is ProgramStreamWriter's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ps_writer.h"

namespace klarvex::sample {

using testing::Bytes;
using testing::Flavor;

// 90 kHz ticks per second.
inline constexpr int64_t kClock = 90000;

// Whole file into memory; throws std::runtime_error naming the file and the reason.
Bytes ReadWholeFile(const std::string& path);

// Picture duration as a fraction of 90 kHz ticks (24000/1001 fps: 15015/4).
struct FrameDuration {
  int64_t num;
  int64_t den;
  // Start of picture n, rounded to the nearest tick; monotonic in n, also
  // for negative n (decode times ahead of the first presentation).
  int64_t at(int64_t n) const;
};
inline constexpr FrameDuration kFilm{15015, 4};  // 24000/1001
inline constexpr FrameDuration kNtsc{3003, 1};   // 30000/1001

// One access unit (picture, audio frame, LPCM frame, subpicture unit).
struct Unit {
  size_t offset = 0;   // first byte in Clip::data
  int64_t pts = 0;     // 90 kHz, relative to the clip's start
  int64_t dts = 0;     // equal to pts unless pictures are reordered
  bool entry = false;  // random access point: a VOBU may start here
};

// An elementary stream cut into access units; units are in stream order
// and the first starts at offset 0.
struct Clip {
  Bytes data;
  std::vector<Unit> units;
  int64_t duration = 0;  // ticks from the first presentation to the end of the last unit
};

// Cutters. Each throws std::runtime_error if the stream does not parse.
Clip CutVc1(Bytes data, FrameDuration frame);    // AU from sequence/entry/frame start code
Clip CutMpeg2(Bytes data, FrameDuration frame);  // AU from sequence/GOP/picture start code
Clip CutH264(Bytes data, FrameDuration frame);   // AU from access unit delimiter
Clip CutAc3(Bytes data);  // AC-3 and E-AC-3 sync frames (dependent E-AC-3 frames join the AU before)
Clip CutDts(Bytes data);  // DTS core frames
Clip CutMlp(Bytes data);  // MLP / TrueHD access units (1/1200 s each)
Clip CutLpcm(Bytes data, int sampleRate, int bytesPerSampleFrame);  // 1/600 s frames
Clip SubpictureClip(Bytes unit, int64_t pts);

// Reads `path` and cuts it with `cutter(bytes, args...)`; a failure names the file.
template <typename Cutter, typename... Args>
Clip CutFile(const std::string& path, Cutter cutter, Args... args) {
  Bytes data = ReadWholeFile(path);
  try {
    return cutter(std::move(data), args...);
  } catch (const std::runtime_error& error) {
    throw std::runtime_error("cannot use '" + path + "': " + error.what());
  }
}

// `loop` appended to `into` with its times moved by `shift` ticks.
void AppendClip(Clip& into, const Clip& loop, int64_t shift);

enum class Carriage {
  Video,       // stream_id E0..EF
  Vc1,         // stream_id FD with stream_id_extension
  Audio,       // private stream 1: id, frame count, first AU pointer
  Lpcm,        // ... plus the 3-byte LPCM header (also MLP in an AOB)
  TrueHd,      // ... plus one reserved byte
  Subpicture,  // private stream 1: id only
};

struct Track {
  Carriage carriage = Carriage::Audio;
  uint8_t id = 0;                                       // stream_id, stream_id_extension or substream id
  Clip clip;                                            // absolute times
  std::array<uint8_t, 3> lpcmHeader{0x00, 0x01, 0x80};  // 16-bit, 48 kHz, 2 ch, no DRC
  bool lpcmFrameNumber = true;                          // audio frame number in the header's first byte (LPCM, not MLP)
  size_t align = 1;           // payload pieces are whole multiples of this (LPCM sample frames)
  bool withDts = false;       // PTS+DTS on every stamped packet
  bool main = false;          // the video whose entry points start VOBUs
  int audioNumber = -1;       // DSI audio sync table entry
  int subpictureNumber = -1;  // DSI subpicture sync table entry
};

struct MuxSettings {
  bool navPacks = true;                                   // a navigation pack in front of each VOBU of the main video
  testing::NavPackInfo nav;                               // VOB number, PTMs, bounds; sync tables are filled per pack
  std::optional<testing::NavPackInfo> systemHeaderFirst;  // AOB: a system header pack first
  // ADV_PCKs, each right behind the navigation pack of VOBU number `first` (0-based).
  std::vector<std::pair<size_t, Bytes>> advPacks;
  int64_t scrLead = kClock / 4;  // packs arrive this long before their decode time
};

// Appends all tracks' packs to `out`. `lastScr` is the SCR (27 MHz) of the
// pack before, carried between calls so a title written in pieces keeps a
// rising clock; empty for the first piece.
void Mux(testing::ProgramStreamWriter& out, const std::vector<Track>& tracks, const MuxSettings& settings,
         std::optional<uint64_t>& lastScr);

}  // namespace klarvex::sample
