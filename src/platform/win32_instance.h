// One copy of the program per folder: two copies in one folder would share
// port.ini, the uploader's markers and the log without knowing it. Copies
// in different folders run side by side.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_owned.h"

namespace vz {

// The name of the folder's mutex. It is made from the folder's identity
// (volume serial number and file index), so that every path to the folder
// (a mapped drive and its share name, a link) gives the same name; only
// where the system gives no identity, from the folder's key. "Global\":
// copies of two Windows users, or sessions, in one folder are one too.
std::wstring FolderMutexName(const std::wstring& folder);

class FolderInstance {
 public:
  // Takes the folder's named mutex, for the life of this object (the
  // process) once it holds it.
  explicit FolderInstance(const std::wstring& folder);
  // False while another copy holds the mutex, or has made it so that this
  // copy may not open it (run as administrator, or by another user).
  bool first() const { return first_; }
  // Tries again; true once this copy holds the mutex (the other copy has
  // ended meanwhile).
  bool TryTake();

 private:
  std::wstring name_;
  ScopedHandle mutex_;
  bool first_ = false;
};

// What a second copy's wait for the first copy came to.
enum class FirstCopy {
  BroughtForward,  // its window is restored and in front
  Ended,           // it ended meanwhile: this copy now holds the folder
  NotReached,      // no window of it turned up, or it would not come forward
};

// Looks, up to `timeoutMs`, for the main window (of class `windowClass`)
// of the copy that runs from `folder`, trying the mutex again meanwhile,
// and brings the window to the front without waiting on it.
FirstCopy WaitForFirstCopy(FolderInstance& self, const wchar_t* windowClass,
                           const std::wstring& folder, DWORD timeoutMs);

}  // namespace vz
