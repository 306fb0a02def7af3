// Fakes of the two seams for the unit tests: an in-memory file system with a
// scripted clock and process list, and a window that records what was done
// to it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"
#include "window/main_window.h"

namespace vz::test {

// Windows error numbers the fakes report.
inline constexpr std::uint32_t kErrAccessDenied = 5;
inline constexpr std::uint32_t kErrSharing = 32;
inline constexpr std::uint32_t kErrLock = 33;
inline constexpr std::uint32_t kErrPathNotFound = 3;
inline constexpr std::uint32_t kErrFileExists = 80;
inline constexpr std::uint32_t kErrInvalidData = 13;
inline constexpr std::uint32_t kErrBadExe = 193;
inline constexpr std::uint32_t kErrFileNotFound = 2;
inline constexpr std::uint32_t kErrNoAccess = 998;  // what 0xC0000005 maps to

std::string Narrow(const std::wstring& w);  // Windows-1252, for test output

// The lines of a text file ended by CR LF, without their ends.
std::vector<std::string> Lines(const std::string& bytes);

// The program directory the tests work in (FakeSystem::exeDir plus the
// backslash), and the path of a file in it.
inline const std::wstring kDir = L"C:\\Tools\\Vz\\";
inline std::wstring InDir(const std::wstring& name) { return kDir + name; }

class FakeSystem : public System {
 public:
  struct Entry {
    std::string bytes;
    bool hidden = false;
    bool system = false;
    bool directory = false;
    bool readOnly = false;
    // Busy: every open fails as "in use" while this many opens remain
    // (-1: for ever).
    int busyOpens = 0;
    // Any other open failure with this error number (0: none).
    std::uint32_t openError = 0;
    // Held open by another program that allows deleting: a delete succeeds
    // and the file stays, as Windows keeps it until it is closed.
    bool staysAfterDelete = false;
    LocalTime lastWrite;
    // What Sha256OfFile gives for it: a scripted digest, as the fake
    // computes none.
    Sha256Digest digest{};
  };

  // Paths are compared without regard to case, like on Windows.
  Entry& File(const std::wstring& path);
  void Put(const std::wstring& path, std::string bytes);
  bool Has(const std::wstring& path) const;
  const Entry* Find(const std::wstring& path) const;
  std::string Bytes(const std::wstring& path) const;
  void Remove(const std::wstring& path);
  std::vector<std::wstring> Paths() const;

  // The scripted clocks: Now() returns `clock`, ElapsedMilliseconds()
  // `elapsedMs`. Advance and each Pause move both; setting the wall clock
  // moves only `clock`, as a technician or a time sync would.
  LocalTime clock{2026, 12, 6, 15, 4, 9, 0};
  std::uint64_t elapsedMs = 3600000;
  double SecondsSinceMidnight() const;
  void SetSecondsSinceMidnight(double s);
  void Advance(double seconds);

  std::wstring exeDir = L"C:\\Tools\\Vz";
  std::set<std::string> serialPorts;  // names that open, e.g. "\\\\.\\COM12"
  // Ports that exist but do not open, with the error they give (5: held by
  // another program); any other name gives 2, no such device.
  std::map<std::string, std::uint32_t> serialPortErrors;
  std::vector<std::string> probed;  // every name probed, in order
  DeviceInventory devices;          // what ReadDevices finds
  int devicesRead = 0;
  ProcessList processes{true, {}};
  // The running processes, each named by its program's full path (which
  // ProgramPath then gives) or by a bare name (whose path cannot be read:
  // access denied); ids from 1.
  void SetProcesses(const std::vector<std::string>& programs);
  // Processes of another Windows session, and processes that have ended
  // since the list was taken.
  std::set<std::uint32_t> otherSession, endedSinceListed;
  // Serial ports whose open never returns: a probe of one on the worker
  // throws OpenHangs, which FakeWindow takes as a worker stuck there.
  std::set<std::string> hangingPorts;
  struct OpenHangs {};
  bool throwOnProcessList = false;
  // What StartProgram reports: 0 (started) or an error number.
  std::uint32_t startError = 0;
  // Called after a successful StartProgram, so a test can play the uploader.
  std::function<void()> onStart;
  // What a started program tells of its end (nullopt: not ended, or the
  // system cannot tell), read when asked.
  std::optional<std::uint32_t> exitCode = 0;

