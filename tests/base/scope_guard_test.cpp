#include "base/scope_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace klarvex {
namespace {

// The clean-ups that ran when a scope holding both guards was left.
std::string CleanUpsOnLeaving(bool byFailure) {
  std::string ran;
  try {
    ScopeExit always([&ran] { ran += "exit "; });
    OnFailure onlyOnFailure([&ran] { ran += "failure "; });
    if (byFailure) throw std::runtime_error("failed");
  } catch (const std::runtime_error&) {
  }
  return ran;
}

TEST(ScopeGuard, ExitRunsOnEveryWayOutAndFailureOnlyOnAFailureInReverseOrder) {
  EXPECT_EQ(CleanUpsOnLeaving(false), "exit ");
  EXPECT_EQ(CleanUpsOnLeaving(true), "failure exit ");
}

// A scope left normally while an earlier failure unwinds (a clean-up in a
// destructor) is no failure of its own.
TEST(ScopeGuard, FailureGuardInsideAnUnwindingDestructorRunsOnlyOnItsOwnFailure) {
  std::string ran;
  struct CleansUpOnDestruction {
    std::string& ran;
    ~CleansUpOnDestruction() { ran += CleanUpsOnLeaving(false); }
  };
  try {
    CleansUpOnDestruction object{ran};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(ran, "exit ");
}

}  // namespace
}  // namespace klarvex
