// Waiting for a condition by polling it, with a limit.
#pragma once

#include <windows.h>

namespace vz {

// The condition is looked at first and then every `stepMs` until it holds;
// false only once more than `limitMs` has passed with it false, so a slow
// machine costs time, never a verdict.
template <typename Fn>
bool WaitUntil(Fn&& condition, DWORD limitMs, DWORD stepMs = 20) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() - start > limitMs) return false;
    Sleep(stepMs);
  }
}

}  // namespace vz
