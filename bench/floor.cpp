// The floor of the start-up benchmark: the least a Win32 program does to
// show a window of the program's client size. Built twice:
//   bench_floor.exe      registers a class, opens one empty window, pumps
//   bench_floor_gif.exe  the same, and first decodes France.gif (beside
//                        the exe) with OleLoadPicture from an IStream, the
//                        decoder the program uses for its flag
// Window class "VzBenchFloor"; it closes on WM_CLOSE like any window.
#include <windows.h>

#ifdef VZ_FLOOR_GIF
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

// Finding the picture is not what is measured; one GetModuleFileNameW
// either way.
#include "testkit/exe_dir.h"
#endif

#include <string>

#include "window/layout.h"

namespace {

LRESULT CALLBACK FloorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

#ifdef VZ_FLOOR_GIF
// The same steps as the program's picture loading: the whole file into
// movable global memory, a stream on it, OleLoadPicture, a copy of the
// bitmap. Returns the copy (nullptr on failure).
HBITMAP DecodeGif(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart));
  DWORD got = 0;
  if (memory) {
    ReadFile(file, GlobalLock(memory), static_cast<DWORD>(size.QuadPart), &got, nullptr);
    GlobalUnlock(memory);
  }
  CloseHandle(file);
  IStream* stream = nullptr;
  if (!memory || FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) return nullptr;
  IPicture* picture = nullptr;
  const HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(size.QuadPart), FALSE, IID_IPicture,
                                    reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr) || !picture) return nullptr;
  HBITMAP copy = nullptr;
  OLE_HANDLE handle = 0;
  if (SUCCEEDED(picture->get_Handle(&handle))) {
    copy = static_cast<HBITMAP>(
        CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0));
  }
  picture->Release();
  return copy;
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef VZ_FLOOR_GIF
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HBITMAP flag = DecodeGif(vz::test::ExeDir() + L"France.gif");
  if (!flag) return 3;  // a floor that skipped the decode would flatter the program
#endif
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"VzBenchFloor";
  if (!RegisterClassExW(&wc)) return 1;

  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  // The system DPI, as Windows 7 gives it too.
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  RECT frame{0, 0, vz::layout::TwipsToPixels(vz::layout::kClientWidth, dpi),
             vz::layout::TwipsToPixels(vz::layout::kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, L"floor", style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 2;
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
#ifdef VZ_FLOOR_GIF
  DeleteObject(flag);
  CoUninitialize();
#endif
  return 0;
}
