// Owns a kernel handle and closes it once.
#pragma once

#include <windows.h>

namespace vz {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  // Some calls fail with INVALID_HANDLE_VALUE (CreateFileW), others with
  // NULL (OpenProcess, CreateEventW); both count as no handle, whatever the
  // callers of today happen to pass.
  // cppcheck-suppress knownConditionTrueFalse
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  // Closes now; false when CloseHandle failed.
  bool Close() {
    if (!valid()) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != FALSE;
  }

 private:
  HANDLE h_;
};

}  // namespace vz
