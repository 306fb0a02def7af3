#include "driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/text_decoding.h"
#include "platform/win32_owned.h"
#include "platform/win32_system.h"
#include "testkit/exe_dir.h"
#include "testkit/processes.h"
#include "ui/window_identity.h"

namespace vz::e2e {
namespace {

std::wstring WindowText(HWND h) {
  wchar_t text[1024] = {};
  // WM_GETTEXT is marshalled across processes.
  SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileW((from + L"*").c_str(), &data));
  if (!find.valid()) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    CopyFileW((from + data.cFileName).c_str(), (to + data.cFileName).c_str(), FALSE);
  } while (FindNextFileW(find.get(), &data));
}

struct FindBox {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindBoxProc(HWND h, LPARAM lp) {
  auto* find = reinterpret_cast<FindBox*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(h, cls, 16);
  if (pid == find->pid && !wcscmp(cls, L"#32770") && IsWindowVisible(h)) {
    find->found = h;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::wstring TemplateDir() { return test::ExeDir() + L"template\\"; }

// ---- StagedFolder ---------------------------------------------------------

StagedFolder::StagedFolder(const std::wstring& subdir) : path_(root_ / subdir + L"\\") {
  CopyTree(TemplateDir(), path_);
}

// The harness's own check that nothing a test started outlives it. Every
// program of the folder has been ended with its family by now; a process
// still running from here (known by its image's path, not by the family the
// watcher followed) would disturb every later test. It is ended, and the
// test program stops with the reason.
StagedFolder::~StagedFolder() {
  std::vector<std::wstring> left;
  test::WalkProcesses([&](const PROCESSENTRY32W& entry) {
    if (!Has(entry.szExeFile)) return;
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                           FALSE, entry.th32ProcessID));
    wchar_t image[1024];
    DWORD size = 1024;
    if (!process.valid() || !QueryFullProcessImageNameW(process.get(), 0, image, &size)) return;
    if (_wcsnicmp(image, path_.c_str(), path_.size()) != 0) return;
    TerminateProcess(process.get(), 1);
    left.push_back(entry.szExeFile);
  });
  if (left.empty()) return;
  for (const std::wstring& name : left) {
    std::fwprintf(stderr, L"driver: %ls outlived its test; ended now\n", name.c_str());
  }
  std::fflush(stderr);
  ExitProcess(3);
}

void StagedFolder::Write(const std::wstring& name, const std::string& bytes) const {
  test::WriteFileBytes(path_ + name, bytes);
}

std::optional<std::string> StagedFolder::Read(const std::wstring& name) const {
  const ScopedHandle file(CreateFileW((path_ + name).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

MessageTable StagedFolder::Texts(const std::wstring& messageFile) const {
  Win32System sys;
  MessageTable table;
  ParseMessageText(DecodeTextFile(Read(messageFile).value_or(""), sys), table);
  return table;
}

bool StagedFolder::Has(const std::wstring& name) const {
  return GetFileAttributesW((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void StagedFolder::Remove(const std::wstring& name) const { DeleteFileW((path_ + name).c_str()); }

// ---- Program --------------------------------------------------------------

Program::Program(std::wstring folder) : folder_(std::move(folder)) {}

Program::~Program() {
  EndAll();
  StopWatching();
}

bool Program::Start() {
  const std::wstring exe = folder_ + L"Vardolin_VaZuvovev.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  // Closing the last handle to the job ends the program, even when the
  // test program itself ends abruptly.
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  if (!job_.valid()) return false;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION started{};
  // Started from elsewhere, as a double click would: the program must find
  // its files by its own folder, not by the current directory. Suspended
  // until it is in the job.
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &si, &started)) {
    return false;
  }
  process_.reset(started.hProcess);
  const ScopedHandle thread(started.hThread);
  pid_ = started.dwProcessId;
  if (!AssignProcessToJobObject(job_.get(), process_.get())) {
    TerminateProcess(process_.get(), 1);
    return false;
  }
  family_.push_back(pid_);
  stopWatching_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  watcher_ = std::thread([this] {
    do {
      TrackFamily();
    } while (WaitForSingleObject(stopWatching_.get(), 50) == WAIT_TIMEOUT);
  });
  ResumeThread(thread.get());
  return true;
}

void Program::StopWatching() {
  if (!watcher_.joinable()) return;
  SetEvent(stopWatching_.get());
  watcher_.join();
}

std::optional<std::vector<std::pair<DWORD, std::wstring>>> Program::TrackFamily() {
  std::lock_guard<std::mutex> lock(familyMutex_);
  const auto all = test::RunningProcesses();
  if (!all) return std::nullopt;
  const auto known = [this](DWORD pid) {
    return std::find(family_.begin(), family_.end(), pid) != family_.end();
  };
  // Only programs of the test's own folder belong to the family: Wine
  // starts its desktop process (explorer.exe) as a child of whichever
  // program first needs it, and ending that would break every later test.
  const auto ours = [this](const test::ProcessEntry& e) {
    return GetFileAttributesW((folder_ + e.exeName).c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  // Children are adopted in rounds until none is new, so grandchildren
  // listed before their parents are found too.
  for (bool grew = true; grew;) {
    grew = false;
    for (const test::ProcessEntry& e : *all) {
      if (!known(e.pid) && known(e.parentPid) && ours(e)) {
        family_.push_back(e.pid);
        grew = true;
      }
    }
  }
  std::vector<std::pair<DWORD, std::wstring>> running;
  for (const test::ProcessEntry& e : *all) {
    if (known(e.pid)) running.emplace_back(e.pid, e.exeName);
  }
  return running;
}

std::optional<std::vector<DWORD>> Program::Family() {
  if (!process_.valid()) return std::vector<DWORD>{};
  const auto running = TrackFamily();
  if (!running) return std::nullopt;
  std::vector<DWORD> out;
  for (const auto& process : *running) out.push_back(process.first);
  return out;
}

bool Program::Runs(const char* exeName) {
  if (!process_.valid()) return false;
  const auto running = TrackFamily();
  if (!running) throw std::runtime_error("no process snapshot: whether a program runs is unknown");
  const std::wstring name(exeName, exeName + std::strlen(exeName));  // an ASCII name
  for (const auto& process : *running) {
    if (_wcsicmp(process.second.c_str(), name.c_str()) == 0) return true;
  }
  return false;
}

bool Program::EndAll(DWORD timeoutMs) {
  if (!process_.valid()) return true;
  TerminateJobObject(job_.get(), 1);
  return WaitUntil(
      [this] {
        // Without a process list, nothing is known to be gone yet.
        const std::optional<std::vector<DWORD>> left = Family();
        if (!left) return false;
        for (DWORD pid : *left) {
          const ScopedHandle h(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
          if (h.valid()) TerminateProcess(h.get(), 1);
        }
        return left->empty();
      },
      timeoutMs);
}

bool Program::WaitForWindow(DWORD timeoutMs) {
  return WaitUntil(
      [this] {
        HWND h = nullptr;
        while ((h = FindWindowExW(nullptr, h, vz::kMainWindowClass, nullptr)) != nullptr) {
          DWORD pid = 0;
          GetWindowThreadProcessId(h, &pid);
          if (pid == pid_ && IsWindowVisible(h)) {
            window_ = h;
            return true;
          }
        }
        return false;
      },
      timeoutMs, 5);
}

bool Program::WaitForExit(DWORD timeoutMs) {
  return WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool Program::Running() const {
  return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

HWND Program::Handle(Control c) const {
  if (c == Control::Window) return window_;
  if (c == Control::ProgressBar) {
    return GetDlgItem(Handle(Control::ProgressPanel), vz::ControlId(c));
  }
  return GetDlgItem(window_, vz::ControlId(c));
}

std::wstring Program::Text(Control c) const { return WindowText(Handle(c)); }

bool Program::Visible(Control c) const {
  return (GetWindowLongW(Handle(c), GWL_STYLE) & WS_VISIBLE) != 0;
}

RECT Program::ScreenRect(Control c) const {
  RECT r{};
  GetWindowRect(Handle(c), &r);
  return r;
}

std::vector<std::wstring> Program::Items(Control c) const {
  std::vector<std::wstring> out;
  HWND h = Handle(c);
  const LRESULT n = SendMessageW(h, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t text[256] = {};
    SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    out.push_back(text);
  }
  return out;
}

void Program::Press(Control c) const { PostMessageW(Handle(c), BM_CLICK, 0, 0); }

namespace {

INPUT MouseAt(int x, int y, DWORD flags) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65535.0) / (w - 1));
  in.mi.dy = static_cast<LONG>((y * 65535.0) / (h - 1));
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return in;
}

// The focus, capture and active window of the thread that runs `window`;
// all empty when the thread cannot be read.
GUITHREADINFO InputStateOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
    info = GUITHREADINFO{};
  }
  return info;
}

HWND CaptureOf(HWND window) { return InputStateOf(window).hwndCapture; }

// The program's open drop-down list, or null.
HWND OpenList(DWORD pid) {
  HWND h = nullptr;
  while ((h = FindWindowExW(nullptr, h, L"ComboLBox", nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == pid && IsWindowVisible(h)) return h;
  }
  return nullptr;
}

// A press and a release at (x, y). Each carries its own position: under
// Wine the pointer warps of earlier input come back late as moves from the
// X server, and a button event without a position would land wherever the
// last of them left the pointer.
void ClickHere(int x, int y) {
  INPUT click[2] = {MouseAt(x, y, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN),
                    MouseAt(x, y, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP)};
  SendInput(2, click, sizeof(INPUT));
}

}  // namespace

void Program::ClickAt(int x, int y) {
  INPUT move = MouseAt(x, y, MOUSEEVENTF_MOVE);
  SendInput(1, &move, sizeof(INPUT));
  // The press waits until the pointer is there (to a pixel: the move's
  // position is scaled to 0..65535 and back).
  WaitUntil(
      [&] {
        POINT p{};
        return GetCursorPos(&p) && std::abs(p.x - x) <= 1 && std::abs(p.y - y) <= 1;
      },
      1000, 5);
  ClickHere(x, y);
  // Then until the system has taken the release; what the click does,
  // each caller waits for.
  WaitUntil([] { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0; }, 1000, 5);
}

bool Program::ChooseWithMouse(Control combo, const std::wstring& entry) {
  const std::vector<std::wstring> items = Items(combo);
  int index = -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == entry) index = static_cast<int>(i);
  }
  if (index < 0) return false;
  HWND box = Handle(combo);
  // The click on the entry waits until the program has taken the click on
  // the arrow, that is until the open list holds the mouse capture, so that
  // it does not land while the list is still opening. (The pointer resting
  // on an entry is no sign: a list does not pick the entry that already has
  // its caret, the first one when nothing is chosen.) A try that fails
  // closes the list and waits for the capture to be let go before the next.
  const char* failed = "";
  for (int attempt = 0; attempt < 4; ++attempt) {
    SetForegroundWindow(window_);
    WaitUntil([&] { return GetForegroundWindow() == window_; }, 2000);
    const RECT r = ScreenRect(combo);
    ClickAt(r.right - GetSystemMetrics(SM_CXVSCROLL) / 2 - 2, (r.top + r.bottom) / 2);
    HWND list = nullptr;
    if (!WaitUntil([&] { return (list = OpenList(pid_)) != nullptr && CaptureOf(window_) == list; },
                   3000)) {
      failed = list ? "the open list never held the mouse" : "no list opened";
    } else {
      RECT lr;
      GetWindowRect(list, &lr);
      const auto itemHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
      const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
      const int x = (lr.left + lr.right) / 2;
      const int y = lr.top + 2 + itemHeight * static_cast<int>(index - top) + itemHeight / 2;
      ClickHere(x, y);
      // Taken: the list closed on the entry, or the program answered the
      // choice with a message box (a choice it refuses gets the previous
      // entry back).
      if (WaitUntil(
              [&] {
                return !SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) &&
                       (SendMessageW(box, CB_GETCURSEL, 0, 0) == index ||
                        FindMessageBox(pid_).has_value());
              },
              3000)) {
        return true;
      }
      failed = "the click on the entry did not close the list on it";
    }
    const GUITHREADINFO info = InputStateOf(window_);
    POINT cursor{};
    GetCursorPos(&cursor);
    wchar_t focusClass[32] = {};
    GetClassNameW(info.hwndFocus, focusClass, 32);
    std::fprintf(stderr,
                 "ChooseWithMouse: try %d: %s (pointer at %ld,%ld; list %s; capture %s; "
                 "entry %d picked; focus on %ls %s; window %s)\n",
                 attempt + 1, failed, cursor.x, cursor.y,
                 SendMessageW(box, CB_GETDROPPEDSTATE, 0, 0) ? "open" : "closed",
                 info.hwndCapture ? "held" : "free",
                 static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0)), focusClass,
                 info.hwndFocus == box || IsChild(box, info.hwndFocus) ? "in the box" : "elsewhere",
                 info.hwndActive == window_ ? "active" : "inactive");
    SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
    WaitUntil([&] { return OpenList(pid_) == nullptr && CaptureOf(window_) == nullptr; }, 2000);
  }
  return false;
}

void Program::Choose(Control combo, const std::wstring& entry) {
  HWND box = Handle(combo);
  const LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(entry.c_str()));
  SendMessageW(box, CB_SETCURSEL, index, 0);
  SendMessageW(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(box));
}

