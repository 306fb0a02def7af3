// Up_Loader.exe, simulated: behaves towards the calling program like the
// firmware uploader of the cash register. It reads port.ini, model.ini and
// the first *.bin beside itself, sends the image over the COM port in
// 1 KiB blocks while showing a small progress window, and leaves the
// marker files erasing.txt, erase.txt, write.txt, writing.txt and
// write_ok.txt as it goes. uploader-sim.ini can make it stop early, crash,
// hand over to UL_Heartbeat.exe, or stay open longer.
//
// Exit codes: 0 finished (also for the planned early stops), 2 nothing to do
// (port.ini, image or port missing), 3 the transfer or the helper start
// failed. The crash scenario ends with 0xC0000005.

#include "sim_common.h"

#include <commctrl.h>

namespace {

using namespace ulsim;

constexpr size_t kBlockSize = 1024;
constexpr int kExitOk = 0;
constexpr int kExitSetup = 2;
constexpr int kExitTransfer = 3;
constexpr UINT kCrashCode = 0xC0000005u;
constexpr int kEraseBeats = 5;
constexpr const wchar_t* kWindowClass = L"UlSimProgressWindow";
constexpr const wchar_t* kWindowTitle = L"Up_Loader (simulated)";

// ---------------------------------------------------------------------------
// Message pumping: the transfer runs on the UI thread, so every pause
// between steps keeps the window responsive by dispatching messages.

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Dispatches messages until `deadline` (GetTickCount64 time) or until
// *stop becomes true.
void PumpUntil(ULONGLONG deadline, const bool* stop = nullptr) {
  for (;;) {
    PumpMessages();
    if (stop != nullptr && *stop) {
      return;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      return;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

void PumpFor(DWORD ms) { PumpUntil(GetTickCount64() + ms); }

// ---------------------------------------------------------------------------
// The small progress window: a stage/block text above a progress bar.
// Closing it is refused while the transfer runs (a half-written register
// is worse than a stubborn window) and ends the linger time afterwards.
//
// The window is not destroyed explicitly: it goes away with the process.
// Under Wine on an X server without a window manager, destroying a visible
// window blocks for about 2 s (the X11 driver waits for the window to be
// withdrawn), which would only make every run slower.

class ProgressWindow {
 public:
  ProgressWindow() = default;
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  bool Create(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    if (!RegisterClass(instance)) {
      return false;
    }
    hwnd_ =
        CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                        CW_USEDEFAULT, CW_USEDEFAULT, 380, 130, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) {
      return false;
    }
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    text_ = CreateWindowExW(0, L"STATIC", L"Starting", WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 12, 340,
                            20, hwnd_, nullptr, instance, nullptr);
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 12, 40, 340, 22,
                           hwnd_, nullptr, instance, nullptr);
    SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    return true;
  }

  void ShowText(const std::wstring& text) {
    if (text_ != nullptr) {
      SetWindowTextW(text_, text.c_str());
    }
  }

  void ShowBlock(size_t done, size_t total) {
    ShowText(L"Block " + std::to_wstring(done) + L" / " + std::to_wstring(total));
    if (bar_ != nullptr) {
      SendMessageW(bar_, PBM_SETRANGE32, 0, static_cast<LPARAM>(total));
      SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    }
  }

  void AllowClose() { allow_close_ = true; }
  const bool* CloseRequestedFlag() const { return &close_requested_; }

 private:
  static bool RegisterClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &ProgressWindow::Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == WM_CLOSE) {
      if (self->allow_close_) {
        self->close_requested_ = true;
      }
      return 0;  // the window goes away with the process
    }
    if (self != nullptr && msg == WM_NCDESTROY) {
      self->hwnd_ = nullptr;
      self->text_ = nullptr;
      self->bar_ = nullptr;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_ = nullptr;
  HWND text_ = nullptr;
  HWND bar_ = nullptr;
  bool allow_close_ = false;
  bool close_requested_ = false;
};

// ---------------------------------------------------------------------------
// Reading what the calling program left for us.

std::string FirstLine(const std::vector<unsigned char>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);
  }
  const size_t end = text.find_first_of("\r\n");
  return end == std::string::npos ? text : text.substr(0, end);
}

bool HasBinExtension(const std::wstring& name) {
  const size_t n = name.size();
  return n > 4 && CompareStringOrdinal(name.c_str() + n - 4, 4, L".bin", 4, TRUE) == CSTR_EQUAL;
}

bool NameLess(const std::wstring& a, const std::wstring& b) {
  const int folded = CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE);
  if (folded != CSTR_EQUAL) {
    return folded == CSTR_LESS_THAN;
  }
  return a < b;
}

