// The click handler of both upgrade buttons: the port shown in the list
// (saved when it is not yet), confirmation, checks, clearing stale markers,
// and arming the monitor.
#pragma once

#include "platform/system.h"
#include "state/globals.h"
#include "upgrade/monitor.h"
#include "window/main_window.h"

namespace vz {

void StartUpgrade(Globals& g, System& sys, MainWindow& window,
                  MonitorState& m);

}  // namespace vz
