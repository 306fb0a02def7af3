#include "upgrade/upgrade_start.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "log/event_log.h"
#include "port/port_choice.h"
#include "port/port_devices.h"
#include "upgrade/checksum_file.h"
#include "upgrade/process_lookup.h"
#include "upgrade/run_question.h"
#include "uploader/uploader_contract.h"

namespace vz {
namespace {

using namespace uploader;

// How long the start waits for the port list's probe to leave an open.
constexpr std::uint32_t kProbeWaitMs = 5000;

enum class StartOutcome { Armed, Refused, ProgramEnded };

// A start refused after the question's Yes: its log line (if any) is the
// run's last, and the run no longer holds the PC while its box is open.
StartOutcome Refuse(const Globals& g, System& sys, MainWindow& w, MonitorState& m,
                    const std::wstring& logLine, const std::wstring& text) {
  if (!logLine.empty()) WriteLog(sys, g.programDir, logLine);
  GuardRun(g, w, m, false);
  w.ShowMessage(text, MessageKind::Error);
  return StartOutcome::Refused;
}

// A file or port that holds the start up, in the log ("Fw Upgrade: " and
// its name, what befell it, the error number and the system's text) and in
// the box (its name and the system's text).
StartOutcome RefuseWithReason(const Globals& g, System& sys, MainWindow& w, MonitorState& m,
                              const std::wstring& name, const wchar_t* what, std::uint32_t error) {
  const std::wstring reason = sys.ErrorText(error, name);
  return Refuse(g, sys, w, m,
                kLogRunGivenPrefix + name + what + std::to_wstring(error) + L" " + reason,
                name + L": " + reason);
}

StartOutcome RefuseForMarker(const Globals& g, System& sys, MainWindow& w, MonitorState& m,
                             const wchar_t* marker, std::uint32_t error) {
  return Refuse(g, sys, w, m, {}, std::wstring(marker) + L": " + sys.ErrorText(error, marker));
}

// Deletes the markers an earlier run left. A marker that stays (held open
// by an uploader that still runs) would be read as this run's result, so
// the start is refused with the platform's reason instead.
StartOutcome ClearStaleMarkers(const Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  for (const wchar_t* marker : kMarkers) {
    if (!sys.FileExists(g.programDir, marker)) continue;
    const IoResult removed = sys.RemoveFile(g.programDir + marker);
    if (!removed.ok && sys.FileExists(g.programDir, marker)) {
      return RefuseForMarker(g, sys, w, m, marker, removed.error);
    }
  }
  // A delete can succeed while the file stays: one that another program
  // holds open with delete sharing is gone only once it is closed. Only a
  // marker that is gone counts as deleted.
  for (const wchar_t* marker : kMarkers) {
    if (sys.FileExists(g.programDir, marker)) {
      return RefuseForMarker(g, sys, w, m, marker, error_number::kFileExists);
    }
  }
  return StartOutcome::Armed;
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

StartOutcome RefuseForPort(const Globals& g, System& sys, MainWindow& w, MonitorState& m, int port,
                           const wchar_t* what, std::uint32_t error) {
  return RefuseWithReason(g, sys, w, m, PortEntry(static_cast<std::uint8_t>(port)), what, error);
}

// A probe of the port list stops before its next open once a run is under
// way; the open in flight is waited for, a while (a Bluetooth port can take
// seconds, a bad driver for ever), with the window answering meanwhile.
StartOutcome WaitForTheProbe(const Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  w.ShowBusy(true);
  const bool ended = w.AwaitBackgroundWork(kProbeWaitMs);
  w.ShowBusy(false);
  // The window may have been closed meanwhile; the run's end is logged.
  if (!m.guarded) return StartOutcome::ProgramEnded;
  if (ended) return StartOutcome::Armed;
  return RefuseForPort(g, sys, w, m, m.portInProbe->load(), kLogProbeNotEnded,
                       error_number::kTimeout);
}

// The run's port is opened and closed as the start-up probe does: a port
// another program took since it was chosen would only give a time-out
// that blames the register.
StartOutcome RunPortOpens(const Globals& g, System& sys, MainWindow& w, MonitorState& m) {
  w.ShowBusy(true);
  const IoResult opened = sys.ProbeSerialPort(PortDeviceName(m.port));
  w.ShowBusy(false);
  if (opened.ok) return StartOutcome::Armed;
  return RefuseForPort(g, sys, w, m, m.port, kLogPortNotOpened, opened.error);
}

// A firmware image is a *.bin of more than 0 bytes: the uploader fails at
// once on an empty one, and the time-out that follows blames the register.
// Returns every *.bin, sorted by name; nullopt, told, when there is no
// image.
std::optional<std::vector<FileEntry>> CheckImages(const Globals& g, System& sys, MainWindow& w,
                                                  MonitorState& m) {
  std::vector<FileEntry> images = sys.ListFiles(g.downloadDir, kImagePattern);
  if (std::none_of(images.begin(), images.end(), [](const FileEntry& f) { return f.size > 0; })) {
    Refuse(g, sys, w, m, kLogImageMissing, g.messages[Msg::FileMissed]);
    return std::nullopt;
  }
  SortByName(images);
  return images;
}

// A file of the run that cannot be read refuses the start.
void RefuseUnreadFile(const Globals& g, System& sys, MainWindow& w, MonitorState& m,
                      const std::wstring& name, std::uint32_t error) {
  RefuseWithReason(g, sys, w, m, name, kLogFileNotRead, error);
}

// The checksum file beside an image, when there is one, must hold the
// image's digest. One that cannot be read or holds no digest refuses the
// start too: a checksum published and not checked would pass any image.
bool MatchesItsChecksumFile(const Globals& g, System& sys, MainWindow& w, MonitorState& m,
                            const std::wstring& image, const Sha256Digest& digest) {
  const std::wstring name = image + kChecksumFileSuffix;
  if (!sys.FileExists(g.downloadDir, name)) return true;
  std::uint32_t error = 0;
  const std::optional<std::string> bytes = sys.ReadBytes(g.downloadDir + name, &error);
  if (!bytes) {
    RefuseUnreadFile(g, sys, w, m, name, error);
    return false;
  }
  const std::optional<Sha256Digest> published = ReadChecksumFile(*bytes);
  if (!published) {
    Refuse(g, sys, w, m, kLogRunGivenPrefix + name + kLogNoChecksum,
           name + L": " + sys.ErrorText(error_number::kInvalidData, name));
    return false;
  }
  if (*published == digest) return true;
  Refuse(g, sys, w, m,
         kLogRunGivenPrefix + image + kLogImageDamaged + DigestHex(digest) + L", " + name + L" " +
             DigestHex(*published),
         g.messages[Msg::ImageDamaged] + L"\r\n" + image);
  return false;
}

// Each image's SHA-256, read under the busy pointer, checked against the
// checksum file beside it. Returns what the run is given, for the log: the
// port and every *.bin with its size and, when it is not empty, its
// digest; nullopt, told, when an image cannot be read or is not the one
// its checksum file names. An empty *.bin is neither read nor checked.
std::optional<std::wstring> FingerprintImages(const Globals& g, System& sys, MainWindow& w,
                                              MonitorState& m, std::uint8_t port,
                                              const std::vector<FileEntry>& images) {
  std::vector<FileDigest> digests(images.size());
  w.ShowBusy(true);
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (images[i].size > 0) digests[i] = sys.Sha256OfFile(g.downloadDir + images[i].name);
  }
  w.ShowBusy(false);
  std::wstring given = kLogRunGivenPrefix + PortWithDevice(g, port);
  for (std::size_t i = 0; i < images.size(); ++i) {
    const FileEntry& image = images[i];
    given += L", " + image.name + L" " + std::to_wstring(image.size) + L" bytes";
    if (image.size == 0) continue;
    if (!digests[i].result.ok) {
      RefuseUnreadFile(g, sys, w, m, image.name, digests[i].result.error);
      return std::nullopt;
    }
    if (!MatchesItsChecksumFile(g, sys, w, m, image.name, digests[i].digest)) {
      return std::nullopt;
    }
    given += kLogDigestPrefix + DigestHex(digests[i].digest);
  }
  return given;
}

// From the question on: the checks, the stale markers, and arming the
// monitor.
StartOutcome ConfirmAndArm(Globals& g, System& sys, MainWindow& w, MonitorState& m,
                           std::uint8_t port) {
  // Only Yes starts a run and only No ends the program; any other way out
  // of the question leaves everything as it was.
  // The question names the port and the images, listed for it alone: the
  // checks after Yes look again.
  const std::wstring question =
      g.messages[Msg::Confirmation] + L"\r\n\r\n" +
      RunQuestionLines(PortWithDevice(g, port), sys.ListFiles(g.downloadDir, kImagePattern));
  const MessageAnswer answer = w.ShowMessage(question, MessageKind::Question);
  if (answer == MessageAnswer::No) {
    w.EndProgram();
    return StartOutcome::ProgramEnded;
  }
  if (answer != MessageAnswer::Yes) return StartOutcome::Refused;
  WriteLog(sys, g.programDir, kLogUpgradeStart);
  // From here until the run ends, a close asks first and Windows is held.
  m.port = port;
  m.portRemoved = false;
  GuardRun(g, w, m, true);
  const std::optional<std::vector<FileEntry>> images = CheckImages(g, sys, w, m);
  if (!images) return StartOutcome::Refused;
  if (!sys.FileExists(g.downloadDir, kProgramFile)) {
    return Refuse(g, sys, w, m, kLogUploaderMissing, g.messages[Msg::FileMissed]);
  }
  const std::optional<std::wstring> given = FingerprintImages(g, sys, w, m, port, *images);
  if (!given) return StartOutcome::Refused;
  for (auto check : {WaitForTheProbe, RunPortOpens, ClearStaleMarkers}) {
    const StartOutcome outcome = check(g, sys, w, m);
    if (outcome != StartOutcome::Armed) return outcome;
  }
  WriteLog(sys, g.programDir, *given);

  // No tick may run while the run's state is being reset.
  w.SetUpgradeTimer(false);
  m.phase = Phase::UploaderRunning;
  m.following = true;
  m.uploader.reset();
  g.uploaderStarted = false;
  w.ShowOnTaskbar(TaskbarState::Busy, 0, 0);
  // Its event pumps may close the window: the run then ends in the log.
  w.ShowRunStarting();
  if (!m.guarded) return StartOutcome::ProgramEnded;
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
