// Run-wide values that tie the streams to the title's time line and let the
// user stop a job. All 90 kHz values are 32-bit: bit 32 of a PES time stamp
// is dropped, and differences wrap modulo 2^32.
#pragma once

#include <cstdint>
#include <optional>

namespace klarvex {

struct VobIdentity {
  uint16_t vobNumber = 0;
  uint32_t startPtm = 0;
  bool operator==(const VobIdentity&) const = default;
};

struct RunState {
  bool StopRequested = false;
  bool WriteJobRunning = false;
  bool fastCheckStop = false;
  uint32_t minFirstPts = 0;    // 0xFFFFFFFF: no first PTS reported yet
  uint32_t firstPtm = 0;       // start PTM of the title (first navigation pack)
  uint32_t lastPtm = 0;        // VOB_V_E_PTM of the most recent file
  double totalSeconds = 0;     // presentation time over the files walked
  uint32_t titleDuration = 0;  // the same in 90 kHz ticks: where a rebuilt title ends
  double fileDuration = 0;     // most recent file's duration, in days
  // A navigation pack said the title is encrypted, or a packet's header
  // said its payload is scrambled: what a demux writes is of no use.
  bool encrypted = false;
  // The VOB of the previous file's first navigation pack: a DVD VOB split
  // over two files (VTS_01_1.VOB, VTS_01_2.VOB) must not count twice.
  std::optional<VobIdentity> previousFileVob;
};

}  // namespace klarvex
