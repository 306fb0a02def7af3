// Plays one whole upgrade in the demo folder, as a technician would, and
// has the calling script photograph it along the way:
//   demo_run.exe DEMO_FOLDER RECEIVED_FILE   the whole run
//   demo_run.exe DEMO_FOLDER --start-only    the window as it opens, then
//                                            the program is ended
//   demo_run.exe DEMO_FOLDER --list-open     the port list dropped open,
//                                            then the program is ended
// At each sight worth a picture the window is made to paint itself first;
// then a line
//   shot NAME LEFT,TOP,RIGHT,BOTTOM ...
// names the picture and the screen rectangles of what is on the screen
// (the window, each visible control, a message box), and the run waits for
// the script's answer on its input: "ok" when the picture is taken,
// "again" when it showed an area still unpainted (the window is then
// painted once more and announced again). At the end of the whole run it
// says whether the register received the image unchanged.
// Exit code 0 when the run ended in the end message with the whole image
// received (or, with --start-only, when the window was photographed), 1
// otherwise.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32_system.h"
#include "testkit/driver.h"

namespace {

using vz::Control;
using vz::e2e::Program;

// How long the program may take to answer while it paints: a generous
// upper bound, never a wait of its own.
constexpr UINT kAnswerMs = 10000;
// A picture that still shows unpainted areas after this many paints ends
// the run.
constexpr int kMaxPaints = 50;

int Fail(const char* what) {
  std::printf("demo failed: %s\n", what);
  std::fflush(stdout);
  return 1;
}

// True once the thread that owns `w` has answered a message: it has handled
// everything sent to it before.
bool Answers(HWND w) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result) != 0;
}

