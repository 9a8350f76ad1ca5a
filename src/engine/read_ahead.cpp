#include "engine/read_ahead.h"

#include <system_error>

namespace klarvex {

ReadAhead::ReadAhead(const InputFile& input) : input_(input) {
  try {
    thread_ = std::thread([this] { work(); });
  } catch (const std::system_error&) {
    // No thread to spare: every block is read in turn.
  }
}

ReadAhead::~ReadAhead() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !requested_; });  // the buffer is the walker's again
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ReadAhead::request(uint8_t* into, int64_t count, int64_t position) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    into_ = into;
    count_ = count;
    position_ = position;
    requested_ = true;
    done_ = false;
  }
  pending_ = true;
  changed_.notify_all();
}

int64_t ReadAhead::take(int& error) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return done_; });
  done_ = false;
  pending_ = false;
  error = error_;
  return got_;
}

void ReadAhead::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return requested_ || quit_; });
    if (quit_) return;
    uint8_t* into = into_;
    const int64_t count = count_, position = position_;
    lock.unlock();
    int error = 0;
    const int64_t got = input_.readAt(into, count, position, error);
    lock.lock();
    got_ = got;
    error_ = error;
    requested_ = false;
    done_ = true;
    changed_.notify_all();
  }
}

}  // namespace klarvex
