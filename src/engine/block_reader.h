// The loop of every long read: a file from where it stands to its end, one
// ReadBuffer at a time, and the progress text with the remaining time that
// the passes over a source show every 4 MiB.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "base/input_file.h"
#include "base/text_format.h"
#include "engine/read_buffer.h"

namespace klarvex {

// One read of the loop: where it began in the file, the bytes it loaded
// into the buffer, and the file's size just before it.
struct Block {
  int64_t start = 0;
  int64_t loaded = 0;
  int64_t size = 0;
  int64_t end() const { return start + loaded; }
};

// Fills `buffer` from `input` block after block and hands each block to
// `take`. The file's size is asked again whenever the next read may reach
// the size last seen (a file may still grow; asking before every read costs
// a system call a block for nothing). The loop ends at the end of the file,
// when `stopped()` says so, or when a read finds nothing (the file shrank
// under us).
template <typename Stopped, typename Take>
void ReadBlocks(InputFile& input, ReadBuffer& buffer, Stopped&& stopped, Take&& take) {
  int64_t size = input.size();
  for (;;) {
    if (input.position() + ReadBuffer::kSize >= size) size = input.size();
    if (input.position() >= size || stopped()) return;
    const int64_t start = input.position();
    if (buffer.fill(input) <= 0) return;
    take(Block{start, buffer.loaded, size});
  }
}

// The clock of a pass over a source: its progress text at every 4 MiB of
// the file, "412/8191 Mbytes, Remaining time: 0:00:09", the remaining time
// estimated from the time since start().
class ProgressClock {
 public:
  static constexpr int64_t kStep = 4 * kMiB;

  void start() { start_ = std::chrono::steady_clock::now(); }
  // The text at a progress point; nothing elsewhere.
  std::optional<std::string> textAt(int64_t position, int64_t size) const {
    if (position % kStep != 0) return std::nullopt;
    return ProgressText(position, size, DaysSince(start_));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace klarvex
