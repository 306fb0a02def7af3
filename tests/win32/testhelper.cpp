// A small helper process for the Win32 tests:
//   vz_testhelper.exe hold PATH MS   opens PATH with no sharing for MS ms
//   vz_testhelper.exe sleep MS       just runs for MS ms (process lookup)
//   vz_testhelper.exe echo           writes its command line and current
//                                    directory to launched.txt beside itself
//   vz_testhelper.exe window CLASS MS
//                                    has a top-level window of CLASS, hidden,
//                                    for MS ms (a copy still starting)
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/win32_owned.h"
#include "testkit/exe_dir.h"
#include "testkit/wait.h"

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && !wcscmp(argv[1], L"hold")) {
    // The test looks whether the hold is in effect by opening the file
    // itself for a moment; an open that meets that look tries again.
    vz::ScopedHandle h;
    vz::test::WaitUntil(
        [&] {
          h.reset(CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
          return h.valid() || GetLastError() != ERROR_SHARING_VIOLATION;
        },
        10000, 10);
    if (!h.valid()) return 3;
    Sleep(wcstoul(argv[3], nullptr, 10));
    return 0;
  }
  if (argc >= 4 && !wcscmp(argv[1], L"window")) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = argv[2];
    if (!RegisterClassW(&cls)) return 3;
    HWND w = CreateWindowExW(0, argv[2], L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                             cls.hInstance, nullptr);
    if (!w) return 3;
    const DWORD until = GetTickCount() + wcstoul(argv[3], nullptr, 10);
    MSG msg;
    while (GetTickCount() < until) {
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    }
    return 0;
  }
  if (argc >= 3 && !wcscmp(argv[1], L"sleep")) {
    Sleep(wcstoul(argv[2], nullptr, 10));
    return 0;
  }
  // Started without arguments (as the uploader is) or with "echo".
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::wstring text = std::wstring(GetCommandLineW()) + L"\n" + cwd + L"\n";
  const vz::ScopedHandle out(CreateFileW((vz::test::ExeDir() + L"launched.txt").c_str(),
                                         GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) return 3;
  DWORD written = 0;
  WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
            nullptr);
  return 0;
}
