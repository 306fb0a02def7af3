#include "upgrade/monitor.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>

#include "log/event_log.h"
#include "port/port_choice.h"
#include "upgrade/process_lookup.h"
#include "uploader/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

struct Tick {
  Globals& g;
  System& sys;
  MainWindow& w;
  MonitorState& m;

  std::uint64_t Now() { return sys.ElapsedMilliseconds(); }
  bool Exists(const wchar_t* marker) { return sys.FileExists(g.programDir, marker); }
  void Remove(const wchar_t* marker) {
    // A marker the uploader still holds stays; it is simply seen again.
    (void)sys.RemoveFile(g.programDir + marker);
  }
  // A tick whose handler restarted the phase clock saw a sign of life, and
  // is not judged for a time-out.
  bool signOfLife = false;
  void RestartClock() {
    m.phaseStartMs = Now();
    signOfLife = true;
  }
  void Enter(Phase phase) {
    RestartClock();
    m.phase = phase;
  }

  // False when the uploader could not be started and the run has ended.
  bool LaunchAndWait() {
    if (!g.uploaderStarted) {
      m.uploaderExitCode.reset();
      // Started by its full path, so nothing else on the machine can stand
      // in for it.
      StartResult started = sys.StartProgram(g.downloadDir + kProgramFile);
      if (started.error != 0) {
        NotStarted(started.error);
        return false;
      }
      m.uploader = std::move(started.program);
      WriteLog(sys, g.programDir, kLogUploaderRun);
      g.uploaderStarted = true;
      WaitSeconds(sys, kPauseAfterLaunchSeconds);
    }
    const ProcessLookup uploader = LookUpProcess(sys, kProcessName);
    switch (uploader.state) {
      case ProcessState::Running:
        break;
      case ProcessState::NotRunning:
        m.phase = Phase::UploaderGone;
        TellUploaderEnded();
        break;
      // Not known is not ended: the uploader may still be writing. The
      // next tick looks again.
      case ProcessState::Unknown:
        TellLookupFailure(g, sys, w, m, uploader);
        break;
    }
    RestartClock();
    return true;
  }

  // How the uploader this run launched ended, for support: the verdict
  // stays with the markers.
  void TellUploaderEnded() {
    if (!m.uploader) return;
    const std::optional<std::uint32_t> code = m.uploader->ExitCode();
    m.uploader.reset();
    m.uploaderExitCode = code;
    WriteLog(sys, g.programDir,
             kLogUploaderEnded + (code ? std::to_wstring(*code) : std::wstring(L"unknown")));
  }

  // "Up_Loader.exe: exit code 2"; a system status (a crash) in hex, with
  // the system's text of the error it stands for.
  std::wstring ExitCodeLine(std::uint32_t code) {
    if (code < kSystemStatusFloor) return kExitCodeLine + std::to_wstring(code);
    // Not a string stream: it would bring the C++ library's locales into
    // the program, doubling its size.
    wchar_t hex[16];
    std::swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
    std::wstring line = kExitCodeLine + std::wstring(hex);
    if (const std::uint32_t error = sys.ErrorOfStatus(code)) {
      line += L" " + sys.ErrorText(error, kProgramFile);
    }
    return line;
  }

  // The run's last line in the log; the run is no longer followed, and no
  // longer holds the PC.
  void EndRun(const std::wstring& line) {
    WriteLog(sys, g.programDir, line);
    m.following = false;
    GuardRun(g, w, m, false);
  }

  // Told at once: waiting for markers would only end in a time-out that
  // blames the register.
  void NotStarted(std::uint32_t error) {
    const std::wstring reason = sys.ErrorText(error, kProgramFile);
    EndRun(kLogUploaderNotStarted + std::to_wstring(error) + L" " + reason);
    w.ShowOnTaskbar(TaskbarState::Failed, 0, 0);
    w.ShowMessage(std::wstring(kProgramFile) + L": " + reason, MessageKind::Error);
    // Still the first phase with nothing started: the next start launches again.
    GiveBackTheStart();
  }

  void WaitForErase() {
    if (Exists(kErase)) {
      Enter(Phase::Erased);
    } else if (Exists(kErasing)) {
      RestartClock();
      Remove(kErasing);
    }
  }

  void FollowWriting() {
    if (Exists(kWriteOk)) {
      Enter(Phase::Done);
    } else if (Exists(kWriting)) {
      RestartClock();
      Remove(kWriting);
      if (m.progressSteps < kMaxProgressSteps) ++m.progressSteps;
      ShowBar(m.progressSteps);
    }
  }

  // The bar, and its fraction on the taskbar button; the bar's event pump
  // comes last.
  void ShowBar(int steps) {
    w.ShowOnTaskbar(TaskbarState::Progress, std::min(steps, kProgressScale), kProgressScale);
    w.ShowProgress(steps, kProgressScale);
  }

  // Runs the handler of the current phase; false when the program or the
  // run ended.
  bool RunPhase() {
    switch (m.phase) {
      case Phase::UploaderRunning:
        return LaunchAndWait();
      case Phase::UploaderGone:
        Enter(Phase::ClearingStaleErase);
        break;
      case Phase::ClearingStaleErase:
        m.phase = Phase::Erasing;
        if (Exists(kErasing)) Remove(kErasing);  // stale from before
        RestartClock();
        break;
      case Phase::Erasing:
        WaitForErase();
        break;
      case Phase::Erased:
        if (Exists(kWrite)) Enter(Phase::WritingBegun);
        break;
      case Phase::WritingBegun:
        if (Exists(kWriting)) {
          Enter(Phase::Writing);
          m.progressSteps = 1;
          // The bar shows, still empty: the first heartbeat fills it.
          ShowBar(0);
        }
        break;
      case Phase::Writing:
        FollowWriting();
        break;
      case Phase::Done:
        EndRun(kLogUpgradeEndOk);
        w.DrawAttention();
        w.ShowMessage(g.messages[Msg::End], MessageKind::Information);
        w.EndProgram();
        return false;
    }
    return true;
  }

