// The keyboard focus, kept while the window is inactive and given back on
// its return, as a dialog does.
#include "ui/win32_window.h"

namespace vz {

bool Win32Window::OnActivate(WPARAM wp) {
  if (LOWORD(wp) == WA_INACTIVE) {
    SaveFocus();
    return false;
  }
  // Handled: the focus goes to a control, not to the window itself, as
  // DefWindowProc would have it.
  return !HIWORD(wp) && RestoreFocus();
}

void Win32Window::SaveFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
}

bool Win32Window::RestoreFocus() {
  HWND target = savedFocus_;
  // A control hidden or disabled since (the buttons while an upgrade runs)
  // cannot take it.
  if (!target || !IsChild(hwnd_, target) || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
    target = FirstTabStop();
  }
  if (!target) return false;
  SetFocus(target);
  return true;
}

HWND Win32Window::FirstTabStop() const {
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace vz
