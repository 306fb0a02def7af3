// The fixture of the tests of the real window: a program folder with a
// message file and the flags, and the window started in it by the real
// start-up sequence. Shared by the window's test files (the DPI check runs
// StartedWindow.Dpi* of all of them).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/event_handlers.h"
#include "app/startup.h"
#include "testkit/cp1252.h"
#include "ui/win32_window.h"
#include "win32_support.h"

namespace vz::test {

inline std::string Cp1252(const std::wstring& text) { return cp1252::Encode(text); }

// A program folder with a message file, the flags, and a started window.
class StartedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* flag : {L"France.gif", L"UK.gif"}) {
      CopyFileW((ExeDir() + L"data\\" + flag).c_str(), (dir / flag).c_str(), FALSE);
    }
    WriteFileBytes(dir / L"FrmDescFRA.txt",
                   Cp1252(L"; textes\r\n[FrmDownload]\r\nFRM_ALL_C_EXIT=SORTIE\r\n"
                          L"FRM_FW_UPGRADE_TITLE=Mise à jour\r\n"
                          L"FRM_FW_UPGRADE_C_UPGRADE=LANCER\r\n"
                          L"FRM_FW_UPGRADE_L_COM_PORT=Port :\r\n"
                          L"FRM_FW_UPGRADE_L_LINGUA=Langue :\r\n"
                          L"FRM_FW_UPGRADE_L_TITOLO=TITRE§DEUX\r\n"));
  }
  void TearDown() override { window.reset(); }

  void Start() {
    RunProgram(g, sys, [this]() -> MainWindow& {
      Win32Window::Options options;
      options.onEnd = [this] { ended = true; };
      options.quitOnDestroy = false;
      options.api = api;
      window = std::make_unique<Win32Window>(GetModuleHandleW(nullptr), form, options);
      EXPECT_TRUE(window->Create());
      return *window;
    });
    window->PumpEvents();
  }
  HWND H(Control c) { return window->Handle(c); }
  // What the list tells its parent when the technician picks an entry.
  void Pick(const wchar_t* entry) {
    const auto index = SendMessageW(H(Control::PortList), CB_FINDSTRINGEXACT,
                                    static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry));
    SendMessageW(H(Control::PortList), CB_SETCURSEL, index, 0);
    SendMessageW(H(Control::Window), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(H(Control::PortList)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(H(Control::PortList)));
  }
  // Enter in a control, through the window's own message handling.
  void PressEnter(HWND control) {
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(control, WM_KEYUP, VK_RETURN, 0);
    window->PumpEvents();
  }
  std::wstring Caption(Control c) {
    wchar_t text[256] = {};
    GetWindowTextW(H(c), text, 256);
    return text;
  }
  bool Shown(Control c) { return (GetWindowLongW(H(c), GWL_STYLE) & WS_VISIBLE) != 0; }
  std::vector<std::wstring> Items(Control c) {
    std::vector<std::wstring> out;
    const auto n = SendMessageW(H(c), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      wchar_t text[64] = {};
      SendMessageW(H(c), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      out.push_back(text);
    }
    return out;
  }
  COMBOBOXINFO PortParts() {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(H(Control::PortList), &info);
    return info;
  }
  // The colour the port list's edit field is painted with.
  COLORREF PortListColor() {
    HWND edit = PortParts().hwndItem;
    HDC dc = GetDC(edit);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(H(Control::Window), WM_CTLCOLOREDIT,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(edit)));
    ReleaseDC(edit, dc);
    LOGBRUSH lb{};
    GetObjectW(brush, sizeof(lb), &lb);
    return lb.lbColor;
  }

  TempDir dir{L"vzwin"};
  TestSystem sys{dir.path()};
  Globals g;
  EventHandlers form{g, sys};
  std::unique_ptr<Win32Window> window;
  bool ended = false;
  // The newer Windows functions the next Start() lets the window use.
  const NewerApi* api = &NewerApi::OfThisWindows();
};

}  // namespace vz::test