std::optional<MessageBoxSeen> FindMessageBox(DWORD pid) {
  FindBox find{pid, nullptr};
  EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&find));
  if (!find.found) return std::nullopt;
  MessageBoxSeen box;
  box.hwnd = find.found;
  box.title = WindowText(find.found);
  box.text = WindowText(GetDlgItem(find.found, 0xFFFF));
  return box;
}

std::optional<MessageBoxSeen> Program::WaitForMessageBox(DWORD timeoutMs) {
  std::optional<MessageBoxSeen> box;
  WaitUntil([&] { return (box = FindMessageBox(pid_)).has_value(); }, timeoutMs, 10);
  return box;
}

bool Program::NoMessageBoxWithin(DWORD ms) {
  return NoChangeWithin([&] { return FindMessageBox(pid_).has_value(); }, ms);
}

bool Program::WaitForShown(std::initializer_list<Shown> expected, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        for (const Shown& s : expected) {
          if (Visible(s.control) != s.visible) return false;
        }
        return true;
      },
      timeoutMs);
}

bool Program::Answer(const MessageBoxSeen& box, int button) {
  PostMessageW(GetDlgItem(box.hwnd, button), BM_CLICK, 0, 0);
  return WaitUntil([&] { return !IsWindow(box.hwnd); }, 5000);
}

// ---- Keyboard ---------------------------------------------------------------

namespace {

void SendKey(WORD key, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(INPUT));
}

}  // namespace

HWND FocusedControl(const Program& program) { return InputStateOf(program.window()).hwndFocus; }

bool FocusControl(const Program& program, Control c) {
  HWND target = program.Handle(c);
  if (HWND field = FindWindowExW(target, nullptr, L"Edit", nullptr)) target = field;
  // A real click into the control; one that lands before the window takes
  // input is tried again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    SetForegroundWindow(program.window());
    RECT r{};
    GetWindowRect(target, &r);
    Program::ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (WaitUntil([&] { return FocusedControl(program) == target; }, 1500)) return true;
  }
  return false;
}

void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    const SHORT mapped = VkKeyScanW(c);
    if (mapped == -1) continue;  // no key of this layout gives it
    const bool shift = (HIBYTE(mapped) & 1) != 0;
    if (shift) SendKey(VK_SHIFT, false);
    SendKey(LOBYTE(mapped), false);
    SendKey(LOBYTE(mapped), true);
    if (shift) SendKey(VK_SHIFT, true);
  }
}

void PressKey(WORD key) {
  SendKey(key, false);
  SendKey(key, true);
}

}  // namespace vz::e2e
