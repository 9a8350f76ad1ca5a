// Reads the source's next block on a thread of its own while the walker
// walks the current one, so the copy out of the page cache and the walk
// overlap. The stream's position moves only when the walker takes a block;
// a block read ahead and not taken (a stop, the fast check's end) is simply
// dropped.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "base/input_file.h"

namespace klarvex {

class ReadAhead {
 public:
  explicit ReadAhead(const InputFile& input);
  ~ReadAhead();  // waits for a read on its way
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // False when no thread could be started: the walker reads as before.
  bool usable() const { return thread_.joinable(); }
  // Starts reading `count` bytes at `position` into `into`.
  void request(uint8_t* into, int64_t count, int64_t position);
  bool pending() const { return pending_; }
  int64_t requestedPosition() const { return position_; }
  // Waits for the read requested: the bytes read, or -1 with `error`.
  int64_t take(int& error);

 private:
  void work();

  const InputFile& input_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool requested_ = false, done_ = false, quit_ = false;
  bool pending_ = false;  // the walker's side: a request not yet taken
  uint8_t* into_ = nullptr;
  int64_t count_ = 0, position_ = 0, got_ = 0;
  int error_ = 0;
  std::thread thread_;
};

}  // namespace klarvex