// First *.bin in `dir` in case-insensitive alphabetical order. Every entry
// is checked by its long name, so "x.binary" never counts as an image.
std::wstring FindImage(const std::wstring& dir) {
  WIN32_FIND_DATAW found{};
  FindHandle search(FindFirstFileW(JoinPath(dir, L"*").c_str(), &found));
  if (!search.valid()) {
    return {};
  }
  std::wstring best;
  do {
    const std::wstring name = found.cFileName;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && HasBinExtension(name) &&
        (best.empty() || NameLess(name, best))) {
      best = name;
    }
  } while (FindNextFileW(search.get(), &found));
  return best;
}

// ---------------------------------------------------------------------------
// One upload run.

class Uploader {
 public:
  explicit Uploader(HINSTANCE instance)
      : instance_(instance),
        started_(GetTickCount64()),
        dir_(ExeDir()),
        log_(JoinPath(dir_, kLogName), "") {}

  int Run() {
    LogStart(log_);
    settings_ = LoadSettings(dir_, &log_);
    log_.Line("settings " + DescribeSettings(settings_));
    if (!ReadPortNumber()) {
      return Finish(kExitSetup, false);
    }
    LogModel();
    if (!LoadImage() || !OpenPort()) {
      return Finish(kExitSetup, false);
    }
    ConfigurePort();
    if (!window_.Create(instance_)) {
      log_.Line("window could not be created (error " + Num(GetLastError()) + ")");
    }
    return Transfer();
  }

 private:
  int Transfer() {
    Erase();
    if (StopsBefore(Scenario::StopBeforeErase, "erase.txt")) {
      return Finish(kExitOk);
    }
    Marker(kMarkerErase, "erase done");
    if (StopsBefore(Scenario::StopBeforeWrite, "write.txt")) {
      return Finish(kExitOk);
    }
    Marker(kMarkerWrite, "writing started");
    if (StopsBefore(Scenario::StopBeforeWriting, "writing.txt")) {
      return Finish(kExitOk);
    }
    const size_t blocks = (image_.size() + kBlockSize - 1) / kBlockSize;
    if (settings_.scenario == Scenario::Crash) {
      CrashAfter(blocks / 2);
    }
    if (!SendBlocks(blocks)) {
      return Finish(kExitTransfer);
    }
    log_.Line("sent " + Num(image_.size()) + " bytes in " + Num(blocks) + " blocks");
    if (StopsBefore(Scenario::StopBeforeWriteOk, "write_ok.txt")) {
      return Finish(kExitOk);
    }
    if (settings_.scenario == Scenario::Heartbeat) {
      TouchWriting();
      return Finish(StartHelper() ? kExitOk : kExitTransfer);
    }
    Marker(kMarkerWriteOk, "write ok");
    return Finish(kExitOk);
  }

  bool ReadPortNumber() {
    std::vector<unsigned char> bytes;
    if (!ReadAllBytes(JoinPath(dir_, L"port.ini"), bytes)) {
      log_.Line("port.ini missing or unreadable");
      return false;
    }
    if (bytes.empty() || bytes[0] == 0) {
      log_.Line(bytes.empty() ? "port.ini is empty" : "port.ini names port 0");
      return false;
    }
    port_ = bytes[0];
    log_.Line("port.ini names COM" + Num(port_));
    return true;
  }

  void LogModel() {
    std::vector<unsigned char> bytes;
    if (ReadAllBytes(JoinPath(dir_, L"model.ini"), bytes)) {
      log_.Line("model " + FirstLine(bytes));
    } else {
      log_.Line("model.ini missing");
    }
  }

  bool LoadImage() {
    const std::wstring name = FindImage(dir_);
    if (name.empty()) {
      log_.Line("no image (*.bin) found");
      return false;
    }
    if (!ReadAllBytes(JoinPath(dir_, name), image_)) {
      log_.Line("image " + ToUtf8(name) + " cannot be read");
      return false;
    }
    if (image_.empty()) {
      log_.Line("image " + ToUtf8(name) + " is empty");
      return false;
    }
    log_.Line("image " + ToUtf8(name) + " " + Num(image_.size()) + " bytes");
    return true;
  }

  std::string PortName() const { return "COM" + Num(port_); }

