#include "platform/win32_newer_api.h"

#include "platform/win32_owned.h"

namespace vz {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// GetProcAddress gives a generic function pointer; it is cast to the
// function's real type through the one type that every cast may pass.
template <typename Fn>
Fn Find(const wchar_t* dll, const char* name) {
  HMODULE module = GetModuleHandleW(dll);
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

UINT ScreenDpi() {
  const WindowDc screen(nullptr);
  if (!screen.valid()) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

NewerApi NewerApi::LookUp() {
  NewerApi api;
  api.getDpiForWindow_ = Find<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  api.getDpiForSystem_ = Find<GetDpiForSystemFn>(L"user32.dll", "GetDpiForSystem");
  api.adjustWindowRectExForDpi_ =
      Find<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  api.setDefaultDllDirectories_ =
      Find<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
  return api;
}

const NewerApi& NewerApi::OfThisWindows() {
  static const NewerApi found = LookUp();
  return found;
}

const NewerApi& NewerApi::Windows7() {
  static const NewerApi none;
  return none;
}

UINT NewerApi::DpiForWindow(HWND hwnd) const {
  if (!hwnd) return DpiForSystem();
  const UINT dpi = getDpiForWindow_ ? getDpiForWindow_(hwnd) : ScreenDpi();
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

UINT NewerApi::DpiForSystem() const {
  const UINT dpi = getDpiForSystem_ ? getDpiForSystem_() : ScreenDpi();
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

bool NewerApi::AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD exStyle, UINT dpi) const {
  if (adjustWindowRectExForDpi_) {
    return adjustWindowRectExForDpi_(rect, style, FALSE, exStyle, dpi) != FALSE;
  }
  return AdjustWindowRectEx(rect, style, FALSE, exStyle) != FALSE;
}

bool NewerApi::RestrictDllSearch() const {
  if (setDefaultDllDirectories_ && setDefaultDllDirectories_(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return true;
  }
  (void)SetDllDirectoryW(L"");
  return false;
}

}  // namespace vz
