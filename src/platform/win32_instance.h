// One copy of the program per folder: two copies in one folder would share
// port.ini, the uploader's markers and the log without knowing it. Copies
// in different folders run side by side.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_owned.h"

namespace vz {

// The folder in one spelling: its long name, upper case, one trailing
// backslash. Two paths to the same folder that differ only in letter case
// or an 8.3 short name give the same key.
std::wstring FolderKey(const std::wstring& folder);

class FolderInstance {
 public:
  // Takes the folder's named mutex for the life of this object (the
  // process): "Local\Vardolin_VaZuvovev-" and a hash of the folder's key.
  explicit FolderInstance(const std::wstring& folder);
  // False when another copy started from this folder holds it.
  bool first() const { return first_; }

 private:
  ScopedHandle mutex_;
  bool first_ = true;
};

// Brings the main window (of class `windowClass`) of the copy that runs
// from `folder` to the front, restoring it when minimised. Waits up to
// `timeoutMs` for a copy that is still starting; false when none was found.
bool BringCopyForward(const wchar_t* windowClass, const std::wstring& folder, DWORD timeoutMs);

}  // namespace vz
