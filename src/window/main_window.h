// The window seam: everything the logic does to the main window and its
// controls, and the events the window hands back to the logic. The Win32
// window implements MainWindow; the unit tests use a recording fake.
// Sizes and positions are in twips (1/1440 inch), colours are the window
// system's 24-bit values (red in the low byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vz {

enum class Control {
  Window,                    // the main window itself
  Logo,                      // brand mark, top left
  Wordmark,                  // the product's name drawn as a picture
  TitleLabel,
  Flag,                      // flag of the current language
  PortLabel,
  PortList,                  // serial port: a list the technician may type in
  LanguageLabel,
  LanguageList,
  StatusLine1,
  StatusLine2,
  ProgressPanel,             // frame of the progress bar
  ProgressBar,
  UpgradeButton,
  InteractiveUpgradeButton,  // a second start button, hidden by design
  ExitButton,
};

// Interval of the upgrade timer.
inline constexpr std::uint32_t kUpgradeTickMs = 500;
// Interval of the timer that waits for device broadcasts to settle.
inline constexpr std::uint32_t kDeviceSettleTickMs = 100;

constexpr std::uint32_t kColorRed = 255;      // 0x0000FF
constexpr std::uint32_t kColorGreen = 65280;  // 0x00FF00

enum class MessageKind {
  Error,        // OK button, error icon
  Question,     // Yes (default) and No, question icon
  Information,  // OK button, information icon
  Plain,        // OK button, no icon
};
// Neither: a question closed with Esc or its close box, or a box that could
// not be shown.
enum class MessageAnswer { Ok, Yes, No, Neither };

struct TwipSize {
  float width = 0;
  float height = 0;
};

class MainWindow {
 public:
  virtual ~MainWindow() = default;

  // Caption of a label or button, the window's title, or the shown text of
  // a combo box; a combo box also selects the entry of exactly that text,
  // or none. Set on a list while it reports a choice, the text replaces
  // the choice once the report is done.
  virtual void SetText(Control c, const std::wstring& text) = 0;
  virtual std::wstring Text(Control c) = 0;
  virtual void SetVisible(Control c, bool visible) = 0;
  virtual bool IsEnabled(Control c) = 0;
  virtual void SetBackColor(Control c, std::uint32_t color) = 0;

  // Combo-box items.
  virtual void ClearItems(Control c) = 0;
  virtual void AddItem(Control c, const std::wstring& text) = 0;
  // One item at a time, so that the shown text and the colour stay as they
  // are.
  virtual std::vector<std::wstring> Items(Control c) = 0;
  virtual void InsertItem(Control c, std::size_t index, const std::wstring& text) = 0;
  virtual void RemoveItem(Control c, std::size_t index) = 0;
  // True while a combo box's drop-down list is open.
  virtual bool IsDroppedDown(Control c) = 0;
  virtual void SetEnabled(Control c, bool enabled) = 0;

  // Loads a picture file (GIF) into an image control; on failure the image
  // is left empty and false comes back.
  virtual bool LoadPicture(Control c, const std::wstring& path) = 0;

  virtual float Width(Control c) = 0;
  virtual void SetWidth(Control c, float twips) = 0;
  virtual void Repaint(Control c) = 0;

  // The window's outer size (frame included), the screen's size, and the
  // window's position on the screen.
  virtual TwipSize OuterSize() = 0;
  virtual TwipSize ScreenSize() = 0;
  virtual void SetTop(int twips) = 0;
  virtual void SetLeft(int twips) = 0;

  virtual void SetHourglass(bool busy) = 0;
  // Modal message box titled with the application's name.
  virtual MessageAnswer ShowMessage(const std::wstring& text,
                                    MessageKind kind) = 0;
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
  // Blocks until the work of the job in flight, if any, has returned; its
  // `done` still comes later, as an event.
  virtual void AwaitBackgroundWork() = 0;

  // Shows the window where it stands and gives the focus to the first
  // control of the tab order.
  virtual void Show() = 0;
  // Unloads the window and ends the program at once. The caller returns
  // straight after; a fake records the call instead.
  virtual void EndProgram() = 0;
};

// What the window reports to the logic. Each call is one event; the window
// it came from is passed along.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void OnPortClick(MainWindow& w) = 0;  // click or double click
  // The port list lost the focus, or Enter was pressed in it.
  virtual void OnPortTextCommitted(MainWindow& w) = 0;
  virtual void OnLanguageClick(MainWindow& w) = 0;  // click or double click
  // Either upgrade button: both act alike.
  virtual void OnUpgradeClick(MainWindow& w) = 0;
  virtual void OnExitClick(MainWindow& w) = 0;
  virtual void OnUpgradeTick(MainWindow& w) = 0;
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
