// Starts a program (or just waits) and reports when its main window is on
// the screen. Used by the demo and the start-up benchmark:
//   winwait.exe [--launch PROGRAM] [--class NAME] [--timeout MS]
//               [--memory] [--close]
// Prints the milliseconds from launch (or from its own start) until a
// visible top-level window of that class exists; exit code 0 when found,
// 1 on time-out, 2 when the program could not be started.
//   winwait.exe --hold-desktop
// Keeps Wine's desktop open until it is ended (the scripts start it once
// per run): a desktop closes a moment after its last program has gone,
// and the next program to open a window starts it again as its own child,
// where ending that program's processes would end the desktop too. Prints
// "desktop held" once it is in place.
// With --launch, two more flags (which then only count a window of the
// launched process):
//   --memory  about 500 ms after the window is visible, prints a second
//             line: the launched process's peak working set in KiB
//   --close   then posts WM_CLOSE to the window and waits up to 10 s for
//             the process to end; if it does not, ends it and returns 3.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32_owned.h"
#include "testkit/wait.h"
#include "ui/window_identity.h"

namespace {

// A visible top-level window of the class; with a process id, only one of
// that process.
HWND FindVisible(const std::wstring& windowClass, DWORD pid) {
  if (!pid) {
    HWND w = FindWindowW(windowClass.c_str(), nullptr);
    return w && IsWindowVisible(w) ? w : nullptr;
  }
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, windowClass.c_str(), nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

int HoldDesktop() {
  (void)GetDesktopWindow();  // starts the desktop's process if needed
  // A window of ours, never shown, makes this process one of the desktop's.
  if (!CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)) {
    std::fprintf(stderr, "no window: error %lu\n", GetLastError());
    return 1;
  }
  std::printf("desktop held\n");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && !wcscmp(argv[1], L"--hold-desktop")) return HoldDesktop();
  std::wstring program, windowClass = vz::kMainWindowClass;
  DWORD timeoutMs = 20000;
  bool memory = false, close = false;
  for (int i = 1; i < argc; ++i) {
    if (!wcscmp(argv[i], L"--memory")) {
      memory = true;
    } else if (!wcscmp(argv[i], L"--close")) {
      close = true;
    } else if (i + 1 < argc) {
      if (!wcscmp(argv[i], L"--launch")) program = argv[i + 1];
      if (!wcscmp(argv[i], L"--class")) windowClass = argv[i + 1];
      if (!wcscmp(argv[i], L"--timeout")) timeoutMs = wcstoul(argv[i + 1], nullptr, 10);
      ++i;
    }
  }
  const bool ownWindow = !program.empty() && (memory || close);
  // The first window call loads the display driver (tens of ms under
  // Wine): done before the clock starts, so it is not counted and does not
  // compete with the program being timed.
  (void)GetDesktopWindow();
  (void)FindWindowW(windowClass.c_str(), nullptr);
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  PROCESS_INFORMATION pi{};
  vz::ScopedHandle process;
  if (!program.empty()) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
      std::fprintf(stderr, "cannot start program: error %lu\n", GetLastError());
      return 2;
    }
    vz::ScopedHandle(pi.hThread).Close();
    process.reset(pi.hProcess);
  }
  HWND w = nullptr;
  const bool shown = vz::test::WaitUntil(
      [&] { return (w = FindVisible(windowClass, ownWindow ? pi.dwProcessId : 0)) != nullptr; },
      timeoutMs, 1);
  QueryPerformanceCounter(&now);
  const double ms = (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
  if (!shown) {
    std::fprintf(stderr, "no window after %.0f ms\n", ms);
    if (process.valid() && ownWindow) TerminateProcess(process.get(), 1);
    return 1;
  }
  std::printf("%.1f\n", ms);
  int status = 0;
  if (ownWindow) {
    if (memory) {
      Sleep(500);
      PROCESS_MEMORY_COUNTERS counters{};
      counters.cb = sizeof(counters);
      if (GetProcessMemoryInfo(process.get(), &counters, sizeof(counters))) {
        std::printf("%.0f\n", counters.PeakWorkingSetSize / 1024.0);
      } else {
        std::fprintf(stderr, "no memory figures: error %lu\n", GetLastError());
        std::printf("0\n");
      }
    }
    if (close) {
      PostMessageW(w, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the program did not end after WM_CLOSE\n");
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        status = 3;
      }
    }
  }
  std::fflush(stdout);
  return status;
}
