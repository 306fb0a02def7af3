// The window seam's calls: what the logic asks the window to show, put onto
// the controls of the design.
#include "ui/win32_window.h"

#include "messages/message_table.h"
#include "ui/display.h"

namespace vz {
namespace {

// The port list's colour: green when its text names a port, red when not.
constexpr std::uint32_t kPortValid = 0x00FF00;
constexpr std::uint32_t kPortInvalid = 0x0000FF;

}  // namespace

void Win32Window::ShowCaptions(const Captions& c) {
  SetText(Control::ExitButton, c.exit);
  SetText(Control::Window, c.title);
  SetText(Control::UpgradeButton, c.upgrade);
  SetText(Control::TitleLabel, c.titleLabel);
  SetText(Control::PortLabel, c.portLabel);
  SetText(Control::LanguageLabel, c.languageLabel);
  Repaint(Control::Window);
}

bool Win32Window::ShowFlag(const std::wstring& path) { return LoadPicture(Control::Flag, path); }

void Win32Window::ShowLanguages(const std::vector<std::wstring>& entries) {
  ClearItems(Control::LanguageList);
  for (const std::wstring& entry : entries) AddItem(Control::LanguageList, entry);
}

void Win32Window::ShowLanguage(const std::wstring& name) { SetText(Control::LanguageList, name); }

std::wstring Win32Window::LanguageText() { return Text(Control::LanguageList); }

std::wstring Win32Window::PortText() { return Text(Control::PortList); }

void Win32Window::ShowPortText(const std::wstring& text) { SetText(Control::PortList, text); }

void Win32Window::ShowPortValid(bool valid) {
  SetBackColor(Control::PortList, valid ? kPortValid : kPortInvalid);
}

bool Win32Window::PortListOpen() { return IsDroppedDown(Control::PortList); }

void Win32Window::ShowStartOffered() {
  // After a run the three start and exit buttons come back, the second
  // start button too; a start refused before its run hid none of them.
  if (runShown_) {
    runShown_ = false;
    ShowIdleLines();
    SetVisible(Control::UpgradeButton, true);
    SetVisible(Control::InteractiveUpgradeButton, true);
    SetVisible(Control::ExitButton, true);
  }
  SetEnabled(Control::PortList, true);
}

void Win32Window::ShowStartHeld() { SetEnabled(Control::PortList, false); }

void Win32Window::ShowRunStarting() {
  runShown_ = true;
  SetText(Control::StatusLine1, L"");
  SetText(Control::StatusLine2, L"");
  SetWidth(Control::ProgressBar, 0);
  SetVisible(Control::ProgressPanel, false);
  Repaint(Control::ProgressPanel);
  // The buttons go first; events that waited meanwhile are handled then,
  // twice, as the window has always let them through here.
  SetVisible(Control::ExitButton, false);
  SetVisible(Control::UpgradeButton, false);
  SetVisible(Control::InteractiveUpgradeButton, false);
  PumpEvents();
  PumpEvents();
}

void Win32Window::ShowProgress(int steps, int stepsToFill) {
  SetVisible(Control::ProgressPanel, true);
  const float step = Width(Control::ProgressPanel) / static_cast<float>(stepsToFill);
  SetWidth(Control::ProgressBar, step * static_cast<float>(steps));
  Repaint(Control::ProgressBar);
  PumpEvents();
}

void Win32Window::ShowBusy(bool busy) { ShowBusyPointer(busy); }

void Win32Window::ShowRunStatus(const std::wstring& line1, const std::wstring& line2) {
  ShowStatusLine(Control::StatusLine1, line1);
  ShowStatusLine(Control::StatusLine2, line2);
}

void Win32Window::ShowIdleStatus(const std::wstring& line1, const std::wstring& line2) {
  idleLine1_ = line1;
  idleLine2_ = line2;
  if (!runShown_) ShowIdleLines();
}

void Win32Window::ShowIdleLines() {
  for (const auto& [line, text] : {std::pair{Control::StatusLine1, &idleLine1_},
                                   std::pair{Control::StatusLine2, &idleLine2_}}) {
    if (!text->empty()) {
      ShowStatusLine(line, *text);
    } else {
      SetText(line, L"");
      SetVisible(line, false);
    }
  }
}

void Win32Window::ShowStatusLine(Control c, const std::wstring& text) {
  // Each tick tells the lines again; only a change is put on the screen.
  HWND label = Handle(c);
  RECT room{};
  GetClientRect(label, &room);
  const std::wstring shown = ForDisplay(text);
  const WindowDc dc(label);
  HFONT font = nullptr;
  for (const layout::Font& candidate : layout::kStatusFonts) {
    font = FontFor(candidate);
    const SIZE needed = MeasureText(dc.get(), font, shown, room.right);
    if (needed.cy <= room.bottom && needed.cx <= room.right) break;
  }
  if (reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)) != font) {
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (Text(c) != text) SetText(c, text);
  SetVisible(c, true);
}

void Win32Window::DrawAttention() {
  if (!hwnd_ || GetForegroundWindow() == hwnd_) return;
  FLASHWINFO flash{sizeof(flash), hwnd_, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&flash);
}

}  // namespace vz