  void Fail() {
    EndRun(kLogUpgradeEndTimeout + std::to_wstring(static_cast<int>(m.phase)));
    w.ShowOnTaskbar(TaskbarState::Failed, 0, 0);
    w.DrawAttention();
    std::wstring text =
        g.messages[Msg::DownloadTimeout] + L" " + std::to_wstring(static_cast<int>(m.phase));
    // A pulled adapter, then an uploader that failed, are likelier causes
    // than the register.
    if (m.portRemoved) {
      const std::wstring name = PortEntry(m.port);
      text += L"\r" + name + L": " + sys.ErrorText(error_number::kDeviceRemoved, name);
    }
    if (m.uploaderExitCode.value_or(0) != 0) text += L"\r" + ExitCodeLine(*m.uploaderExitCode);
    w.ShowMessage(text, MessageKind::Error);
    GiveBackTheStart();
  }

  // The monitor stops and the technician may start again or leave.
  void GiveBackTheStart() {
    m.following = false;
    GuardRun(g, w, m, false);
    w.SetUpgradeTimer(false);
    *m.runUnderWay = false;
    w.ShowOnTaskbar(TaskbarState::None, 0, 0);
    w.ShowStartOffered();
  }
};

}  // namespace

void TellLookupFailure(Globals& g, System& sys, MainWindow& w, MonitorState& m,
                       const ProcessLookup& lookup) {
  // Once per run: a list that stays unreadable must not fill the log or
  // bring a box at every tick.
  if (m.lookupFailureTold) return;
  m.lookupFailureTold = true;
  WriteLog(sys, g.programDir, uploader::kLogProcessListNotRead + lookup.reason);
  if (lookup.runtimeError) w.ShowMessage(lookup.reason, MessageKind::Plain);
}

void UpgradeTick(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  // While the close question is open the run waits for its answer; a
  // marker that came meanwhile is seen at the next tick, before its phase's
  // time is judged.
  if (m.closeAsked) return;
  Tick tick{g, sys, w, m};
  w.SetUpgradeTimer(false);
  // A tick is judged at the moment it began, and only when its handler saw
  // no sign of life: the bar's event pump may run a modal loop (the close
  // question, a drag of the title bar) for any length of time, and must
  // not turn a heartbeat into a time-out.
  const std::uint64_t now = tick.Now();
  // The run may also have ended in that loop (the window was closed).
  if (!tick.RunPhase() || !m.following) return;
  w.SetUpgradeTimer(true);
  // Only the phases that wait for the uploader's markers can time out.
  const bool waitsForMarkers = m.phase != Phase::UploaderRunning && m.phase != Phase::Done;
  if (waitsForMarkers && !tick.signOfLife && now - m.phaseStartMs > kPhaseTimeoutMs) {
    tick.Fail();
    return;
  }
  ShowRunStatus(g, w, m);
}

void ShowRunStatus(const Globals& g, MainWindow& w, const MonitorState& m) {
  const Msg doing = m.phase == Phase::UploaderRunning ? Msg::Updating : Msg::Programming;
  w.ShowRunStatus(g.messages[doing], g.messages[Msg::Notice1]);
}

namespace {

// Phase 7 reached, its end box not yet shown: the firmware is loaded.
bool FirmwareLoaded(const MonitorState& m) { return m.following && m.phase == Phase::Done; }

// The run ends with the program: its last line, unless the firmware was
// already loaded.
void EndWithTheProgram(Globals& g, System& sys, MainWindow& w, MonitorState& m,
                       const wchar_t* line) {
  if (!m.guarded) return;
  WriteLog(sys, g.programDir, FirmwareLoaded(m) ? uploader::kLogUpgradeEndOk : line);
  m.following = false;
  GuardRun(g, w, m, false);
}

}  // namespace

void GuardRun(const Globals& g, MainWindow& w, MonitorState& m, bool on) {
  if (m.guarded == on) return;
  m.guarded = on;
  if (on) {
    w.HoldOffShutdownAndSleep(g.messages[Msg::ShutdownBlocked]);
  } else {
    w.AllowShutdownAndSleep();
  }
}

bool MayCloseWindow(const Globals& g, MainWindow& w, MonitorState& m) {
  if (!m.guarded || FirmwareLoaded(m)) return true;
  // Asked once: a second request (the task manager's "End task") while the
  // question is open must not open another one over it.
  if (m.closeAsked) return false;
  m.closeAsked = true;
  const MessageAnswer answer = w.ShowMessage(g.messages[Msg::CloseDuringRun], MessageKind::Warning);
  m.closeAsked = false;
  return answer == MessageAnswer::Yes;
}

void OnWindowClosing(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  EndWithTheProgram(g, sys, w, m, uploader::kLogUpgradeEndWindowClosed);
}

bool MaySessionEnd(const MonitorState& m) { return !m.guarded; }

void OnSessionEnding(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  EndWithTheProgram(g, sys, w, m, uploader::kLogUpgradeEndSessionEnded);
}

void OnRunPortChange(const Globals& g, System& sys, MonitorState& m, int port, bool arrived) {
  if (!m.guarded || port != m.port) return;
  WriteLog(sys, g.programDir,
           uploader::kLogRunGivenPrefix + PortEntry(m.port) +
               (arrived ? uploader::kLogRunPortArrived : uploader::kLogRunPortRemoved));
  if (!arrived) m.portRemoved = true;
}

}  // namespace vz
