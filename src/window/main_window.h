// The window seam: what the logic needs the main window to show, and the
// events the window hands back. The logic says what to show (the run's
// state, the two lists, a question); the window decides how (its units and
// colours, which controls hide, the busy pointer, repainting). The Win32
// window implements MainWindow; the unit tests and the bench use one
// stand-in that keeps what it was told.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vz {

// Interval of the upgrade timer.
inline constexpr std::uint32_t kUpgradeTickMs = 500;
// Interval of the timer that waits for device broadcasts to settle.
inline constexpr std::uint32_t kDeviceSettleTickMs = 100;

enum class MessageKind {
  Error,        // OK button, error icon
  Question,     // Yes (default) and No, question icon
  Information,  // OK button, information icon
  Plain,        // OK button, no icon
  Warning,      // Yes and No (default), warning icon
};
// Neither: a question closed with Esc or its close box, or a box that could
// not be shown.
enum class MessageAnswer { Ok, Yes, No, Neither };

// The run as the window's taskbar button shows it, a second signal beside
// the window: nothing; busy, with no measure yet; the bar's own fraction;
// failed.
enum class TaskbarState { None, Busy, Progress, Failed };

// The captions in the current language, the title with its release.
struct Captions {
  std::wstring title;
  std::wstring titleLabel;
  std::wstring portLabel;
  std::wstring languageLabel;
  std::wstring upgrade;
  std::wstring exit;
};

// A row of the port list: its entry ("COM3"), the text it takes once
// picked, and the name of the port's device, shown beside it (empty: none).
struct PortListing {
  std::wstring entry;
  std::wstring device;
  bool operator==(const PortListing& o) const { return entry == o.entry && device == o.device; }
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;

  virtual void ShowCaptions(const Captions& captions) = 0;
  // The flag of the current language, from a picture file (GIF); false,
  // and no flag, when it cannot be shown.
  virtual bool ShowFlag(const std::wstring& path) = 0;

  // The language list: its entries, and the name it shows (also one that
  // is none of them). Shown while the list reports a choice, the name
  // replaces the choice once the report is done.
  virtual void ShowLanguages(const std::vector<std::wstring>& entries) = 0;
  virtual void ShowLanguage(const std::wstring& name) = 0;
  virtual std::wstring LanguageText() = 0;

  // The port list: the text it shows (picked or typed), whether that text
  // names a port, and its rows. New rows leave the text and its mark as
  // they are.
  virtual std::wstring PortText() = 0;
  virtual void ShowPortText(const std::wstring& text) = 0;
  virtual void ShowPortValid(bool valid) = 0;
  virtual void ShowPorts(const std::vector<PortListing>& ports) = 0;
  // True while the port list's drop-down is open.
  virtual bool PortListOpen() = 0;

  // The run, as the technician sees it. Offered: the start buttons and
  // Exit are there and the port list takes choices. Held: a start is being
  // asked for; the port list takes none. Starting: the run is armed; the
  // buttons go and the progress is emptied and hidden. Progress: `steps`
  // of `stepsToFill` fill the bar, which shows from the first step (0
  // shows it empty).
  virtual void ShowStartOffered() = 0;
  virtual void ShowStartHeld() = 0;
  virtual void ShowRunStarting() = 0;
  virtual void ShowProgress(int steps, int stepsToFill) = 0;
  // The busy pointer, while the window waits on the system.
  virtual void ShowBusy(bool busy) = 0;
  // What a run is doing, in two status lines, each shown whole; hidden
  // again when the start is offered.
  virtual void ShowRunStatus(const std::wstring& line1, const std::wstring& line2) = 0;
  // What the status lines show while no run is shown (each only when it
  // has a text); kept during a run and shown again when the start is
  // offered.
  virtual void ShowIdleStatus(const std::wstring& line1, const std::wstring& line2) = 0;
  // Flashes the window's taskbar button until it comes to the front, when
  // it is not in front: a box is about to appear.
  virtual void DrawAttention() = 0;
  // The taskbar button's state; `steps` of `stepsToFill` for Progress. Where
  // the system has no such button, nothing happens.
  virtual void ShowOnTaskbar(TaskbarState state, int steps, int stepsToFill) = 0;
  // While a run needs the PC: Windows is asked not to shut down, log off or
  // sleep, and its shutdown screen gives this program and `reason`. The
  // display may still turn off. Allowed again once the run is over.
  virtual void HoldOffShutdownAndSleep(const std::wstring& reason) = 0;
  virtual void AllowShutdownAndSleep() = 0;

