// The real window, built by the real start-up sequence, driven in-process.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/event_handlers.h"
#include "app/startup.h"
#include "i18n/language.h"
#include "port/port_devices.h"
#include "started_window.h"
#include "testkit/driver.h"
#include "testkit/release.h"
#include "ui/win32_window.h"
#include "win32_support.h"

namespace vz::test {
namespace {

// Answers the message boxes this process shows with a button (OK unless
// told), from a thread of its own, and keeps what they said.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int button = IDOK) : button_(button), thread_([this] { Run(); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  std::vector<e2e::MessageBoxSeen> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Run() {
    while (!stop_) {
      if (auto box = e2e::FindMessageBox(GetCurrentProcessId())) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          seen_.push_back(*box);
        }
        e2e::Program::Answer(*box, button_);
        e2e::WaitUntil([&] { return !IsWindow(box->hwnd); }, 5000, 5);
      }
      Sleep(5);
    }
  }
  const int button_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<e2e::MessageBoxSeen> seen_;
  std::thread thread_;  // last: it starts once the rest exists
};

TEST_F(StartedWindow, ShowsTheLocalisedDesignState) {
  Start();
  EXPECT_EQ(ReadFileBytes(dir / L"Language.ini"), "FRANCAISE\r\n");
  EXPECT_EQ(Caption(Control::Window), std::wstring(L"Mise à jour") + kTitleRelease);
  EXPECT_EQ(Caption(Control::ExitButton), L"SORTIE");
  EXPECT_EQ(Caption(Control::UpgradeButton), L"LANCER");
  EXPECT_EQ(Caption(Control::PortLabel), L"Port :");
  EXPECT_EQ(Caption(Control::LanguageLabel), L"Langue :");
  EXPECT_EQ(Caption(Control::TitleLabel), L"TITRE\r\nDEUX") << "§ starts a second line";
  EXPECT_EQ(Caption(Control::InteractiveUpgradeButton), L"Upgrade Interattivo");
  EXPECT_FALSE(Shown(Control::InteractiveUpgradeButton));
  EXPECT_FALSE(Shown(Control::StatusLine1));
  EXPECT_FALSE(Shown(Control::StatusLine2));
  EXPECT_FALSE(Shown(Control::ProgressPanel));
  EXPECT_TRUE(Shown(Control::UpgradeButton));
  EXPECT_TRUE(Shown(Control::ExitButton));
  EXPECT_TRUE(IsWindowVisible(H(Control::Window)));
  EXPECT_EQ(PortListColor(), RGB(255, 0, 0));
  EXPECT_NE(SendMessageW(H(Control::Flag), STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
      << "the French flag is shown";
  EXPECT_EQ(Items(Control::LanguageList), OfferedLanguages());
  EXPECT_EQ(Caption(Control::LanguageList), L"FRANCAISE");
  EXPECT_EQ(Items(Control::PortList),
            (std::vector<std::wstring>{L"COM1", L"COM3", L"COM12", L"COM25"}))
      << "every port that opens, above COM20 too";
  EXPECT_EQ(Caption(Control::PortList), L"") << "no port is chosen at start";
}

TEST_F(StartedWindow, ControlsAreStandardAndInDesignPlaceAndTabOrder) {
  Start();
  wchar_t cls[32];
  GetClassNameW(H(Control::PortList), cls, 32);
  EXPECT_EQ(_wcsicmp(L"ComboBox", cls), 0) << cls;
  EXPECT_EQ(GetWindowLongW(H(Control::PortList), GWL_STYLE) & 3, CBS_DROPDOWN);
  EXPECT_EQ(GetWindowLongW(H(Control::LanguageList), GWL_STYLE) & 3, CBS_DROPDOWN);
  GetClassNameW(H(Control::ExitButton), cls, 32);
  EXPECT_EQ(_wcsicmp(L"Button", cls), 0);
  GetClassNameW(H(Control::TitleLabel), cls, 32);
  EXPECT_EQ(_wcsicmp(L"Static", cls), 0);

  const int dpi = window->dpi();
  RECT client;
  GetClientRect(H(Control::Window), &client);
  EXPECT_EQ(client.right, layout::TwipsToPixels(10260, dpi));
  EXPECT_EQ(client.bottom, layout::TwipsToPixels(6675, dpi));
  RECT r;
  GetWindowRect(H(Control::ExitButton), &r);
  MapWindowPoints(nullptr, H(Control::Window), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, layout::TwipsToPixels(7920, dpi));
  EXPECT_EQ(r.top, layout::TwipsToPixels(5600, dpi));
  EXPECT_EQ(r.right - r.left, layout::TwipsToPixels(2115, dpi));

  // Tab order among the visible controls that take the focus.
  HWND expected[] = {H(Control::ExitButton), H(Control::UpgradeButton), H(Control::LanguageList),
                     H(Control::PortList)};
  HWND at = H(Control::PortList);
  for (HWND next : expected) {
    at = GetNextDlgTabItem(H(Control::Window), at, FALSE);
    EXPECT_EQ(at, next);
  }
}

// Run by the DPI check at 96, 120 and 144 dots per inch (the prefix's
// LogPixels); VZ_EXPECT_DPI names the DPI the run was set up for.
TEST_F(StartedWindow, DpiLayoutFollowsTheDesignAtTheSystemDpi) {
  Start();
  const int dpi = window->dpi();
  if (const char* expected = std::getenv("VZ_EXPECT_DPI")) {
    EXPECT_EQ(dpi, std::atoi(expected));
  }
  const HWND form = H(Control::Window);
  for (const layout::ControlDesign& d : layout::kControls) {
    if (d.kind == layout::Kind::Image || d.id == Control::ProgressBar) continue;
    RECT r;
    GetWindowRect(H(d.id), &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_NEAR(r.left, layout::TwipsToPixels(d.left, dpi), 1) << int(d.id);
    EXPECT_NEAR(r.top, layout::TwipsToPixels(d.top, dpi), 1) << int(d.id);
    EXPECT_NEAR(r.right - r.left, layout::TwipsToPixels(d.width, dpi), 1) << int(d.id);
    if (d.kind != layout::Kind::Combo) {
      EXPECT_NEAR(r.bottom - r.top, layout::TwipsToPixels(d.height, dpi), 1) << int(d.id);
    }
  }
  // Text grows with the DPI as well: the title's font is 20.25 points.
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(H(Control::TitleLabel), WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  GetObjectW(font, sizeof(lf), &lf);
  EXPECT_EQ(lf.lfHeight, layout::FontHeight(20.25f, dpi));
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(std::wstring(lf.lfFaceName), L"Arial");
  // Everything still fits in the client area.
  RECT client;
  GetClientRect(form, &client);
  RECT exit;
  GetWindowRect(H(Control::ExitButton), &exit);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&exit), 2);
  EXPECT_LE(exit.right, client.right);
  EXPECT_LE(exit.bottom, client.bottom);
}

TEST_F(StartedWindow, WindowIsCentredOnTheScreen) {
  Start();
  RECT r;
  GetWindowRect(H(Control::Window), &r);
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(r.left, (screenW - (r.right - r.left)) / 2, 1);
  EXPECT_NEAR(r.top, (screenH - (r.bottom - r.top)) / 2, 1);
}

TEST_F(StartedWindow, EmptyTitleLeavesTheReleaseAloneAndAMissingFlagNoPicture) {
  WriteFileBytes(dir / L"FrmDescFRA.txt", "FRM_FW_UPGRADE_TITLE=\r\n");
  DeleteFileW((dir / L"France.gif").c_str());
  Start();
  EXPECT_EQ(Caption(Control::Window), kTitleRelease);
  EXPECT_EQ(SendMessageW(H(Control::Flag), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_TRUE(IsWindowVisible(H(Control::Window)));
}

TEST_F(StartedWindow, CorruptFlagAndFiveMegabytesOfGarbageStillOpenTheWindow) {
  WriteFileBytes(dir / L"France.gif", "GIF89a\x10\x00\x10\x00garbage");
  std::string garbage(5 << 20, '\0');
  unsigned x = 12345;
  for (char& c : garbage) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  garbage.insert(garbage.size() / 2, "\rFRM_ALL_C_EXIT=ESCI\r");
  WriteFileBytes(dir / L"FrmDescFRA.txt", garbage);
  const DWORD start = GetTickCount();
  Start();
  std::printf("start-up with a 5 MB garbage message file: %lu ms\n", GetTickCount() - start);
  EXPECT_TRUE(IsWindowVisible(H(Control::Window)));
  EXPECT_EQ(Caption(Control::ExitButton), L"ESCI") << "the one good line among the garbage";
  EXPECT_EQ(SendMessageW(H(Control::Flag), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

TEST_F(StartedWindow, ChoosingAPortFromTheListWritesItAndTurnsTheListGreen) {
  Start();
  Pick(L"COM12");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x0C", 1));
  EXPECT_EQ(PortListColor(), RGB(0, 255, 0));
}

// A row of the port list as the window draws it, into a bitmap of its own:
// the columns in which it has text pixels (the window's text colour).
std::vector<bool> DrawnColumns(HWND window, HWND combo, int index) {
  const int width = static_cast<int>(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0));
  const int height = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  DRAWITEMSTRUCT row{ODT_COMBOBOX,
                     static_cast<UINT>(GetDlgCtrlID(combo)),
                     static_cast<UINT>(index),
                     ODA_DRAWENTIRE,
                     0,
                     combo,
                     dc,
                     RECT{0, 0, width, height},
                     0};
  SendMessageW(window, WM_DRAWITEM, row.CtlID, reinterpret_cast<LPARAM>(&row));
  std::vector<bool> inked(static_cast<std::size_t>(width), false);
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      if (GetPixel(dc, x, y) == GetSysColor(COLOR_WINDOWTEXT)) inked[x] = true;
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return inked;
}

int LastInked(const std::vector<bool>& columns) {
  for (int x = static_cast<int>(columns.size()) - 1; x >= 0; --x) {
    if (columns[x]) return x;
  }
  return -1;
}

TEST_F(StartedWindow, ThePortListDrawsEachDevicesNameBesideItsPortAndKeepsTheEntryAsThePort) {
  Start();
  HWND combo = H(Control::PortList);
  window->ShowPorts({{L"COM3", L""}});
  const auto narrow = SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0);
  const int entryEnd = LastInked(DrawnColumns(H(Control::Window), combo, 0));
  ASSERT_GT(entryEnd, 0) << "the entry is drawn";

  g.port.listed = {{3, L"USB-SERIAL CH340"}, {12, L""}};
  window->ShowPorts(Listings(g.port.listed));
  EXPECT_EQ(Items(Control::PortList), (std::vector<std::wstring>{L"COM3", L"COM12"}));
  EXPECT_GT(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), narrow) << "as wide as its widest row";
  const std::vector<bool> named = DrawnColumns(H(Control::Window), combo, 0);
  // The name starts after a gap and needs many columns of its own.
  int gap = entryEnd + 1;
  while (gap < static_cast<int>(named.size()) && !named[gap]) ++gap;
  EXPECT_GT(gap, entryEnd + 4) << "the name in a column after the port";
  EXPECT_GT(LastInked(named), gap + 60);
  EXPECT_LT(LastInked(DrawnColumns(H(Control::Window), combo, 1)), gap)
      << "no name, nothing beside";

  Pick(L"COM3");
  EXPECT_EQ(Caption(Control::PortList), L"COM3");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x03", 1));
  EXPECT_EQ(Caption(Control::StatusLine1), L"USB-SERIAL CH340") << "the chosen device in view";
  EXPECT_TRUE(Shown(Control::StatusLine1));
  EXPECT_FALSE(Shown(Control::StatusLine2));
}

TEST_F(StartedWindow, TypedTextIsHandledWhenTheListIsLeftOrEnterIsPressedInIt) {
  Start();
  HWND edit = PortParts().hwndItem;
  SetFocus(edit);
  SetWindowTextW(edit, L"COM25");
  EXPECT_FALSE(Exists(dir / L"port.ini")) << "typing alone saves nothing";
  SetFocus(H(Control::ExitButton));  // Tab, or a click elsewhere
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x19", 1));
  EXPECT_EQ(PortListColor(), RGB(0, 255, 0));

  SetFocus(edit);
  SetWindowTextW(edit, L"COM3x");
  PressEnter(edit);
  EXPECT_EQ(PortListColor(), RGB(255, 0, 0));
  EXPECT_EQ(GetFocus(), edit) << "Enter leaves the focus in the list";
  SetWindowTextW(edit, L"com012");
  PressEnter(edit);
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x0C", 1));
  EXPECT_EQ(Caption(Control::PortList), L"com012") << "shown as typed";
  EXPECT_EQ(PortListColor(), RGB(0, 255, 0));
}

TEST_F(StartedWindow, AnItemHighlightedInTheOpenListDoesNotOverwriteTypedText) {
  Start();
  Pick(L"COM3");
  HWND edit = PortParts().hwndItem;
  SetFocus(edit);
  SetWindowTextW(edit, L"COM25");
  SendMessageW(H(Control::PortList), CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageW(H(Control::PortList), CB_GETDROPPEDSTATE, 0, 0));
  // The pointer passes over COM12 in the open list, then the list is left.
  HWND list = PortParts().hwndList;
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  SendMessageW(list, WM_MOUSEMOVE, 0,
               MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2));
  window->PumpEvents();
  ASSERT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2) << "the list highlights COM12";
  SetFocus(H(Control::ExitButton));
  window->PumpEvents();
  EXPECT_EQ(Caption(Control::PortList), L"COM25");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x19", 1));
}

TEST_F(StartedWindow, AFailedSaveIsToldOnceTheFocusChangeThatCausedItIsDone) {
  Start();
  WriteFileBytes(dir / L"port.ini", "\x07");
  FileHold hold(dir / L"port.ini");
  ASSERT_TRUE(hold.held());
  BoxAnswerer answerer;
  HWND edit = PortParts().hwndItem;
  SetFocus(edit);
  SetWindowTextW(edit, L"COM25");
  SetFocus(H(Control::UpgradeButton));
  EXPECT_EQ(GetFocus(), H(Control::UpgradeButton)) << "the focus change went through";
  EXPECT_TRUE(answerer.Seen().empty()) << "the box waited until the event was handled";
  EXPECT_EQ(PortListColor(), RGB(255, 0, 0));
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        window->PumpEvents();
        return !answerer.Seen().empty();
      },
      5000));
  // Leaving the list again with the same text tells nothing more.
  SetFocus(edit);
  SetFocus(H(Control::UpgradeButton));
  EXPECT_TRUE(e2e::NoChangeWithin(
      [&] {
        window->PumpEvents();
        return answerer.Seen().size() > 1;
      },
      500));
  hold.Release();
  const std::vector<e2e::MessageBoxSeen> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"Vardolin_VaZuvovev");
  EXPECT_EQ(seen[0].text, L"port.ini: " + sys.ErrorText(ERROR_SHARING_VIOLATION, L"port.ini"));
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), "\x07");
}

