// What a run holds on the PC and shows outside the window: Windows' session
// messages (shutdown, restart, logoff), the reason on its shutdown screen,
// sleep held off, and the state of the taskbar button.
#include "ui/win32_window.h"

#include <shobjidl.h>

#include <algorithm>

namespace vz {

LRESULT Win32Window::OnSessionMessage(UINT msg, WPARAM wp) {
  if (msg == WM_QUERYENDSESSION) return events_.OnSessionEndAsked(*this) ? TRUE : FALSE;
  // The session ends once this returns, the process with it.
  if (wp) events_.OnSessionEnded(*this);
  return 0;
}

void Win32Window::HoldOffShutdownAndSleep(const std::wstring& reason) {
  if (!hwnd_) return;
  // Both since Windows Vista. The display may still turn off.
  (void)ShutdownBlockReasonCreate(hwnd_, reason.c_str());
  (void)SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  pcHeld_ = true;
}

void Win32Window::AllowShutdownAndSleep() {
  if (!pcHeld_) return;
  pcHeld_ = false;
  if (hwnd_) (void)ShutdownBlockReasonDestroy(hwnd_);
  (void)SetThreadExecutionState(ES_CONTINUOUS);
}

// Explorer tells each window once its taskbar button exists (again after
// Explorer restarts); only then can the button be given a state.
void Win32Window::OnTaskbarButtonCreated() {
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(taskbar_.receive()))) ||
      FAILED(taskbar_.get()->HrInit())) {
    taskbar_.Close();
    return;
  }
  ApplyTaskbarState();
}

void Win32Window::ShowOnTaskbar(TaskbarState state, int steps, int stepsToFill) {
  taskbarState_ = state;
  taskbarSteps_ = std::max(steps, 0);
  taskbarStepsToFill_ = std::max(stepsToFill, 1);
  ApplyTaskbarState();
}

void Win32Window::ApplyTaskbarState() {
  ITaskbarList3* list = taskbar_.get();
  if (!list || !hwnd_) return;
  switch (taskbarState_) {
    case TaskbarState::None:
      list->SetProgressState(hwnd_, TBPF_NOPROGRESS);
      break;
    case TaskbarState::Busy:
      list->SetProgressState(hwnd_, TBPF_INDETERMINATE);
      break;
    case TaskbarState::Progress:
      list->SetProgressState(hwnd_, TBPF_NORMAL);
      list->SetProgressValue(hwnd_, static_cast<ULONGLONG>(taskbarSteps_),
                             static_cast<ULONGLONG>(taskbarStepsToFill_));
      break;
    case TaskbarState::Failed:
      // Red, and full, so that it reads as an end and not as a pause.
      list->SetProgressState(hwnd_, TBPF_ERROR);
      list->SetProgressValue(hwnd_, 1, 1);
      break;
  }
}

}  // namespace vz
