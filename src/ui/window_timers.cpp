// The window's timers: the one switch for all of them, and their ticks.
#include "ui/win32_window.h"

#include "ui/window_messages.h"

namespace vz {

void Win32Window::SwitchTimer(const WindowTimer& timer, bool on) {
  if (!hwnd_) return;
  if (on) {
    SetTimer(hwnd_, timer.id, timer.intervalMs, nullptr);
  } else {
    KillTimer(hwnd_, timer.id);
  }
}

void Win32Window::SetUpgradeTimer(bool enabled) {
  if (!hwnd_) return;
  SwitchTimer(kUpgradeTimer, enabled);
  timerOn_ = enabled;
}

void Win32Window::SetDeviceSettleTimer(bool enabled) { SwitchTimer(kDeviceSettleTimer, enabled); }

void Win32Window::OnTimer(UINT_PTR id) {
  if (id == kUpgradeTimer.id) OnUpgradeTick();
  if (id == kPostedMessageTimer.id) ShowPostedMessage();
  if (id == kDeviceSettleTimer.id) events_.OnDeviceSettleTick(*this);
}

void Win32Window::OnUpgradeTick() {
  // A tick that falls due while the previous one is still running (inside
  // a message box or an event pump) is dropped, never nested.
  if (!timerOn_ || inTick_) return;
  inTick_ = true;
  events_.OnUpgradeTick(*this);
  inTick_ = false;
}

}  // namespace vz