  std::vector<std::wstring> started;
  std::vector<std::uint32_t> pauses;
  std::vector<std::wstring> currentDirs;
  std::vector<wchar_t> currentDrives;
  int appendCalls = 0;
  int writeFirstByteCalls = 0;

  // System
  std::wstring ExecutableDir() override { return exeDir; }
  bool SetCurrentDrive(wchar_t letter) override;
  bool SetCurrentDir(const std::wstring& dir) override;
  bool FileExists(const std::wstring& dir, const std::wstring& pattern) override;
  bool AnyFileExists(const std::wstring& path) override;
  // Folders are one when their paths are, letter case and a trailing
  // backslash not counting.
  bool SameFolder(const std::wstring& a, const std::wstring& b) override;
  IoResult RemoveFile(const std::wstring& path) override;
  IoResult CopyOver(const std::wstring& from, const std::wstring& to) override;
  std::optional<std::string> ReadBytes(const std::wstring& path,
                                       std::uint32_t* error = nullptr) override;
  std::vector<FileEntry> ListFiles(const std::wstring& dir, const std::wstring& pattern) override;
  IoResult WriteBytes(const std::wstring& path, const std::string& bytes) override;
  IoResult ReplaceWhole(const std::wstring& path, const std::string& bytes) override;
  IoResult WriteFirstByte(const std::wstring& path, std::uint8_t value) override;
  IoResult AppendBytes(const std::wstring& path, const std::string& bytes) override;
  std::wstring ErrorText(std::uint32_t error, const std::wstring& subject) override;
  std::uint32_t ErrorOfStatus(std::uint32_t status) override;
  IoResult ProbeSerialPort(const std::string& name) override;
  PortProbe SharedPortProbe() override;
  ProcessList RunningProcesses() override;
  std::optional<std::wstring> ProgramPath(std::uint32_t processId,
                                          std::uint32_t* error = nullptr) override;
  std::optional<bool> InThisSession(std::uint32_t processId) override;
  StartResult StartProgram(const std::wstring& path) override;
  void Pause(std::uint32_t ms) override;
  LocalTime Now() override { return clock; }
  std::uint64_t ElapsedMilliseconds() override { return elapsedMs; }
  std::wstring FromAnsi(const std::string& bytes) override;
  std::string ToAnsi(const std::wstring& text) override;
  DeviceInventory ReadDevices() override;
  DeviceReader SharedDeviceReader() override;

  FileDigest Sha256OfFile(const std::wstring& path) override;

 private:
  static std::wstring Key(const std::wstring& path);
  // Why an open of an existing entry fails now, or 0.
  std::uint32_t OpenFailure(Entry& e, bool forWriting);
  std::map<std::wstring, std::pair<std::wstring, Entry>> files_;  // key -> (name, entry)
};

// The window as the logic has told it to look: each field holds what was
// last shown, so that a test reads the outcome, not the calls.
class FakeWindow : public MainWindow {
 public:
  // The run as shown (ShowStartOffered, ShowStartHeld, ShowRunStarting).
  enum class Run { Offered, Held, Starting };

  Captions captions;
  std::wstring flag;                        // the flag's picture file; empty: none
  std::set<std::wstring> loadablePictures;  // files ShowFlag can show
  std::vector<std::wstring> languages;
  std::wstring languageText;
  std::wstring portText;
  // Whether the port text was last shown as naming a port; the window opens
  // with it shown as not.
  bool portValid = false;
  std::vector<PortListing> ports;                            // the rows, with their device names
  std::vector<std::wstring> portEntries;                     // the rows' entries alone
  std::wstring PortDevice(const std::wstring& entry) const;  // empty: none, or not listed
  bool portListOpen = false;
  Run run = Run::Offered;
  // The port list takes a technician's choice only while a start is offered.
  bool PortListTakesChoices() const { return run == Run::Offered; }
  // The bar: steps of stepsToFill; hidden while steps is negative.
  int progressSteps = -1;
  int progressStepsToFill = 0;
  bool busy = false;
  // The two status lines: a run's, or else the idle lines; hidden while
  // both are empty and no run is shown.
  std::wstring statusLine1, statusLine2;
  bool statusShown = false;
  std::wstring idleLine1, idleLine2;  // as last told
  // How often attention was drawn to the window (its taskbar button).
  int attentionDrawn = 0;
  // The taskbar button's state, with its steps for Progress.
  TaskbarState taskbar = TaskbarState::None;
  int taskbarSteps = 0, taskbarStepsToFill = 0;
  // Windows is held off shutdown, logoff and sleep, with this reason.
  bool pcHeld = false;
  std::wstring pcHeldReason;
  bool timerEnabled = false;
  bool settleTimerEnabled = false;
  int settleTimerStarts = 0;
  bool shown = false;
  bool ended = false;

