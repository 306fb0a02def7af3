// The main window itself: its window classes, its creation at the DPI of
// its monitor, the message loop and the dispatch of its messages, and its
// end. The other jobs of Win32Window have a file each (win32_window.h).
#include "ui/win32_window.h"

#include "ui/display.h"
#include "window/centring.h"
#include "ui/progress_bar.h"
#include "ui/resource.h"
#include "ui/window_identity.h"
#include "ui/window_messages.h"

namespace vz {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

}  // namespace

Win32Window::Win32Window(HINSTANCE instance, WindowEvents& events, Options options)
    : instance_(instance), events_(events), options_(std::move(options)) {
  for (const layout::ControlDesign& d : layout::kControls) {
    Item& item = At(d.id);
    item.design = &d;
    item.widthTwips = static_cast<float>(d.width);
    item.text = d.text;
  }
}

Win32Window::~Win32Window() {
  // The controls go first; the fonts, pictures and brushes they use are
  // freed after them by their owners.
  if (hwnd_) {
    options_.quitOnDestroy = false;
    DestroyWindow(hwnd_);
  }
  // A job still in flight owns what it uses and is not waited for: an open
  // that hangs must not keep the program running unseen.
  if (job_) job_->LetGo();
}

bool Win32Window::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW form{};
  form.cbSize = sizeof(form);
  form.lpfnWndProc = WindowProc;
  form.hInstance = instance;
  form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  form.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  form.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  form.lpszClassName = kMainWindowClass;
  if (!RegisterClassExW(&form) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  return RegisterProgressClasses(form);
}

bool Win32Window::Create() {
  if (!RegisterClasses(instance_)) {
    createError_ = GetLastError();
    return false;
  }
  whiteBrush_.reset(CreateSolidBrush(ToColorRef(layout::kWhite)));
  const NewerApi& api = *options_.api;
  dpi_ = static_cast<int>(api.DpiForSystem());
  RECT frame{0, 0, Px(layout::kClientWidth), Px(layout::kClientHeight)};
  api.AdjustWindowRectForDpi(&frame, kFormStyle, kFormExStyle, static_cast<UINT>(dpi_));
  hwnd_ = CreateWindowExW(kFormExStyle, kMainWindowClass, layout::kDesignCaption, kFormStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, instance_, this);
  if (!hwnd_) {
    createError_ = GetLastError();
    return false;
  }
  const int actual = static_cast<int>(api.DpiForWindow(hwnd_));
  if (actual != dpi_) {
    dpi_ = actual;
    frame = {0, 0, Px(layout::kClientWidth), Px(layout::kClientHeight)};
    api.AdjustWindowRectForDpi(&frame, kFormStyle, kFormExStyle, static_cast<UINT>(dpi_));
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  taskbarButtonCreated_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
  CreateControls();
  ApplyLayout();
  SetBackColor(Control::PortList, At(Control::PortList).design->backColor);
  return true;
}

int Win32Window::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return static_cast<int>(msg.wParam);
}

void Win32Window::PumpEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the main loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

void Win32Window::Dispatch(MSG& msg) {
  // Enter in the port list's text field commits what was typed. It is
  // raised after the key has been handled, so an open list has closed by
  // then and the field shows what the technician sees.
  const bool portEnter =
      msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && portEdit_ && msg.hwnd == portEdit_;
  if (!(hwnd_ && IsDialogMessageW(hwnd_, &msg))) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (portEnter && hwnd_) events_.OnPortTextCommitted(*this);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* owner = static_cast<Win32Window*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    owner->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || self->hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->OnMessage(msg, wp, lp);
}

LRESULT Win32Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg);
    case WM_DRAWITEM:
      if (wp == static_cast<WPARAM>(ControlId(Control::PortList))) {
        DrawPortRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      break;
    case kDeferredListTextMsg:
      SetDeferredText(static_cast<Control>(wp));
      return 0;
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_DEVICECHANGE:
      OnDeviceChange(wp, lp);
      return TRUE;
    case kJobDoneMessage:
      OnBackgroundJobDone();
      return 0;
    case kPortListClosedMessage:
      events_.OnPortListClosed(*this);
      return 0;
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
        return TRUE;
      }
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_ACTIVATE:
      if (OnActivate(wp)) return 0;
      break;
    case WM_CLOSE:
      // The close box, Alt+F4, the system menu, the task manager; a
      // shutdown of Windows ends the session without it.
      if (!events_.OnCloseAsked(*this)) return 0;
      break;
    case WM_QUERYENDSESSION:
    case WM_ENDSESSION:
      return OnSessionMessage(msg, wp);
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  if (msg == taskbarButtonCreated_ && msg != 0) {
    OnTaskbarButtonCreated();
    return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

void Win32Window::OnCommand(int id, int code) {
  const auto control = static_cast<Control>(id - kFirstControlId);
  switch (control) {
    case Control::UpgradeButton:
    case Control::InteractiveUpgradeButton:
      if (code == BN_CLICKED) events_.OnUpgradeClick(*this);
      break;
    case Control::ExitButton:
      if (code == BN_CLICKED) events_.OnExitClick(*this);
      break;
    case Control::PortList:
      if (code == CBN_CLOSEUP) {
        PostMessageW(hwnd_, kPortListClosedMessage, 0, 0);
        break;
      }
      if (code == CBN_KILLFOCUS) {
        // A window that is closing is hidden first and takes the focus with
        // it; that is no choice of a port.
        if (IsWindowVisible(hwnd_)) events_.OnPortTextCommitted(*this);
        break;
      }
      [[fallthrough]];
    case Control::LanguageList:
      if (code == CBN_SELCHANGE || code == CBN_DBLCLK) ReportListChoice(control);
      break;
    default:
      break;
  }
}

void Win32Window::OnDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyLayout();
  ShowPicturesAtDpi();
}

void Win32Window::ShowBusyPointer(bool busy) {
  busy_ = busy;
  POINT p;
  RECT r;
  if (GetCursorPos(&p) && GetWindowRect(hwnd_, &r) && PtInRect(&r, p)) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(busy ? 32514 : 32512)));
  }
}

void Win32Window::Show() {
  // Centred before it appears, so the window does not jump: top, then left.
  const SizeInTwips outer = OuterSize();
  const SizeInTwips screen = ScreenSize();
  SetTop(CenterOffset(screen.height, outer.height));
  SetLeft(CenterOffset(screen.width, outer.width));
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  // The activation has given the focus to the first control; an activation
  // that came before the window was shown may not have.
  if (GetActiveWindow() == hwnd_ && !IsChild(hwnd_, GetFocus())) RestoreFocus();
}

void Win32Window::OnDestroy() {
  events_.OnClosing(*this);
  AllowShutdownAndSleep();
  taskbar_.Close();
  SwitchTimer(kUpgradeTimer, false);
  timerOn_ = false;
  SwitchTimer(kPostedMessageTimer, false);
  SwitchTimer(kDeviceSettleTimer, false);
  posted_.clear();
  jobDone_ = nullptr;
  if (options_.quitOnDestroy) PostQuitMessage(0);
  hwnd_ = nullptr;
}

void Win32Window::EndProgram() {
  if (hwnd_) {
    options_.quitOnDestroy = false;
    DestroyWindow(hwnd_);
  }
  if (options_.onEnd) {
    options_.onEnd();
  } else {
    ExitProcess(0);
  }
}

}  // namespace vz
