// The functions this program uses that Windows 7 SP1 lacks, looked up at
// run time in this one place, each with its Windows 7 fallback. The
// program imports nothing newer than Windows 7, so the loader accepts it
// there; on newer Windows these lookups find the real functions and the
// program behaves as if it had imported them.
#pragma once

#include <windows.h>

namespace vz {

class NewerApi {
 public:
  // The functions this Windows has, looked up once in the already loaded
  // kernel32 and user32 (never by loading a DLL).
  static const NewerApi& OfThisWindows();
  // None of them, as on a Windows 7 without updates: the fallbacks are
  // taken. Tests use it to see the program as Windows 7 runs it.
  static const NewerApi& Windows7();

  // The DPI the window is drawn at (GetDpiForWindow, Windows 10 1607);
  // with no window, the system's (GetDpiForSystem). Fallback: the screen's
  // LOGPIXELSX, which is the system DPI a system-aware program sees.
  UINT DpiForWindow(HWND hwnd) const;
  UINT DpiForSystem() const;
  // AdjustWindowRectExForDpi (Windows 10 1607). Fallback: AdjustWindowRectEx,
  // whose frame is measured at the system DPI.
  bool AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) const;
  // Keeps DLLs that the program loads later (COM, the picture decoder, the
  // common controls' helpers) from being taken from a folder where anybody
  // could drop one. SetDefaultDllDirectories (Windows 8, or Windows 7 with
  // KB2533623) restricts the search to the system directory. Fallback:
  // SetDllDirectoryW(L""), which only takes the current directory out of
  // the search; the program's own folder is still searched, so an
  // unpatched Windows 7 is less protected. True when the strict form was
  // applied.
  bool RestrictDllSearch() const;
  bool HasSetDefaultDllDirectories() const { return setDefaultDllDirectories_ != nullptr; }

 private:
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using GetDpiForSystemFn = UINT(WINAPI*)();
  using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

  NewerApi() = default;
  static NewerApi LookUp();

  GetDpiForWindowFn getDpiForWindow_ = nullptr;
  GetDpiForSystemFn getDpiForSystem_ = nullptr;
  AdjustWindowRectExForDpiFn adjustWindowRectExForDpi_ = nullptr;
  SetDefaultDllDirectoriesFn setDefaultDllDirectories_ = nullptr;
};

}  // namespace vz
