#include "upgrade/upgrade_start.h"

#include "log/event_log.h"
#include "port/port_choice.h"
#include "uploader/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

void RefuseForMarker(System& sys, MainWindow& w, const wchar_t* marker,
                     std::uint32_t error) {
  w.ShowMessage(std::wstring(marker) + L": " + sys.ErrorText(error, marker),
                MessageKind::Error);
}

// Deletes the markers an earlier run left. A marker that stays (held open
// by an uploader that still runs) would be read as this run's result, so
// the start is refused with the platform's reason instead.
bool ClearStaleMarkers(Globals& g, System& sys, MainWindow& w) {
  for (const wchar_t* marker : kMarkers) {
    if (!sys.FileExists(g.programDir, marker)) continue;
    const IoResult removed = sys.RemoveFile(g.programDir + marker);
    if (!removed.ok && sys.FileExists(g.programDir, marker)) {
      RefuseForMarker(sys, w, marker, removed.error);
      return false;
    }
  }
  // A delete can succeed while the file stays: one that another program
  // holds open with delete sharing is gone only once it is closed. Only a
  // marker that is gone counts as deleted.
  for (const wchar_t* marker : kMarkers) {
    if (sys.FileExists(g.programDir, marker)) {
      RefuseForMarker(sys, w, marker, error_number::kFileExists);
      return false;
    }
  }
  return true;
}

}  // namespace

void StartUpgrade(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  // The uploader gets the port the list shows, typed or picked.
  const std::wstring text = w.Text(Control::PortList);
  g.port.handledText = text;
  const std::optional<std::uint8_t> port = ParsePortText(text);
  if (!port) {
    w.SetBackColor(Control::PortList, kColorRed);
    w.ShowMessage(g.messages[Msg::NoComSelect], MessageKind::Error);
    return;
  }
  if (port != g.port.savedPort) {
    if (!SaveChosenPort(g, sys, w, text, *port, FailureReport::EveryTime)) {
      return;
    }
    w.SetBackColor(Control::PortList, kColorGreen);
  }
  // Only Yes starts a run and only No ends the program; any other way out
  // of the question leaves everything as it was.
  const MessageAnswer answer =
      w.ShowMessage(g.messages[Msg::Confirmation], MessageKind::Question);
  if (answer == MessageAnswer::No) {
    w.EndProgram();
    return;
  }
  if (answer != MessageAnswer::Yes) return;
  WriteLog(sys, g.programDir, kLogUpgradeStart);
  if (!sys.FileExists(g.downloadDir, kImagePattern)) {
    w.ShowMessage(g.messages[Msg::FileMissed], MessageKind::Error);
    WriteLog(sys, g.programDir, kLogImageMissing);
    return;
  }
  if (!sys.FileExists(g.downloadDir, kProgramFile)) {
    w.ShowMessage(g.messages[Msg::FileMissed], MessageKind::Error);
    WriteLog(sys, g.programDir, kLogUploaderMissing);
    return;
  }
  if (!ClearStaleMarkers(g, sys, w)) return;

  w.SetText(Control::StatusLine1, L"");
  w.SetText(Control::StatusLine2, L"");
  w.SetWidth(Control::ProgressBar, 0);
  w.SetVisible(Control::ProgressPanel, false);
  w.Repaint(Control::ProgressPanel);
  w.PumpEvents();
  // No tick may run while the run's state is being reset.
  w.SetUpgradeTimer(false);
  w.SetText(Control::StatusLine1, L"");
  w.PumpEvents();
  w.SetHourglass(true);
  m.phase = Phase::UploaderRunning;
  m.lookupFailureTold = false;
  m.following = true;
  m.uploader.reset();
  g.uploaderStarted = false;
  w.SetUpgradeTimer(true);
  w.SetVisible(Control::ExitButton, false);
  w.SetVisible(Control::UpgradeButton, false);
  w.SetVisible(Control::InteractiveUpgradeButton, false);
  w.SetHourglass(false);
}

}  // namespace vz