// From the question's Yes on, Windows may not end the session; one that
// ends anyway gets the run's end line before the process goes.
TEST_F(StartedWindow, ARunRefusesTheEndOfTheSessionAndLogsOneThatEndsAnyway) {
  WriteFileBytes(dir / L"fw.bin", "FW");
  WriteFileBytes(dir / L"Up_Loader.exe", "");
  Start();
  EXPECT_TRUE(SendMessageW(window->hwnd(), WM_QUERYENDSESSION, 0, 0)) << "idle";
  window->ShowPortText(L"COM3");
  {
    BoxAnswerer yes(IDYES);
    form.OnUpgradeClick(*window);
  }
  ASSERT_TRUE(Shown(Control::StatusLine1)) << "the run is armed";
  EXPECT_FALSE(SendMessageW(window->hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  SendMessageW(window->hwnd(), WM_ENDSESSION, FALSE, 0);  // another program refused
  SendMessageW(window->hwnd(), WM_ENDSESSION, TRUE, 0);
  const std::string log = ReadFileBytes(dir / L"memo_log.txt");
  EXPECT_EQ(log.substr(log.rfind(" Fw Upgrade END") + 1),
            "Fw Upgrade END: Windows session ended\r\n");
  EXPECT_TRUE(SendMessageW(window->hwnd(), WM_QUERYENDSESSION, 0, 0)) << "the run has ended";
}

TEST_F(StartedWindow, ExitButtonEndsTheProgram) {
  Start();
  SendMessageW(H(Control::ExitButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(ended);
  EXPECT_EQ(window->hwnd(), nullptr) << "the window is unloaded first";
}

// ---- A window that cannot be created ------------------------------------------

// Refuses the creation of every top-level window of this thread.
LRESULT CALLBACK RefuseTopLevelWindows(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && !reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs->hwndParent) {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

class CountedEvents : public WindowEvents {
 public:
  int events = 0;
  void OnPortPicked(MainWindow&) override { ++events; }
  void OnPortTextCommitted(MainWindow&) override { ++events; }
  void OnLanguageClick(MainWindow&) override { ++events; }
  void OnUpgradeClick(MainWindow&) override { ++events; }
  void OnExitClick(MainWindow&) override { ++events; }
  void OnUpgradeTick(MainWindow&) override { ++events; }
  void OnClosing(MainWindow&) override { ++events; }
  // Counted apart, and answered No.
  bool OnCloseAsked(MainWindow&) override {
    ++closeAsks;
    return false;
  }
  int closeAsks = 0;
  bool OnSessionEndAsked(MainWindow&) override { return !runHoldsThePc; }
  void OnSessionEnded(MainWindow&) override { ++sessionEnds; }
  bool runHoldsThePc = false;
  int sessionEnds = 0;
  void OnPortArrived(MainWindow&, int) override { ++events; }
  void OnPortRemoved(MainWindow&, int) override { ++events; }
  void OnDevicesChanged(MainWindow&) override { ++events; }
  void OnDeviceSettleTick(MainWindow&) override { ++events; }
  void OnPortListClosed(MainWindow&) override { ++events; }
};

TEST(StartupFailure, AWindowThatCannotBeCreatedIsToldWithTheSystemsReasonAndExitCode1) {
  CountedEvents events;
  Win32Window window(GetModuleHandleW(nullptr), events, Win32Window::Options{});
  HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseTopLevelWindows, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const bool created = window.Create();
  UnhookWindowsHookEx(hook);
  EXPECT_FALSE(created);
  EXPECT_EQ(window.hwnd(), nullptr);
  EXPECT_EQ(events.events, 0) << "no event from a window that is not there";

  // What the program then does with the failure.
  const std::wstring reason = ErrorTextOrNumber(window.createError());
  std::printf("window refused: error %u, \"%ls\"\n", window.createError(), reason.c_str());
  BoxAnswerer answerer;
  EXPECT_EQ(ReportStartupFailure(reason), 1);
  const std::vector<e2e::MessageBoxSeen> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"Vardolin_VaZuvovev");
  EXPECT_EQ(seen[0].text, reason);
  EXPECT_FALSE(reason.empty());
}

// Closing asks the handlers first, however the technician closes; Windows
// shutting down does not ask, and must not be held up by a question.
TEST(WindowClose, TheCloseBoxAsksFirstAndAShutdownOfWindowsDoesNot) {
  CountedEvents events;
  Win32Window::Options options;
  options.onEnd = [] {};
  options.quitOnDestroy = false;
  Win32Window window(GetModuleHandleW(nullptr), events, options);
  ASSERT_TRUE(window.Create());
  SendMessageW(window.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP);
  EXPECT_EQ(events.closeAsks, 0) << "a shutdown is not asked";
  SendMessageW(window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(events.closeAsks, 1);
  EXPECT_TRUE(IsWindow(window.hwnd())) << "No keeps the window";
}

}  // namespace
}  // namespace vz::test
