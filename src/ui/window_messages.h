// Every timer of the main window and every message it posts to itself,
// numbered in this one place so that no two collide.
#pragma once

#include <windows.h>

#include "window/main_window.h"

namespace vz {

struct WindowTimer {
  UINT_PTR id;
  UINT intervalMs;
};

// The upgrade's tick (SetUpgradeTimer).
inline constexpr WindowTimer kUpgradeTimer{1, kUpgradeTickMs};
// Polls for the moment a posted message box may be shown.
inline constexpr WindowTimer kPostedMessageTimer{3, 50};
// The tick while device changes settle (SetDeviceSettleTimer).
inline constexpr WindowTimer kDeviceSettleTimer{4, kDeviceSettleTickMs};

// Sets a list's text that was set while the list reported a choice; wParam
// is the control.
inline constexpr UINT kDeferredListTextMsg = WM_APP + 1;
// The background job is done.
inline constexpr UINT kJobDoneMessage = WM_APP + 11;
// The port list's drop-down has closed (posted, so that a choice it reports
// comes first).
inline constexpr UINT kPortListClosedMessage = WM_APP + 12;

}  // namespace vz
