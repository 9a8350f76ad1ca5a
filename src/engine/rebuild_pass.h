// The pack-level pass of the Rebuild job: copies the packs of the source
// open in `engine.input` to the output, leaves out those of streams whose
// box is not ticked, numbers the kept streams densely in box order, makes
// every navigation pack tell what the title holds now, and with "Adjust PTS
// of the EVOs to follow" moves the time stamps of a file that does not
// continue the ones before it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/message_log.h"
#include "base/output_file.h"
#include "engine/block_reader.h"
#include "engine/engine.h"
#include "engine/navigation_pack.h"
#include "engine/stream_ids.h"

namespace klarvex {

// What the pass needs from the program around it. Options are asked at each
// use, as the walker asks its own.
class RebuildHost {
 public:
  virtual ~RebuildHost() = default;

  virtual MessageLog& messages() = 0;
  virtual bool streamTicked(Section section, int number) const = 0;
  virtual bool rebuildAdvancedPacks() const = 0;  // "Rebuild ADV_PCKs"
  virtual bool adjustPts() const = 0;             // "Adjust PTS of the EVOs to follow"

  // Progress points: let the user interface handle pending events (Cancel).
  virtual void processEvents() = 0;
  virtual void setCancelEnabled(bool enabled) = 0;
  // Once per block: a stop request that can't wait for a progress point.
  virtual void pollStop() {}
};

struct PackId;

// One object serves every file of a title: the numbering and the time line
// live as long as the job, so all files come out alike.
class RebuildPass {
 public:
  RebuildPass(Engine& engine, RebuildHost& host, OutputFile& output);

  // The open file `name`, from the input's position to its end or until the
  // user stops.
  void pass(const std::string& name);

 private:
  bool dropped(Section section, uint8_t id) const;
  void assign(int32_t id, uint8_t newId, uint8_t& counter);
  void fixNumbering();

  void processBlock(const Block& block);
  void processPack(uint8_t* pack, int64_t n);
  void noteFileStart(const uint8_t* pack);
  bool keepPack(const PackId& id) const;
  void renumber(uint8_t* pack, const PackId& id) const;
  void rewriteNavigation(uint8_t* pack, int64_t n);
  void shiftTimes(uint8_t* pack, int64_t n, uint8_t c) const;

  Engine& engine_;
  RebuildHost& host_;
  OutputFile& output_;
  ReadBuffer block_;  // its own: the packs are patched in place

  // Fixed at the job's first navigation pack.
  std::array<uint8_t, 256> renumberMap_{};
  uint8_t videoCount_ = 0, audioCount_ = 0, subCount_ = 0;
  bool numberingFixed_ = false;

  // The title's time line for "Adjust PTS of the EVOs to follow".
  int filesDone_ = 0;
  uint32_t firstFileStart_ = 0;
  uint32_t durationsBefore_ = 0;  // of the files already rebuilt in this job
  uint32_t shift_ = 0;            // for the file in hand

  std::string name_;
  ProgressClock progress_;
};

}  // namespace klarvex
