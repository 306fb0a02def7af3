#include "upgrade/monitor.h"

#include <cwchar>
#include <optional>
#include <string>
#include <utility>

#include "log/event_log.h"
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
  void Enter(Phase phase) {
    m.phaseStartMs = Now();
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
    m.phaseStartMs = Now();
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

  // The run's last line in the log; the run is no longer followed.
  void EndRun(const std::wstring& line) {
    WriteLog(sys, g.programDir, line);
    m.following = false;
  }

  // Told at once: waiting for markers would only end in a time-out that
  // blames the register.
  void NotStarted(std::uint32_t error) {
    const std::wstring reason = sys.ErrorText(error, kProgramFile);
    WriteLog(sys, g.programDir, kLogUploaderNotStarted + std::to_wstring(error) + L" " + reason);
    w.ShowMessage(std::wstring(kProgramFile) + L": " + reason, MessageKind::Error);
    // Still the first phase with nothing started: the next start launches again.
    GiveBackTheStart();
  }

  void WaitForErase() {
    if (Exists(kErase)) {
      Enter(Phase::Erased);
    } else if (Exists(kErasing)) {
      m.phaseStartMs = Now();
      Remove(kErasing);
    }
  }

  void FollowWriting() {
    if (Exists(kWriteOk)) {
      Enter(Phase::Done);
    } else if (Exists(kWriting)) {
      m.phaseStartMs = Now();
      Remove(kWriting);
      if (m.progressSteps < kMaxProgressSteps) ++m.progressSteps;
      w.ShowProgress(m.progressSteps, kProgressScale);
    }
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
        m.phaseStartMs = Now();
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
          w.ShowProgress(0, kProgressScale);
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
    w.DrawAttention();
    std::wstring text =
        g.messages[Msg::DownloadTimeout] + L" " + std::to_wstring(static_cast<int>(m.phase));
    // An uploader that failed is the likelier cause than the register.
    if (m.uploaderExitCode.value_or(0) != 0) text += L"\r" + ExitCodeLine(*m.uploaderExitCode);
    w.ShowMessage(text, MessageKind::Error);
    GiveBackTheStart();
  }

  // The monitor stops and the technician may start again or leave.
  void GiveBackTheStart() {
    m.following = false;
    w.SetUpgradeTimer(false);
    *m.runUnderWay = false;
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
  if (!tick.RunPhase()) return;
  w.SetUpgradeTimer(true);
  // Only the phases that wait for the uploader's markers can time out.
  const bool waitsForMarkers = m.phase != Phase::UploaderRunning && m.phase != Phase::Done;
  if (waitsForMarkers && tick.Now() - m.phaseStartMs > kPhaseTimeoutMs) {
    tick.Fail();
    return;
  }
  ShowRunStatus(g, w, m);
}

void ShowRunStatus(const Globals& g, MainWindow& w, const MonitorState& m) {
  const Msg doing = m.phase == Phase::UploaderRunning ? Msg::Updating : Msg::Programming;
  w.ShowRunStatus(g.messages[doing], g.messages[Msg::Notice1]);
}

bool MayCloseWindow(const Globals& g, MainWindow& w, MonitorState& m) {
  if (!m.following) return true;
  m.closeAsked = true;
  const MessageAnswer answer = w.ShowMessage(g.messages[Msg::CloseDuringRun], MessageKind::Warning);
  m.closeAsked = false;
  return answer == MessageAnswer::Yes;
}

void OnWindowClosing(Globals& g, System& sys, MonitorState& m) {
  if (!m.following) return;
  WriteLog(sys, g.programDir, uploader::kLogUpgradeEndWindowClosed);
  m.following = false;
}

}  // namespace vz
