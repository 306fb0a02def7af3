#include "upgrade/upgrade_start.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "log/event_log.h"
#include "platform/text_case.h"
#include "port/port_choice.h"
#include "port/port_devices.h"
#include "upgrade/process_lookup.h"
#include "uploader/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

void RefuseForMarker(System& sys, MainWindow& w, const wchar_t* marker, std::uint32_t error) {
  w.ShowMessage(std::wstring(marker) + L": " + sys.ErrorText(error, marker), MessageKind::Error);
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

std::wstring UploaderBusyText(System& sys) {
  return std::wstring(kProgramFile) + L": " + sys.ErrorText(error_number::kBusy, kProgramFile);
}

// This folder's uploader, left running by a window closed during a run,
// reads port.ini and writes the markers: a second run would write over
// it. A list that cannot be read does not refuse the start: it is told,
// and the monitor waits on it.
bool NoUploaderRuns(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  const ProcessLookup lookup = LookUpProcessIn(sys, kProgramFile, g.downloadDir);
  if (lookup.state == ProcessState::Unknown) TellLookupFailure(g, sys, w, m, lookup);
  if (lookup.state != ProcessState::Running) return true;
  WriteLog(sys, g.programDir, kLogUploaderAlreadyRunning);
  w.ShowMessage(UploaderBusyText(sys), MessageKind::Error);
  return false;
}

// The run's port is opened and closed as the start-up probe does: a port
// another program took since it was chosen would only give a time-out
// that blames the register. A probe of the port list stops before its
// next open once a run is under way; the open in flight is waited for.
bool RunPortOpens(Globals& g, System& sys, MainWindow& w, std::uint8_t port) {
  w.ShowBusy(true);
  w.AwaitBackgroundWork();
  const IoResult opened = sys.ProbeSerialPort(PortDeviceName(port));
  w.ShowBusy(false);
  if (opened.ok) return true;
  const std::wstring name = PortEntry(port);
  const std::wstring reason = sys.ErrorText(opened.error, name);
  WriteLog(sys, g.programDir,
           kLogPortNotOpenedPrefix + name + kLogPortNotOpened + std::to_wstring(opened.error) +
               L" " + reason);
  w.ShowMessage(name + L": " + reason, MessageKind::Error);
  return false;
}

// A firmware image is a *.bin of more than 0 bytes: the uploader fails at
// once on an empty one, and the time-out that follows blames the register.
// Returns what the run is given, for the log: the port and every *.bin
// with its size, sorted by name; nullopt, told, when there is no image.
std::optional<std::wstring> CheckImages(Globals& g, System& sys, MainWindow& w, std::uint8_t port) {
  std::vector<FileEntry> images = sys.ListFiles(g.downloadDir, kImagePattern);
  if (std::none_of(images.begin(), images.end(), [](const FileEntry& f) { return f.size > 0; })) {
    w.ShowMessage(g.messages[Msg::FileMissed], MessageKind::Error);
    WriteLog(sys, g.programDir, kLogImageMissing);
    return std::nullopt;
  }
  std::sort(images.begin(), images.end(),
            [](const FileEntry& a, const FileEntry& b) { return NameLess(a.name, b.name); });
  std::wstring given = kLogRunGivenPrefix + PortWithDevice(g, port);
  for (const FileEntry& image : images) {
    given += L", " + image.name + L" " + std::to_wstring(image.size) + L" bytes";
  }
  return given;
}

enum class StartOutcome { Armed, Refused, ProgramEnded };

// From the question on: the checks, the stale markers, and arming the
// monitor.
StartOutcome ConfirmAndArm(Globals& g, System& sys, MainWindow& w, MonitorState& m,
                           std::uint8_t port) {
  // Only Yes starts a run and only No ends the program; any other way out
  // of the question leaves everything as it was.
  const MessageAnswer answer = w.ShowMessage(g.messages[Msg::Confirmation], MessageKind::Question);
  if (answer == MessageAnswer::No) {
    w.EndProgram();
    return StartOutcome::ProgramEnded;
  }
  if (answer != MessageAnswer::Yes) return StartOutcome::Refused;
  WriteLog(sys, g.programDir, kLogUpgradeStart);
  const std::optional<std::wstring> given = CheckImages(g, sys, w, port);
  if (!given) return StartOutcome::Refused;
  if (!sys.FileExists(g.downloadDir, kProgramFile)) {
    w.ShowMessage(g.messages[Msg::FileMissed], MessageKind::Error);
    WriteLog(sys, g.programDir, kLogUploaderMissing);
    return StartOutcome::Refused;
  }
  if (!RunPortOpens(g, sys, w, port) || !ClearStaleMarkers(g, sys, w)) {
    return StartOutcome::Refused;
  }
  WriteLog(sys, g.programDir, *given);

  // No tick may run while the run's state is being reset.
  w.SetUpgradeTimer(false);
  w.ShowRunStarting();
  m.phase = Phase::UploaderRunning;
  m.following = true;
  m.uploader.reset();
  g.uploaderStarted = false;
  ShowRunStatus(g, w, m);
  w.SetUpgradeTimer(true);
  return StartOutcome::Armed;
}

void StartUpgradeOnce(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  // The uploader gets the port the list shows, typed or picked.
  const std::wstring text = w.PortText();
  g.port.handledText = text;
  const std::optional<std::uint8_t> port = ParsePortText(text);
  if (!port) {
    w.ShowPortValid(false);
    w.ShowMessage(g.messages[Msg::NoComSelect], MessageKind::Error);
    return;
  }
  // Before port.ini is touched: this folder's uploader may be reading it.
  m.lookupFailureTold = false;
  if (!NoUploaderRuns(g, sys, w, m)) return;
  if (port != g.port.savedPort) {
    if (!SaveChosenPort(g, sys, w, text, *port, FailureReport::EveryTime)) {
      return;
    }
    w.ShowPortValid(true);
  }
  // The port the uploader gets cannot change under the run.
  *m.runUnderWay = true;
  w.ShowStartHeld();
  if (ConfirmAndArm(g, sys, w, m, *port) != StartOutcome::Refused) return;
  *m.runUnderWay = false;
  w.ShowStartOffered();
}

}  // namespace

void StartUpgrade(Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  // A click that comes while a start is handled (its pumps and boxes let
  // events through) or while a run is followed starts nothing.
  if (m.starting || *m.runUnderWay) return;
  m.starting = true;
  StartUpgradeOnce(g, sys, w, m);
  m.starting = false;
}

bool HoldPortWhileUploaderRuns(Globals& g, System& sys, MainWindow& w) {
  if (LookUpProcessIn(sys, kProgramFile, g.downloadDir).state != ProcessState::Running) {
    return false;
  }
  // Posted: a box now would swallow the click that made the choice.
  w.PostMessageBox(UploaderBusyText(sys), MessageKind::Error);
  // The port that uploader reads: saved in this run, or found in port.ini
  // (a program opened again while it runs).
  std::optional<std::uint8_t> saved = g.port.savedPort;
  if (!saved) {
    const std::optional<std::string> bytes = sys.ReadBytes(g.programDir + kPortFile);
    // A first byte of 0 names no port.
    if (bytes && !bytes->empty() && (*bytes)[0] != 0)
      saved = static_cast<std::uint8_t>((*bytes)[0]);
  }
  const std::wstring shown = saved ? PortEntry(*saved) : std::wstring();
  w.ShowPortText(shown);
  w.ShowPortValid(saved.has_value());
  g.port.handledText = shown;
  return true;
}

}  // namespace vz
