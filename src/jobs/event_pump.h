// When a long pass lets the front end handle its events: by the clock, not
// by the bytes read, so that a window stays responsive on a source that
// reads 10 MB/s (an optical drive, a USB disk) as on one that reads 1 GB/s.
#pragma once

#include <chrono>
#include <functional>

namespace klarvex {

class EventPump {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // Well under the 100 ms a user notices: a block read after the pump may
  // still take its own time.
  static constexpr std::chrono::milliseconds kInterval{50};

  explicit EventPump(Clock clock = [] { return std::chrono::steady_clock::now(); }) : clock_(std::move(clock)) {
    last_ = clock_();
  }

  // True when kInterval has passed since the last time it was true (or
  // since restart()); the caller then handles the events.
  bool due() {
    const auto now = clock_();
    if (now - last_ < kInterval) return false;
    last_ = now;
    return true;
  }
  void restart() { last_ = clock_(); }
  void setClock(Clock clock) {
    clock_ = std::move(clock);
    restart();
  }

 private:
  Clock clock_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace klarvex
