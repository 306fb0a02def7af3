// The click handler of both upgrade buttons: the port shown in the list
// (saved when it is not yet), confirmation, checks, clearing stale markers,
// and arming the monitor.
#pragma once

#include "app/globals.h"
#include "platform/system.h"
#include "ui/main_window.h"
#include "upgrade/monitor.h"

namespace vz {

void StartUpgrade(Globals& g, System& sys, MainWindow& window,
                  MonitorState& m);

}  // namespace vz
