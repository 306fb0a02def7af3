// The upgrade monitor: a small state machine advanced by the 500 ms ticks
// of Timer_Upgrade. It launches the uploader, waits while it runs, then
// follows the marker files it left, one phase per marker, each phase with a
// 10-second time-out.
#pragma once

#include <cstdint>

#include "app/globals.h"
#include "platform/system.h"
#include "ui/main_window.h"

namespace vz {

// Phases: 0 uploader running, 1 uploader gone, 2 stale erase heartbeat
// cleared, 3 erasing, 4 erased, 5 writing begun, 6 writing, 7 done.
struct MonitorState {
  std::uint8_t phase = 0;
  bool interactive = false;
  // Elapsed milliseconds (System::ElapsedMilliseconds) at which the phase
  // began or last saw a sign of life; the time-out counts from here.
  std::uint64_t phaseStartMs = 0;
  std::uint8_t progressSteps = 0;
};

// One tick of Timer_Upgrade.
void UpgradeTick(Globals& g, System& sys, MainWindow& window, MonitorState& m);

}  // namespace vz