  // Background jobs handed over and not yet done; FinishBackgroundJobs runs
  // them (work, then done) in order, as the worker and the window would.
  // StartBackgroundWork runs the work alone, as the worker would meanwhile;
  // a job whose open hangs is left hung, never done. AwaitBackgroundWork
  // pumps once, then starts the work; false while a job is hung.
  struct Job {
    std::function<void()> work;
    std::function<void(MainWindow&)> done;
    bool hung = false;
  };
  std::deque<Job> jobs;
  void StartBackgroundWork();
  void FinishBackgroundJobs();

  struct Message {
    std::wstring text;
    MessageKind kind;
  };
  std::vector<Message> messages;
  std::deque<MessageAnswer> answers;  // answers to questions; Yes when empty
  // Runs when a box is shown, before it is answered.
  std::function<void(const Message&)> onMessage;
  // Boxes posted and not yet shown; DeliverPosted shows them, as the
  // window does once the current event has been handled.
  std::vector<Message> posted;
  void DeliverPosted();
  // How many boxes of this kind were shown.
  int Shown(MessageKind kind) const;

  // Runs during PumpEvents, so a test can deliver events in the middle of
  // a handler.
  std::function<void()> onPump;
  int pumps = 0;

  // MainWindow
  void ShowCaptions(const Captions& c) override { captions = c; }
  bool ShowFlag(const std::wstring& path) override;
  void ShowLanguages(const std::vector<std::wstring>& entries) override { languages = entries; }
  void ShowLanguage(const std::wstring& name) override { languageText = name; }
  std::wstring LanguageText() override { return languageText; }
  std::wstring PortText() override { return portText; }
  void ShowPortText(const std::wstring& text) override { portText = text; }
  void ShowPortValid(bool valid) override { portValid = valid; }
  void ShowPorts(const std::vector<PortListing>& rows) override;
  bool PortListOpen() override { return portListOpen; }
  void ShowStartOffered() override;
  void ShowStartHeld() override { run = Run::Held; }
  void ShowRunStarting() override;
  void ShowProgress(int steps, int stepsToFill) override;
  void ShowBusy(bool on) override { busy = on; }
  void ShowRunStatus(const std::wstring& line1, const std::wstring& line2) override;
  void ShowIdleStatus(const std::wstring& line1, const std::wstring& line2) override;
  void DrawAttention() override { ++attentionDrawn; }
  void ShowOnTaskbar(TaskbarState state, int steps, int stepsToFill) override;
  void HoldOffShutdownAndSleep(const std::wstring& reason) override;
  void AllowShutdownAndSleep() override;
  MessageAnswer ShowMessage(const std::wstring& text, MessageKind kind) override;
  void PostMessageBox(const std::wstring& text, MessageKind kind) override;
  void PumpEvents() override;
  void SetUpgradeTimer(bool enabled) override { timerEnabled = enabled; }
  void SetDeviceSettleTimer(bool enabled) override;
  void RunInBackground(std::function<void()> work, std::function<void(MainWindow&)> done) override;
  bool AwaitBackgroundWork(std::uint32_t limitMs) override;
  void Show() override { shown = true; }
  void EndProgram() override { ended = true; }
};

// The messages logged in kDir's memo_log.txt, without their time stamps.
std::vector<std::string> LogTexts(const FakeSystem& sys);

}  // namespace vz::test
