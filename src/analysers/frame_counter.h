// Counts the frames of a video stream by their start codes: MPEG-2
// picture start code 00 00 01 00, H.264 access unit delimiter 00 00 01 09,
// VC-1 frame start code 00 00 01 0D.
//
// MPEG-2 counts what is displayed, so that film coded with soft 2:3
// pulldown gives its running time: every picture is two fields, and its
// picture coding extension (00 00 01 B5, identifier 8) may make it one
// field (a field picture) or three (a frame picture with
// repeat_first_field; in a progressive sequence it shows two or three whole
// frames instead, four or six fields). Frames are fields / 2, rounded
// down. A stream without field pictures and repeated fields, and MPEG-1,
// which has no extensions, counts one frame per picture start code.
//
// A stream reaches the counter in pieces (PES payloads, cut again at buffer
// ends). The last three bytes of each video stream are carried from one
// piece to the next, so a start code split between pieces is counted once,
// and a piece that merely begins with 01 00 is not a picture by itself; so
// are the bytes of an MPEG-2 extension that the piece's end cuts.
#pragma once

#include <cstdint>

#include "analysers/video_kind.h"

namespace klarvex {

struct FrameCounterCarry {
  // The stream's last three bytes in the low 24 bits; the start value
  // matches no start code prefix.
  uint32_t tail = 0xFFFFFF;
  // MPEG-2: fields shown by the pictures counted since the last clear; the
  // frames given so far are fields / 2.
  int64_t fields = 0;
  // MPEG-2: the first bytes after an extension start code cut by a piece's
  // end, and how many of the four looked at are still to come.
  uint32_t extension = 0;
  int extensionWanted = 0;
  bool pictureOpen = false;          // a picture start code awaits its coding extension
  bool progressiveSequence = false;  // progressive_sequence of the last sequence extension
  bool repeatedFields = false;       // a frame picture had repeat_first_field: soft pulldown

  void clear() { *this = FrameCounterCarry{}; }
  // The next file of a title: its bytes are not joined to the last file's,
  // but it goes on the same stream: an odd field left by the pictures
  // before pairs with the next one, as on screen, and what the stream's
  // sequence and pictures said stays.
  void nextFile() {
    FrameCounterCarry next;
    next.fields = fields & 1;
    next.progressiveSequence = progressiveSequence;
    next.repeatedFields = repeatedFields;
    *this = next;
  }
};

// Frames that the piece adds to the stream's count. For MPEG-2 this is -1
// when the extension that makes a picture counted in an earlier piece a
// field picture comes in this one; the running total never goes below
// what it was at the last clear.
int CountVideoFrames(const uint8_t* piece, int64_t count, VideoKind kind, FrameCounterCarry& carry);

}  // namespace klarvex
