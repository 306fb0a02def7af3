// Looking a process up by executable name, and the blocking pause.
#pragma once

#include <string_view>

#include "platform/system.h"
#include "window/main_window.h"

namespace vz {

// True when a running process's executable name ends with `name`, letter
// case ignored (so a full path, or extra characters in front, still match).
// An unexpected failure is shown in a message box and answers false.
bool IsProcessRunning(System& sys, MainWindow& window, std::wstring_view name);

// Blocks for seconds x 1000 ms, rounded; window events wait meanwhile.
void WaitSeconds(System& sys, double seconds);

}  // namespace vz
