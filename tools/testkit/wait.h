// Waiting for a condition: the tests, the tools and the benchmarks poll for
// a whole state and never sleep for one.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/win32_wait.h"

namespace vz::test {

using vz::WaitUntil;

// True when the condition stays false for the whole of `ms`: the check that
// nothing happens ("no change within N s").
template <typename Fn>
bool NoChangeWithin(Fn&& happened, DWORD ms) {
  return !WaitUntil(std::forward<Fn>(happened), ms);
}

}  // namespace vz::test
