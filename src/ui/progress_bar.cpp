#include "ui/progress_bar.h"

#include <initializer_list>

#include "platform/win32_owned.h"

namespace vz {
namespace {

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    const BrushHandle green(CreateSolidBrush(RGB(0, 255, 0)));
    FillRect(dc, &r, green.get());
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWTEXT));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool RegisterProgressClasses(const WNDCLASSEXW& form) {
  WNDCLASSEXW panel = form;
  panel.lpfnWndProc = PanelProc;
  panel.hIcon = panel.hIconSm = nullptr;
  panel.lpszClassName = kPanelClass;

  WNDCLASSEXW bar = panel;
  bar.lpfnWndProc = BarProc;
  bar.hbrBackground = nullptr;
  bar.lpszClassName = kBarClass;

  for (const WNDCLASSEXW* c : {&panel, &bar}) {
    if (!RegisterClassExW(c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
}

}  // namespace vz
