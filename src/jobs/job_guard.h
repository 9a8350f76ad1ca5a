#pragma once

namespace klarvex {

// Keeps the flag that forbids a second job up while one runs: jobs share
// the source file, the stream table and the output files.
class JobGuard {
 public:
  explicit JobGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~JobGuard() { flag_ = false; }
  JobGuard(const JobGuard&) = delete;
  JobGuard& operator=(const JobGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace klarvex
