// Message boxes: shown now, or posted to show once the event at hand has
// been handled; and the box of a program that cannot start.
#include "ui/win32_window.h"

#include "messages/message_table.h"
#include "ui/window_messages.h"

namespace vz {

MessageAnswer Win32Window::ShowMessage(const std::wstring& text, MessageKind kind) {
  // Closed during an event pump of a handler: the program is ending, and a
  // message now would stand alone on the screen.
  if (!hwnd_) {
    const bool asks = kind == MessageKind::Question || kind == MessageKind::Warning;
    return asks ? MessageAnswer::No : MessageAnswer::Ok;
  }
  UINT flags = MB_OK;
  switch (kind) {
    case MessageKind::Error:
      flags = MB_OK | MB_ICONERROR;
      break;
    case MessageKind::Question:
      flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1;
      break;
    case MessageKind::Information:
      flags = MB_OK | MB_ICONINFORMATION;
      break;
    case MessageKind::Plain:
      flags = MB_OK;
      break;
    case MessageKind::Warning:
      flags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
      break;
  }
  ++openBoxes_;
  const int answer = MessageBoxW(hwnd_, ForDisplay(text).c_str(), layout::kAppTitle, flags);
  --openBoxes_;
  switch (answer) {
    case IDYES:
      return MessageAnswer::Yes;
    case IDNO:
      return MessageAnswer::No;
    case IDOK:
      return MessageAnswer::Ok;
    default:
      return MessageAnswer::Neither;  // Esc, the close box, or no box at all
  }
}

void Win32Window::PostMessageBox(const std::wstring& text, MessageKind kind) {
  if (!hwnd_) return;
  for (const PostedMessage& waiting : posted_) {
    if (waiting.text == text) return;  // told once is enough
  }
  posted_.push_back({text, kind});
  // A timer message comes only when no input and no posted message waits,
  // so the event that posted this box has been handled in full by then.
  SwitchTimer(kPostedMessageTimer, true);
}

void Win32Window::ShowPostedMessage() {
  if (posted_.empty()) {
    SwitchTimer(kPostedMessageTimer, false);
    return;
  }
  // Not in the middle of a click (the control holding the mouse would never
  // see the button come up), nor over another box of ours.
  if (GetCapture() || openBoxes_ > 0) return;
  const PostedMessage next = posted_.front();
  posted_.pop_front();
  if (posted_.empty()) SwitchTimer(kPostedMessageTimer, false);
  ShowMessage(next.text, next.kind);
}

int ReportStartupFailure(const std::wstring& reason) {
  // A window that failed half-way may have asked to quit already; that
  // request would close the box at once.
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  MessageBoxW(nullptr, reason.c_str(), layout::kAppTitle, MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace vz