// Has the program paint `w` (a top-level window) and all its controls now.
// RedrawWindow with RDW_UPDATENOW sends WM_PAINT to the window and each
// child with something to paint and returns when they have been handled; the
// round trip after it lets the program go back to its message loop, where
// Wine copies what was painted to the X screen.
bool PaintNow(HWND w) {
  if (!w || !IsWindow(w)) return false;
  if (!Answers(w)) return false;
  RedrawWindow(w, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return Answers(w);
}

struct Areas {
  std::vector<RECT> rects;
};

BOOL CALLBACK AddVisibleChild(HWND h, LPARAM lp) {
  if (!IsWindowVisible(h)) return TRUE;
  RECT r{};
  GetWindowRect(h, &r);
  if (r.right > r.left && r.bottom > r.top) reinterpret_cast<Areas*>(lp)->rects.push_back(r);
  return TRUE;
}

// The window, its visible controls and the message box if one is open.
std::vector<RECT> AreasOnScreen(HWND window, HWND box) {
  Areas areas;
  for (HWND top : {window, box}) {
    if (!top || !IsWindowVisible(top)) continue;
    RECT r{};
    GetWindowRect(top, &r);
    areas.rects.push_back(r);
    EnumChildWindows(top, AddVisibleChild, reinterpret_cast<LPARAM>(&areas));
  }
  return areas.rects;
}

// Paints the window (and the message box), announces the picture and waits
// until the script has taken it; false when the script saw unpainted areas
// every time, or the program stopped answering.
bool Shot(const char* name, HWND window, HWND box = nullptr) {
  for (int paint = 1; paint <= kMaxPaints; ++paint) {
    if (!PaintNow(window)) return false;
    if (box && !PaintNow(box)) return false;
    std::string line = std::string("shot ") + name;
    for (const RECT& r : AreasOnScreen(window, box)) {
      line += " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
              std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    char answer[64] = {};
    if (!std::fgets(answer, sizeof answer, stdin)) return true;  // no script: nothing to wait for
    if (std::strncmp(answer, "again", 5) != 0) return true;
  }
  return false;
}

struct OpenList {
  DWORD pid;
  HWND list;
};

BOOL CALLBACK FindOpenList(HWND h, LPARAM lp) {
  auto* found = reinterpret_cast<OpenList*>(lp);
  wchar_t cls[32] = {};
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != found->pid || !IsWindowVisible(h) || !GetClassNameW(h, cls, 32) ||
      wcscmp(cls, L"ComboLBox") != 0) {
    return TRUE;
  }
  found->list = h;
  return FALSE;
}

// The dropped list of the program's open combo box; none while none is open.
HWND DroppedList(DWORD pid) {
  OpenList found{pid, nullptr};
  EnumWindows(FindOpenList, reinterpret_cast<LPARAM>(&found));
  return found.list;
}

// The bar has grown to a quarter of its panel: a run well under way.
bool BarWellUnderWay(const Program& program) {
  const RECT panel = program.ScreenRect(Control::ProgressPanel);
  const RECT bar = program.ScreenRect(Control::ProgressBar);
  return (bar.right - bar.left) * 4 >= panel.right - panel.left;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Fail("usage: demo_run.exe DEMO_FOLDER (RECEIVED_FILE | --start-only)");
  // Rectangles in the screen's own pixels, whatever the DPI, as in the
  // screenshot.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  const bool startOnly = !wcscmp(argv[2], L"--start-only");
  const bool listOpen = !wcscmp(argv[2], L"--list-open");

  Program program(folder);
  const DWORD launched = GetTickCount();
  if (!program.Start() || !program.WaitForWindow()) return Fail("no window");
  std::printf("window shown %lu ms after launch\n", GetTickCount() - launched);
  if (!Shot("window", program.window())) return Fail("the window did not paint");
  if (startOnly) return program.EndAll() ? 0 : Fail("the program did not end");
  if (listOpen) {
    HWND combo = program.Handle(Control::PortList);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = nullptr;
    if (!vz::e2e::WaitUntil([&] { return (list = DroppedList(program.pid())) != nullptr; }, 5000)) {
      return Fail("the port list did not open");
    }
    if (!Shot("list", program.window(), list)) return Fail("the open list did not paint");
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    return program.EndAll() ? 0 : Fail("the program did not end");
  }

  vz::Win32System sys;
  const std::string image = sys.ReadBytes(folder + L"firmware.bin").value_or("");
  const std::size_t before = sys.ReadBytes(argv[2]).value_or("").size();

  if (!program.ChooseWithMouse(Control::PortList, L"COM3")) {
    std::string listed;  // port names are ASCII
    for (const std::wstring& item : program.Items(Control::PortList)) {
      listed += " " + std::string(item.begin(), item.end());
    }
    std::printf(
        "the port list offers:%s; the mouse did not choose COM3, the list's own\n"
        "messages do\n",
        listed.empty() ? " nothing" : listed.c_str());
    std::fflush(stdout);
    // The same choice as the list reports it to the window, without the mouse.
    program.Choose(Control::PortList, L"COM3");
    if (!vz::e2e::WaitUntil([&] { return program.Text(Control::PortList) == L"COM3"; }, 5000)) {
      return Fail("COM3 could not be chosen");
    }
  }
  if (!Shot("port", program.window())) return Fail("the window did not paint");
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  if (!question) return Fail("no confirmation question");
  if (!Shot("question", program.window(), question->hwnd))
    return Fail("the question did not paint");
  Program::Answer(*question, IDYES);

  if (!vz::e2e::WaitUntil([&] { return program.Visible(Control::ProgressPanel); }, 60000)) {
    return Fail("the progress bar never appeared");
  }
  if (!vz::e2e::WaitUntil([&] { return BarWellUnderWay(program); }, 60000)) {
    return Fail("the progress bar did not grow");
  }
  if (!Shot("progress", program.window())) return Fail("the window did not paint");
  auto end = program.WaitForMessageBox(120000);
  if (!end) return Fail("no end message");
  if (!Shot("end", program.window(), end->hwnd)) return Fail("the end message did not paint");
  Program::Answer(*end, IDOK);
  if (!program.WaitForExit(10000)) return Fail("the program did not end");

  const std::string received = sys.ReadBytes(argv[2]).value_or("").substr(before);
  const bool same = !image.empty() && received == image;
  std::printf("register received %zu of %zu bytes, %s\n", received.size(), image.size(),
              same ? "identical to the image" : "NOT identical to the image");
  return same ? 0 : 1;
}
