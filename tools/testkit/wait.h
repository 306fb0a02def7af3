// Waiting for a condition: the tests, the tools and the benchmarks poll for
// a whole state and never sleep for one.
#pragma once

#include <windows.h>

#include <utility>

namespace vz::test {

// Rule: the condition is looked at first and then every `stepMs` until it
// holds; false only once more than `timeoutMs` (GetTickCount, wrap-safe)
// passed with it false, so a slow machine only costs time, never a verdict.
template <typename Fn>
bool WaitUntil(Fn&& condition, DWORD timeoutMs, DWORD stepMs = 20) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(stepMs);
  }
}

// True when the condition stays false for the whole of `ms`: the check that
// nothing happens ("no change within N s").
template <typename Fn>
bool NoChangeWithin(Fn&& happened, DWORD ms) {
  return !WaitUntil(std::forward<Fn>(happened), ms);
}

}  // namespace vz::test
