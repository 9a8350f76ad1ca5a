// The record of which elementary streams a source holds: 64 entries
// numbered 1 to 64 in three sections (video 1-16, of which streams 0 and 1
// are used; audio 17-32; subpicture 33-64).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysers/frame_counter.h"
#include "analysers/stream_facts.h"
#include "engine/stream_ids.h"

namespace klarvex {

class StreamSink;

struct StreamSlot {
  int32_t streamId = 0;        // -1: no stream seen; 1: announced by the playlist
  bool detailsShown = false;   // first payload reported in this walk
  std::string_view foundText;  // read mode: the "found" line before its number, until logged
  StreamSink* sink = nullptr;  // demux output, owned by the Demux job
  int32_t frameCount = 0;      // video: pictures counted
  double frameRate = 0;        // video: set by the analysers, kept until set again
  // The first PTS reported for the stream in the last read (for listings).
  bool firstPtsKnown = false;
  uint32_t firstPts = 0;
  FrameCounterCarry counterCarry;  // video: bytes carried between payload pieces
  // What the analyser said of the stream in the last read (tags removed),
  // and the audio format it found (0 where it found none).
  std::vector<std::string> description;
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
  // Everything the analyser found, as values; kept with the description.
  StreamFacts facts;
};

class StreamTable {
 public:
  static constexpr int kEntries = 64;
  static constexpr int kVideoBase = 1, kAudioBase = 17, kSubpictureBase = 33;
  static constexpr int kVideoStreams = 2, kAudioStreams = 16, kSubpictureStreams = 32;

  StreamSlot& entry(int number) { return entries_[static_cast<size_t>(number)]; }
  const StreamSlot& entry(int number) const { return entries_[static_cast<size_t>(number)]; }
  StreamSlot& video(int n) { return entry(kVideoBase + n); }
  StreamSlot& audio(int n) { return entry(kAudioBase + n); }
  StreamSlot& subpicture(int n) { return entry(kSubpictureBase + n); }
  const StreamSlot& video(int n) const { return entry(kVideoBase + n); }
  const StreamSlot& audio(int n) const { return entry(kAudioBase + n); }
  const StreamSlot& subpicture(int n) const { return entry(kSubpictureBase + n); }
  static int streamsIn(Section section) {
    return section == Section::Video ? kVideoStreams : section == Section::Audio ? kAudioStreams : kSubpictureStreams;
  }
  // The entry number of stream `n` of a section.
  static int entryNumber(Section section, int n);
  StreamSlot& slot(Section section, int n);
  const StreamSlot& slot(Section section, int n) const;

  // Start of a walk: every streamId -1, details and first PTS not yet seen,
  // the counter's carried bytes cleared (a walk is one file of a title).
  void resetForWalk();
  // Start of a job that counts frames: both video counts 0, nothing carried.
  void resetFrameCounts();

  // A title is read file by file, and the walker rebuilds the table for
  // each; the title holds every stream found in any of its files. After a
  // file: a stream the title lacks is added with what this file said of it
  // (id, first PTS, description, format, facts); a stream whose first PTS
  // the title lacks takes this file's, one whose description it lacks this
  // file's description, format and facts.
  void addFileStreams(const StreamTable& file);
  // What the title found of each stream, back into the table that the
  // last walk left; counts, rates, carries and output files stay.
  void takeStreamFacts(const StreamTable& title);

 private:
  std::array<StreamSlot, kEntries + 1> entries_{};  // [0] unused: entries count from 1
};

}  // namespace klarvex
