// How the main window can be found from outside the program: its window
// class and the numbering of its controls. The end-to-end driver and the
// start-up probes find the window by these.
#pragma once

#include "window/controls.h"

namespace vz {

inline constexpr wchar_t kMainWindowClass[] = L"VardolinMainWindow";
// Each control's window ID is this plus its Control value.
inline constexpr int kFirstControlId = 100;

constexpr int ControlId(Control c) { return kFirstControlId + static_cast<int>(c); }

}  // namespace vz