  bool OpenPort() {
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(port_);
    port_handle_ = ScopedHandle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!port_handle_.valid()) {
      log_.Line("port " + PortName() + " cannot be opened (error " + Num(GetLastError()) + ")");
      return false;
    }
    log_.Line("port " + PortName() + " opened");
    return true;
  }

  // 115200 8N1, no flow control. A pseudo terminal refuses some of this
  // (modem lines), which is fine for the simulation.
  void ConfigurePort() {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    GetCommState(port_handle_.get(), &dcb);
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    if (!SetCommState(port_handle_.get(), &dcb)) {
      log_.Line("SetCommState failed (error " + Num(GetLastError()) + "), carrying on");
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = 1;
    timeouts.WriteTotalTimeoutConstant = 5000;
    if (!SetCommTimeouts(port_handle_.get(), &timeouts)) {
      log_.Line("SetCommTimeouts failed (error " + Num(GetLastError()) + "), carrying on");
    }
  }

  bool Marker(const wchar_t* name, const std::string& text) {
    if (WriteTextFile(JoinPath(dir_, name), text + "\r\n")) {
      return true;
    }
    log_.Line("marker " + ToUtf8(name) + " could not be written (error " + Num(GetLastError()) +
              ")");
    return false;
  }

  void TouchWriting() { Marker(kMarkerWriting, "writing"); }

  // The register erases its flash while we keep erasing.txt fresh.
  void Erase() {
    window_.ShowText(L"Erasing flash");
    log_.Line("erasing");
    const DWORD step = settings_.erase_ms / kEraseBeats;
    for (int beat = 0; beat < kEraseBeats; ++beat) {
      Marker(kMarkerErasing, "erasing " + Num(beat + 1) + "/" + Num(kEraseBeats));
      PumpFor(step);
    }
  }

  bool StopsBefore(Scenario which, const char* marker) {
    if (settings_.scenario != which) {
      return false;
    }
    log_.Line(std::string("scenario stop-before ") + marker);
    return true;
  }

  bool WriteBlock(size_t index) {
    const size_t offset = index * kBlockSize;
    const DWORD length = static_cast<DWORD>(std::min(kBlockSize, image_.size() - offset));
    DWORD written = 0;
    if (WriteFile(port_handle_.get(), image_.data() + offset, length, &written, nullptr) &&
        written == length) {
      return true;
    }
    log_.Line("write failed at block " + Num(index + 1) + " (error " + Num(GetLastError()) + ", " +
              Num(written) + " of " + Num(length) + " bytes)");
    return false;
  }

  bool SendBlocks(size_t count) {
    const size_t total = (image_.size() + kBlockSize - 1) / kBlockSize;
    for (size_t i = 0; i < count; ++i) {
      TouchWriting();
      if (!WriteBlock(i)) {
        return false;
      }
      window_.ShowBlock(i + 1, total);
      PumpFor(settings_.block_pause_ms);
    }
    return true;
  }

  [[noreturn]] void CrashAfter(size_t blocks) {
    SendBlocks(blocks);
    const size_t bytes = std::min(blocks * kBlockSize, image_.size());
    log_.Line("scenario crash after " + Num(bytes) + " bytes");
    TerminateProcess(GetCurrentProcess(), kCrashCode);
    ExitProcess(kCrashCode);
  }

  bool StartHelper() {
    const std::wstring path = JoinPath(dir_, kHelperExeName);
    std::wstring command = L"\"" + path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir_.c_str(), &si, &pi)) {
      log_.Line("helper could not be started (error " + Num(GetLastError()) + ")");
      return false;
    }
    ScopedHandle process(pi.hProcess);
    ScopedHandle thread(pi.hThread);
    log_.Line("scenario heartbeat: helper started pid=" + Num(pi.dwProcessId));
    return true;
  }

  // Lingers for run_seconds (counted from start) with the window open,
  // then lets go of the port and reports the exit code. Setup failures
  // leave at once: there is nothing to show.
  int Finish(int code, bool linger = true) {
    if (linger && settings_.run_seconds > 0) {
      window_.AllowClose();
      const ULONGLONG until = started_ + settings_.run_seconds * 1000ULL;
      if (GetTickCount64() < until) {
        window_.ShowText(L"Done, staying open");
        PumpUntil(until, window_.CloseRequestedFlag());
      }
    }
    if (port_handle_.valid()) {
      port_handle_.Close();
      log_.Line("port " + PortName() + " closed");
    }
    // The tick count is the machine's: a test compares it with its own
    // to date what the monitor did after this exit.
    const ULONGLONG now = GetTickCount64();
    log_.Line("finished after " + Num(now - started_) + " ms at tick " + Num(now));
    log_.Line("exit " + Num(code));
    return code;
  }

  HINSTANCE instance_;
  ULONGLONG started_;
  std::wstring dir_;
  Log log_;
  Settings settings_;
  unsigned port_ = 0;
  std::vector<unsigned char> image_;
  ScopedHandle port_handle_;
  ProgressWindow window_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  Uploader uploader(instance);
  return uploader.Run();
}
