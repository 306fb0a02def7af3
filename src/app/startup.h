// The start-up sequence and the serial-port probe.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"
#include "state/globals.h"
#include "window/main_window.h"

namespace vz {

// Resizes `available` to 0..255, all false, and sets entry n when port n
// can be opened. Entry 0 is never probed; the ports in `unopened` (the
// Bluetooth links) are set without an open.
void ProbeComPorts(System& sys, std::vector<bool>& available, const std::set<int>& unopened = {});

// The executable's directory with exactly one trailing backslash.
std::wstring ProgramDirFrom(const std::wstring& executableDir);

// Runs the whole start-up: directories, language and texts, the window
// (made hidden by createMainWindow) with its captions, the two lists, the flag,
// and showing the window centred on the screen.
void RunProgram(Globals& g, System& sys, const std::function<MainWindow&()>& createMainWindow);

}  // namespace vz