  // Modal message box titled with the application's name.
  virtual MessageAnswer ShowMessage(const std::wstring& text, MessageKind kind) = 0;
  // The same box with an OK button, shown only once the event being handled
  // and the input that caused it (a click, a focus change) are done; a
  // handler posts it where a modal box would swallow that input.
  virtual void PostMessageBox(const std::wstring& text, MessageKind kind) = 0;
  // Handles the window events already waiting, then returns.
  virtual void PumpEvents() = 0;
  // The upgrade timer: ticks every kUpgradeTickMs while enabled.
  virtual void SetUpgradeTimer(bool enabled) = 0;
  // Ticks every kDeviceSettleTickMs while enabled (OnDeviceSettleTick).
  virtual void SetDeviceSettleTimer(bool enabled) = 0;
  // Runs `work` on the window's worker thread and then `done` on the
  // window's own thread, as an event. The caller starts one job at a time.
  // `work` must not touch the window, and must own all it uses: a job still
  // running when the window goes is left to end on its own, and its `done`
  // is dropped.
  virtual void RunInBackground(std::function<void()> work,
                               std::function<void(MainWindow&)> done) = 0;
  // Waits, handling the window's events meanwhile, until the work of the
  // job in flight, if any, has returned, or for `limitMs` at most; false
  // when it had not returned by then. Its `done` still comes later, as an
  // event.
  virtual bool AwaitBackgroundWork(std::uint32_t limitMs) = 0;

  // Shows the window, centred on the screen, and gives the focus to the
  // first control of the tab order.
  virtual void Show() = 0;
  // Unloads the window and ends the program at once. The caller returns
  // straight after; a stand-in records the call instead.
  virtual void EndProgram() = 0;
};

// What the window reports to the logic. Each call is one event; the window
// it came from is passed along.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnPortPicked(MainWindow& w) = 0;  // click or double click
  // The port list lost the focus, or Enter was pressed in it.
  virtual void OnPortTextCommitted(MainWindow& w) = 0;
  virtual void OnLanguageClick(MainWindow& w) = 0;  // click or double click
  // Either upgrade button: both act alike.
  virtual void OnUpgradeClick(MainWindow& w) = 0;
  virtual void OnExitClick(MainWindow& w) = 0;
  virtual void OnUpgradeTick(MainWindow& w) = 0;
  // The technician asks to close the window (its close box, Alt+F4, the
  // system menu, the task manager); false keeps it open. Windows shutting
  // down does not ask here.
  virtual bool OnCloseAsked(MainWindow& w) = 0;
  // Windows asks whether the session may end (shutdown, restart, logoff);
  // false refuses. Then it tells whether the session ends: a session that
  // ends takes the program with it once the call returns.
  virtual bool OnSessionEndAsked(MainWindow& w) = 0;
  virtual void OnSessionEnded(MainWindow& w) = 0;
  // The window is going away, whoever closes it.
  virtual void OnClosing(MainWindow& w) = 0;
  // Windows' device broadcasts: a serial port (1 to 255) arrived or went,
  // or some device changed without a name.
  virtual void OnPortArrived(MainWindow& w, int port) = 0;
  virtual void OnPortRemoved(MainWindow& w, int port) = 0;
  virtual void OnDevicesChanged(MainWindow& w) = 0;
  virtual void OnDeviceSettleTick(MainWindow& w) = 0;
  // The port list's drop-down closed (raised after the choice, if any).
  virtual void OnPortListClosed(MainWindow& w) = 0;
};

}  // namespace vz
