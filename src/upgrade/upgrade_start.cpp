#include "upgrade/upgrade_start.h"

#include "log/event_log.h"
#include "port/port_choice.h"
#include "upgrade/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

// Deletes the markers an earlier run left. A marker that stays (held open
// by an uploader that still runs) would be read as this run's result, so
// the start is refused with the platform's reason instead.
bool ClearStaleMarkers(Globals& g, System& sys, MainWindow& w) {
  for (const wchar_t* marker : kMarkers) {
    if (!sys.FileExists(g.programDir, marker)) continue;
    const IoResult removed = sys.RemoveFile(g.programDir + marker);
    if (!removed.ok && sys.FileExists(g.programDir, marker)) {
      w.ShowMessage(std::wstring(marker) + L": " + sys.ErrorText(removed.error, marker),
                    MessageKind::Error);
      return false;
    }
  }
  return true;
}

}  // namespace

void StartUpgrade(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  m.interactive = true;
  // The uploader gets the port the list shows, typed or picked.
  const std::wstring text = w.Text(Control::E_ComPort);
  g.port.handledText = text;
  const std::optional<std::uint8_t> port = ParsePortText(text);
  if (!port) {
    w.SetBackColor(Control::E_ComPort, kColorRed);
    w.ShowMessage(g.messages[Msg::NoComSelect], MessageKind::Error);
    return;
  }
  if (port != g.port.savedPort) {
    if (!SaveChosenPort(g, sys, w, text, *port, FailureReport::EveryTime)) {
      return;
    }
    w.SetBackColor(Control::E_ComPort, kColorGreen);
  }
  if (w.ShowMessage(g.messages[Msg::Avviso], MessageKind::Question) ==
      MessageAnswer::No) {
    w.EndProgram();
    return;
  }
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

  w.SetText(Control::L_Desc1, L"");
  w.SetText(Control::L_Desc2, L"");
  w.SetWidth(Control::Barra, 0);
  w.SetVisible(Control::PannelloBarra, false);
  w.Repaint(Control::PannelloBarra);
  w.PumpEvents();
  // No tick may run while the run's state is being reset.
  w.SetUpgradeTimer(false);
  w.SetText(Control::L_Desc1, L"");
  w.PumpEvents();
  w.SetHourglass(true);
  m.phase = 0;
  g.uploaderStarted = false;
  w.SetUpgradeTimer(true);
  w.SetVisible(Control::C_Exit, false);
  w.SetVisible(Control::C_Upgrade0, false);
  w.SetVisible(Control::C_Upgrade1, false);
  w.SetHourglass(false);
}

}  // namespace vz
