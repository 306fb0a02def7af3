// The program's entry point on Windows.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "app/event_handlers.h"
#include "app/startup.h"
#include "platform/win32_instance.h"
#include "platform/win32_newer_api.h"
#include "platform/win32_system.h"
#include "state/globals.h"
#include "ui/win32_window.h"
#include "ui/window_identity.h"

// How long a second copy looks for the first copy's window, which may still
// be starting.
constexpr DWORD kFindFirstCopyMs = 3000;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // DLLs loaded from here on come from the system directory only where
  // this Windows can say so (see RestrictDllSearch for Windows 7).
  (void)vz::NewerApi::OfThisWindows().RestrictDllSearch();

  vz::Win32System system;
  // A second copy in the same folder shows the first one and ends; one
  // that cannot says so.
  const std::wstring folder = system.ExecutableDir();
  vz::FolderInstance thisCopy(folder);
  if (!thisCopy.first()) {
    switch (vz::WaitForFirstCopy(thisCopy, vz::kMainWindowClass, folder, kFindFirstCopyMs)) {
      case vz::FirstCopy::BroughtForward:
        return 0;
      case vz::FirstCopy::Ended:
        break;  // this copy is the first now
      case vz::FirstCopy::NotReached:
        return vz::ReportStartupFailure(std::wstring(vz::layout::kAppTitle) + L".exe: " +
                                        vz::ErrorTextOrNumber(ERROR_BUSY));
    }
  }
  // The picture decoder is a COM object.
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  vz::Globals globals;
  vz::EventHandlers handlers(globals, system);
  std::unique_ptr<vz::Win32Window> window;

  vz::RunProgram(globals, system, [&]() -> vz::MainWindow& {
    window = std::make_unique<vz::Win32Window>(instance, handlers, vz::Win32Window::Options{});
    if (!window->Create()) {
      ExitProcess(static_cast<UINT>(
          vz::ReportStartupFailure(vz::ErrorTextOrNumber(window->createError()))));
    }
    return *window;
  });
  return window->RunMessageLoop();
}
