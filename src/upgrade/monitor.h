// The upgrade monitor: a small state machine advanced by the ticks of the
// upgrade timer. It launches the uploader, waits while it runs, then
// follows the marker files it left, one phase per marker, each phase with a
// 10-second time-out.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/system.h"
#include "state/globals.h"
#include "upgrade/process_lookup.h"
#include "window/main_window.h"

namespace vz {

// The phases of a run, in order. The numbers are part of what the
// technician sees: a time-out message names the phase that failed by its
// number.
enum class Phase : std::uint8_t {
  UploaderRunning = 0,     // launched (or about to be); waiting while it runs
  UploaderGone = 1,        // the uploader has ended
  ClearingStaleErase = 2,  // an erase heartbeat from before is removed
  Erasing = 3,             // waiting for the erase to finish
  Erased = 4,              // waiting for writing to begin
  WritingBegun = 5,        // waiting for the first write heartbeat
  Writing = 6,             // each heartbeat moves the bar one step
  Done = 7,                // the uploader reported success
};

struct MonitorState {
  Phase phase = Phase::UploaderRunning;
  // Elapsed milliseconds (System::ElapsedMilliseconds) at which the phase
  // began or last saw a sign of life; the time-out counts from here.
  std::uint64_t phaseStartMs = 0;
  std::uint8_t progressSteps = 0;
  // A process list that could not be read has been told in this run.
  bool lookupFailureTold = false;
  // The run holds the port list, locked: from the confirmation question
  // until the start is refused or the monitor gives it back. No port is
  // probed meanwhile: the probe's worker thread looks at this flag before
  // each open. A successful run ends the program still holding it.
  std::shared_ptr<std::atomic<bool>> runUnderWay = std::make_shared<std::atomic<bool>>(false);
  // An upgrade click is being handled (its question, checks and pumps): a
  // second click meanwhile is dropped.
  bool starting = false;
  // A run is followed: from its start until the log has told how it ended.
  bool following = false;
  // The run needs the PC: from the question's Yes until the start is given
  // back or the run's end line is written. A close asks first, and Windows
  // may not shut down, log off or sleep.
  bool guarded = false;
  // The question whether to close during a run is open: ticks wait (the
  // phase clock goes on), and a further close request is dropped.
  bool closeAsked = false;
  // The run's port, from the question's Yes; and whether Windows said it
  // went during the run (an adapter pulled out).
  std::uint8_t port = 0;
  bool portRemoved = false;
  // The port the port list's probe is opening at the moment (0: none),
  // published by its worker so that a start that waits on it can name it.
  std::shared_ptr<std::atomic<int>> portInProbe = std::make_shared<std::atomic<int>>(0);
  // The uploader this run launched, until phase 0 has seen it gone.
  std::unique_ptr<StartedProgram> uploader;
  // How that uploader ended, once phase 0 has seen it gone (nullopt before,
  // or when the system could not tell); a time-out names a failure.
  std::optional<std::uint32_t> uploaderExitCode;
};

// Tells, once per run, that the process list could not be read (the log;
// a box too for a run-time error).
void TellLookupFailure(Globals& g, System& sys, MainWindow& w, MonitorState& m,
                       const ProcessLookup& lookup);

// One tick of the upgrade timer.
void UpgradeTick(Globals& g, System& sys, MainWindow& window, MonitorState& m);

// Shows what the run is doing in the status lines, in the language of the
// moment: the transfer while the uploader runs, the writing once it has
// gone, and the warning not to switch the register off.
void ShowRunStatus(const Globals& g, MainWindow& window, const MonitorState& m);

// Holds the PC for the run from the question's Yes on (see
// MonitorState::guarded), or lets it go.
void GuardRun(const Globals& g, MainWindow& window, MonitorState& m, bool on);

// The technician asks to close the window: during a run, only a Yes to the
// warning closes it; a request while the warning is open is dropped; once
// the firmware is loaded it closes. True when it may close.
bool MayCloseWindow(const Globals& g, MainWindow& window, MonitorState& m);

// The window is going away. A run still followed ends here, in the log; the
// uploader is left running.
void OnWindowClosing(Globals& g, System& sys, MainWindow& window, MonitorState& m);

// Windows may end its session only while no run needs the PC.
bool MaySessionEnd(const MonitorState& m);
// Windows ends its session: a run still followed ends here, in the log,
// before the process goes.
void OnSessionEnding(Globals& g, System& sys, MainWindow& window, MonitorState& m);

// Windows announced that a serial port went or came: the run's port is
// noted in the log, and a time-out then names its removal.
void OnRunPortChange(const Globals& g, System& sys, MonitorState& m, int port, bool arrived);

}  // namespace vz
