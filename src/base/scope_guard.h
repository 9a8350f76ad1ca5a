// Clean-up tied to a scope: it runs on every way out (ScopeExit) or only
// when a failure passes through (OnFailure), and a new way out can't miss
// it. Clean-ups run from a destructor, so they must not throw.
#pragma once

#include <exception>
#include <utility>

namespace klarvex {

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F cleanUp) : cleanUp_(std::move(cleanUp)) {}
  ~ScopeExit() { cleanUp_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F cleanUp_;
};

template <typename F>
class OnFailure {
 public:
  explicit OnFailure(F cleanUp) : cleanUp_(std::move(cleanUp)), failuresBefore_(std::uncaught_exceptions()) {}
  ~OnFailure() {
    if (std::uncaught_exceptions() > failuresBefore_) cleanUp_();
  }
  OnFailure(const OnFailure&) = delete;
  OnFailure& operator=(const OnFailure&) = delete;

 private:
  F cleanUp_;
  int failuresBefore_;
};

}  // namespace klarvex
