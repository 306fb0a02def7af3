// The click handler of both upgrade buttons: the port shown in the list
// (saved when it is not yet), confirmation, checks, clearing stale markers,
// and arming the monitor.
#pragma once

#include "platform/system.h"
#include "state/globals.h"
#include "upgrade/monitor.h"
#include "window/main_window.h"

namespace vz {

void StartUpgrade(Globals& g, System& sys, MainWindow& window, MonitorState& m);

// A port chosen while this folder's uploader runs is not written: that
// uploader may be reading port.ini. The busy box is posted and the list
// shows the saved port again. True when the choice was held so.
bool HoldPortWhileUploaderRuns(Globals& g, System& sys, MainWindow& window);

}  // namespace vz
