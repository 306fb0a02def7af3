// Starts a program (or just waits) and reports when its main window is on
// the screen. Used by the demo and the start-up benchmark:
//   winwait.exe [--launch PROGRAM] [--class NAME] [--timeout MS]
// Prints the milliseconds from launch (or from its own start) until a
// visible top-level window of that class exists; exit code 0 when found,
// 1 on time-out, 2 when the program could not be started.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  std::wstring program, windowClass = L"VardolinFrmDownload";
  DWORD timeoutMs = 20000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!wcscmp(argv[i], L"--launch")) program = argv[i + 1];
    if (!wcscmp(argv[i], L"--class")) windowClass = argv[i + 1];
    if (!wcscmp(argv[i], L"--timeout")) timeoutMs = wcstoul(argv[i + 1], nullptr, 10);
  }
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  if (!program.empty()) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, &pi)) {
      std::fprintf(stderr, "cannot start program: error %lu\n", GetLastError());
      return 2;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  for (;;) {
    HWND w = FindWindowW(windowClass.c_str(), nullptr);
    QueryPerformanceCounter(&now);
    const double ms = (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    if (w && IsWindowVisible(w)) {
      std::printf("%.1f\n", ms);
      return 0;
    }
    if (ms > timeoutMs) {
      std::fprintf(stderr, "no window after %.0f ms\n", ms);
      return 1;
    }
    Sleep(1);
  }
}
