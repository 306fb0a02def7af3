// Looking a process up by executable name, and the blocking pause.
#pragma once

#include <string>
#include <string_view>

#include "platform/system.h"

namespace vz {

enum class ProcessState {
  Running,
  NotRunning,  // the whole list was read and does not hold it
  Unknown,     // the list could not be taken or read
};

struct ProcessLookup {
  ProcessState state = ProcessState::Unknown;
  // Why it is unknown: the system's error number, a blank and its text, or
  // the text alone of a run-time error.
  std::wstring reason;
  bool runtimeError = false;
};

// Whether a running process's executable name ends with `name`, letter case
// ignored (so a full path, or extra characters in front, still match), in
// any folder.
ProcessLookup LookUpProcess(System& sys, std::wstring_view name);

// Whether a process whose file name is `name` (letter case ignored) runs
// from `folder`, the same folder by the system's identity whatever path
// reaches it. A process whose program cannot be read counts when it runs
// in this Windows session: it may be this folder's.
ProcessLookup LookUpProcessIn(System& sys, std::wstring_view name, const std::wstring& folder);

// Blocks for seconds x 1000 ms, rounded; window events wait meanwhile.
void WaitSeconds(System& sys, double seconds);

}  // namespace vz
