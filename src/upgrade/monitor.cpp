#include "upgrade/monitor.h"

#include <string>

#include "log/event_log.h"
#include "upgrade/process_lookup.h"
#include "upgrade/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

struct Tick {
  Globals& g;
  System& sys;
  MainWindow& w;
  MonitorState& m;

  std::uint64_t Now() { return sys.ElapsedMilliseconds(); }
  bool Exists(const wchar_t* marker) {
    return sys.FileExists(g.programDir, marker);
  }
  void Remove(const wchar_t* marker) {
    // A marker the uploader still holds stays; it is simply seen again.
    (void)sys.RemoveFile(g.programDir + marker);
  }
  void Enter(std::uint8_t phase) {
    m.phaseStartMs = Now();
    m.phase = phase;
  }

  // False when the uploader could not be started and the run has ended.
  bool LaunchAndWait() {
    if (!g.uploaderStarted) {
      // Started by its full path, so nothing else on the machine can stand
      // in for it.
      const std::uint32_t error = sys.StartProgram(g.downloadDir + kProgramFile);
      if (error != 0) {
        NotStarted(error);
        return false;
      }
      WriteLog(sys, g.programDir, kLogUploaderRun);
      g.uploaderStarted = true;
      WaitSeconds(sys, kPauseAfterLaunchSeconds);
    }
    if (!IsProcessRunning(sys, w, kProcessName)) m.phase = 1;
    m.phaseStartMs = Now();
    return true;
  }

  // Told at once: waiting for markers would only end in a time-out that
  // blames the register.
  void NotStarted(std::uint32_t error) {
    const std::wstring reason = sys.ErrorText(error, kProgramFile);
    WriteLog(sys, g.programDir,
             kLogUploaderNotStarted + std::to_wstring(error) + L" " + reason);
    w.ShowMessage(std::wstring(kProgramFile) + L": " + reason,
                  MessageKind::Error);
    // Still phase 0 with nothing started: the next start launches again.
    GiveBackTheStart();
  }

  void WaitForErase() {
    if (Exists(kErase)) {
      Enter(4);
    } else if (Exists(kErasing)) {
      m.phaseStartMs = Now();
      Remove(kErasing);
    }
  }

  void FollowWriting() {
    if (Exists(kWriteOk)) {
      Enter(7);
    } else if (Exists(kWriting)) {
      m.phaseStartMs = Now();
      Remove(kWriting);
      if (m.progressSteps < kMaxProgressSteps) ++m.progressSteps;
      const float step = w.Width(Control::PannelloBarra) / kProgressScale;
      w.SetWidth(Control::Barra, step * static_cast<float>(m.progressSteps));
      w.Repaint(Control::Barra);
      w.PumpEvents();
    }
  }

  // Runs the handler of the current phase; false when the program or the
  // run ended.
  bool RunPhase() {
    switch (m.phase) {
      case 0: return LaunchAndWait();
      case 1: Enter(2); break;
      case 2:
        m.phase = 3;
        if (Exists(kErasing)) Remove(kErasing);  // stale from before
        m.phaseStartMs = Now();
        break;
      case 3: WaitForErase(); break;
      case 4: if (Exists(kWrite)) Enter(5); break;
      case 5:
        if (Exists(kWriting)) {
          Enter(6);
          m.progressSteps = 1;
          w.SetVisible(Control::PannelloBarra, true);
        }
        break;
      case 6: FollowWriting(); break;
      default:
        w.ShowMessage(g.messages[Msg::End], MessageKind::Information);
        w.EndProgram();
        return false;
    }
    return true;
  }

  void Fail() {
    w.ShowMessage(g.messages[Msg::DownloadTimeout] + L" " +
                      std::to_wstring(m.phase),
                  MessageKind::Error);
    GiveBackTheStart();
  }

  // The monitor stops and the technician may start again or leave.
  void GiveBackTheStart() {
    w.SetText(Control::L_Desc1, L"");
    w.SetText(Control::L_Desc2, L"");
    w.SetUpgradeTimer(false);
    w.SetVisible(Control::C_Upgrade0, true);
    w.SetVisible(Control::C_Upgrade1, true);
    w.SetVisible(Control::C_Exit, true);
  }
};

}  // namespace

void UpgradeTick(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  Tick tick{g, sys, w, m};
  w.SetUpgradeTimer(false);
  w.SetHourglass(false);
  if (!tick.RunPhase()) return;
  w.SetUpgradeTimer(true);
  if (m.phase < 1 || m.phase > 6) return;
  if (tick.Now() - m.phaseStartMs > kPhaseTimeoutMs) tick.Fail();
}

}  // namespace vz
