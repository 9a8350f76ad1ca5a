// What the walker needs from the program around it. Options are asked at
// each use, so a change the user makes while the walk runs takes effect at
// once, as a look at the control would.
#pragma once

#include <cstdint>
#include <string>

#include "base/message_log.h"
#include "engine/stream_ids.h"

namespace klarvex {

class WalkerHost {
 public:
  virtual ~WalkerHost() = default;

  virtual MessageLog& messages() = 0;

  virtual bool fastCheck() const = 0;        // "Fast EVO checking"
  virtual int64_t fastCheckMiB() const = 0;  // its size in mebibytes
  virtual bool countFrames() const = 0;      // "Count frames"
  virtual bool detailedInfo() const = 0;     // "Detailed info"
  virtual bool streamTicked(Section section, int number) const = 0;
  // Extension of the source path, dot included, as the user typed it.
  virtual std::string sourceExtension() const = 0;

  // Progress points: let the user interface handle pending events (Cancel).
  virtual void processEvents() = 0;
  virtual void repaint() = 0;
  virtual void setCancelEnabled(bool enabled) = 0;
  // Once per buffer: a front end whose stop request can't wait for the next
  // progress point (Ctrl-C on the command line) passes it on here.
  virtual void pollStop() {}

  // The walker passes over bytes outside packets without a step per byte;
  // true makes it step every byte (the reference its tests compare with).
  virtual bool scanEveryByte() const { return false; }
};

}  // namespace klarvex
