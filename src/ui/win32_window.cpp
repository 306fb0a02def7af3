#include "ui/win32_window.h"

#include <commctrl.h>
#include <dbt.h>

#include <cstddef>
#include <memory>

#include <vector>

#include "port/port_choice.h"
#include "ui/picture.h"
#include "ui/resource.h"
#include "ui/window_identity.h"

namespace vz {
namespace {

using layout::Kind;

constexpr wchar_t kPanelClass[] = L"VardolinProgressPanel";
constexpr wchar_t kBarClass[] = L"VardolinProgressBar";
constexpr UINT_PTR kUpgradeTimerId = 1;
// Polls for the moment a posted message box may be shown.
constexpr UINT_PTR kPostedMessageTimerId = 3;
constexpr UINT kPostedMessagePollMs = 50;
constexpr UINT_PTR kDeviceSettleTimerId = 4;
// Posted to the window: the background job is done; the port list's
// drop-down has closed (posted, so that a choice it reports comes first).
constexpr UINT kJobDoneMessage = WM_APP + 11;
constexpr UINT kPortListClosedMessage = WM_APP + 12;

struct BackgroundJob {
  std::function<void()> work;
  HWND window;
};

DWORD WINAPI RunBackgroundJob(void* parameter) {
  const std::unique_ptr<BackgroundJob> job(static_cast<BackgroundJob*>(parameter));
  // Nothing may leave a thread's edge: an exception there ends the program.
  // A job that failed reports what it found so far.
  try {
    job->work();
  } catch (...) {
  }
  // Fails harmlessly when the window has gone meanwhile.
  PostMessageW(job->window, kJobDoneMessage, 0, 0);
  return 0;
}
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
constexpr COLORREF kTransparentKey = RGB(255, 0, 255);  // power picture
constexpr int kComboDropHeightPx = 200;
// Room in a dropped list beside an entry's text: its scroll bar, frame and
// the margins of an entry.
constexpr int kDroppedListMarginTwips = 450;
// Sets a list's text that was set while the list reported a choice; wParam
// is the control.
constexpr UINT kDeferredListTextMsg = WM_APP + 1;

COLORREF ToColorRef(std::uint32_t value) {
  // Both use red in the low byte and blue in the high byte.
  return static_cast<COLORREF>(value & 0xFFFFFF);
}

// Labels and message boxes break lines at CR LF; a text from the message
// file carries a lone CR where it wants a new line.
std::wstring ForDisplay(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) {
      out += L'\n';
    }
  }
  return out;
}

// The text of a combo box's entry.
std::wstring EntryText(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  std::wstring entry(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.data()));
  entry.resize(wcslen(entry.c_str()));
  return entry;
}

// Turns one of the window's timers on or off.
void SwitchTimer(HWND window, UINT_PTR id, UINT intervalMs, bool on) {
  if (on) {
    SetTimer(window, id, intervalMs, nullptr);
  } else {
    KillTimer(window, id);
  }
}

// The index of the combo box's entry whose text is exactly `text`, letter
// The width of a text in a control's own font, in pixels.
int TextWidth(HWND control, const std::wstring& text) {
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// case counting (CB_FINDSTRINGEXACT ignores it); CB_ERR when none is.
LRESULT ExactEntry(HWND combo, const std::wstring& text) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (EntryText(combo, i) == text) return i;
  }
  return CB_ERR;
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance, FormEvents& events, Options options)
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
}

bool Win32Window::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW form{};
  form.cbSize = sizeof(form);
  form.lpfnWndProc = FormProc;
  form.hInstance = instance;
  form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  form.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  form.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  form.lpszClassName = kMainWindowClass;

  WNDCLASSEXW panel = form;
  panel.lpfnWndProc = PanelProc;
  panel.hIcon = panel.hIconSm = nullptr;
  panel.lpszClassName = kPanelClass;

  WNDCLASSEXW bar = panel;
  bar.lpfnWndProc = BarProc;
  bar.hbrBackground = nullptr;
  bar.lpszClassName = kBarClass;

  for (const WNDCLASSEXW* c : {&form, &panel, &bar}) {
    if (!RegisterClassExW(c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
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
  CreateControls();
  ApplyLayout();
  SetBackColor(Control::PortList, At(Control::PortList).design->backColor);
  return true;
}

void Win32Window::CreateControls() {
  for (const layout::ControlDesign& d : layout::kControls) {
    Item& item = At(d.id);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (d.visible ? WS_VISIBLE : 0);
    const wchar_t* cls = L"STATIC";
    HWND parent = hwnd_;
    switch (d.kind) {
      case Kind::Label:
        style |= SS_NOPREFIX | (d.id == Control::TitleLabel ? SS_CENTER : SS_LEFT);
        break;
      case Kind::Image:
        style |= SS_BITMAP;
        break;
      case Kind::Combo:
        cls = L"COMBOBOX";
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
        break;
      case Kind::Button:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
        break;
      case Kind::Panel:
        cls = kPanelClass;
        style |= WS_TABSTOP | WS_CLIPCHILDREN;
        break;
      case Kind::Bar:
        cls = kBarClass;
        parent = At(Control::ProgressPanel).hwnd;
        break;
    }
    const INT_PTR id = ControlId(d.id);
    item.hwnd = CreateWindowExW(0, cls, d.text, style, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(id), instance_, this);
  }
  // Labels and pictures lie under the controls they touch, as in the design;
  // the controls that take the focus keep their creation (tab) order.
  for (const layout::ControlDesign& d : layout::kControls) {
    if (d.kind == Kind::Label || d.kind == Kind::Image) {
      SetWindowPos(At(d.id).hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  ShowPicturesAtDpi();
  COMBOBOXINFO port{};
  port.cbSize = sizeof(port);
  if (GetComboBoxInfo(At(Control::PortList).hwnd, &port)) portEdit_ = port.hwndItem;
}

void Win32Window::ShowPicturesAtDpi() {
  struct Resource {
    Control control;
    int normal, large;
  };
  for (const Resource& r : {Resource{Control::Logo, IDB_LOGO, IDB_LOGO_2X},
                            Resource{Control::Wordmark, IDB_WORDMARK, IDB_WORDMARK_2X}}) {
    BitmapHandle shown = ResourcePictureAtDpi(instance_, r.normal, r.large, dpi_);
    SetPictureBitmap(At(r.control).hwnd, shown.get());
    pictures_[static_cast<std::size_t>(r.control)] = std::move(shown);
  }
  for (const layout::ControlDesign& d : layout::kControls) {
    const auto i = static_cast<std::size_t>(d.id);
    if (!filePictures_[i].valid()) continue;
    BitmapHandle shown = FilePictureAtDpi(filePictures_[i].get());
    SetPictureBitmap(At(d.id).hwnd, shown.valid() ? shown.get() : filePictures_[i].get());
    pictures_[i] = std::move(shown);
  }
  SetupExitPicture();
}

BitmapHandle Win32Window::FilePictureAtDpi(HBITMAP original) const {
  if (!original || dpi_ == USER_DEFAULT_SCREEN_DPI) return {};
  // Scaled as the window is, whatever the size of the control's box: a
  // site may put a flag of another size beside the program.
  return ScaleBitmap(original, SizeAtDpi(BitmapSize(original), dpi_));
}

void Win32Window::SetupExitPicture() {
  const COLORREF key = kTransparentKey;
  BitmapHandle power = ResourcePictureAtDpi(instance_, IDB_POWER, IDB_POWER_2X, dpi_, &key);
  if (!power.valid()) return;
  const SIZE size = BitmapSize(power.get());
  ImageListHandle images(ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 1, 0));
  if (images.valid()) ImageList_AddMasked(images.get(), power.get(), key);
  BUTTON_IMAGELIST list{images.get(), {0, MulDiv(6, dpi_, USER_DEFAULT_SCREEN_DPI), 0, 0},
                        BUTTON_IMAGELIST_ALIGN_TOP};
  SendMessageW(At(Control::ExitButton).hwnd, BCM_SETIMAGELIST, 0,
               reinterpret_cast<LPARAM>(&list));
  // The button has the new list now; the old one goes.
  exitImages_ = std::move(images);
}

void Win32Window::ApplyLayout() {
  // The old fonts stay alive until every control has its new one.
  std::vector<FontEntry> old;
  old.swap(fonts_);
  for (const layout::ControlDesign& d : layout::kControls) {
    Item& item = At(d.id);
    int height = Px(d.height);
    if (d.kind == Kind::Combo) height = MulDiv(kComboDropHeightPx, dpi_, 96);
    if (d.kind == Kind::Image) {
      // A picture keeps its natural size; only the place is set.
      SetWindowPos(item.hwnd, nullptr, Px(d.left), Px(d.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(item.hwnd, nullptr, Px(d.left), Px(d.top), Px(item.widthTwips),
                   height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (d.font.face) {
      SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), TRUE);
    }
    if (d.kind == Kind::Combo) {
      // Measured again in the font of this DPI.
      SendMessageW(item.hwnd, CB_SETDROPPEDWIDTH, 0, 0);
      for (const std::wstring& entry : Items(d.id)) WidenDroppedList(item.hwnd, entry);
    }
  }
}

void Win32Window::WidenDroppedList(HWND combo, const std::wstring& entry) {
  // The list is never narrower than the box; a longer entry widens it.
  const int needed = TextWidth(combo, entry) + Px(kDroppedListMarginTwips);
  if (needed > SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0)) {
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(needed), 0);
  }
}

HFONT Win32Window::FontFor(const layout::Font& f) {
  for (const FontEntry& known : fonts_) {
    if (known.font->points == f.points && known.font->bold == f.bold &&
        wcscmp(known.font->face, f.face) == 0) {
      return known.handle.get();
    }
  }
  FontHandle font(CreateFontW(layout::FontHeight(f.points, dpi_), 0, 0, 0,
                           f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, f.face));
  fonts_.push_back({&f, std::move(font)});
  return fonts_.back().handle.get();
}

HWND Win32Window::Handle(Control c) const {
  return c == Control::Window ? hwnd_ : items_[static_cast<std::size_t>(c)].hwnd;
}

const Win32Window::Item* Win32Window::FindByHwnd(HWND h) const {
  for (const Item& item : items_) {
    if (item.hwnd && item.hwnd == h) return &item;
  }
  return nullptr;
}

int Win32Window::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  return static_cast<int>(msg.wParam);
}

void Win32Window::Dispatch(MSG& msg) {
  // Enter in the port list's text field commits what was typed. It is
  // raised after the key has been handled, so an open list has closed by
  // then and the field shows what the technician sees.
  const bool portEnter = msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
                         portEdit_ && msg.hwnd == portEdit_;
  if (!(hwnd_ && IsDialogMessageW(hwnd_, &msg))) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (portEnter && hwnd_) events_.OnPortTextCommitted(*this);
}

// ---- Window procedures ----------------------------------------------------

LRESULT CALLBACK Win32Window::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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

LRESULT CALLBACK Win32Window::PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Window::BarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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

LRESULT Win32Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return OnControlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg);
    case kDeferredListTextMsg:
      SetDeferredText(static_cast<Control>(wp));
      return 0;
    case WM_TIMER:
      if (wp == kUpgradeTimerId) OnTimer();
      if (wp == kPostedMessageTimerId) ShowPostedMessage();
      if (wp == kDeviceSettleTimerId) events_.OnDeviceSettleTick(*this);
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
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyLayout();
      ShowPicturesAtDpi();
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        SaveFocus();
      } else if (!HIWORD(wp) && RestoreFocus()) {
        return 0;  // not the window itself, as DefWindowProc would have it
      }
      break;
    case WM_DESTROY:
      events_.OnClosing(*this);
      if (timerOn_) KillTimer(hwnd_, kUpgradeTimerId);
      timerOn_ = false;
      KillTimer(hwnd_, kPostedMessageTimerId);
      KillTimer(hwnd_, kDeviceSettleTimerId);
      posted_.clear();
      jobDone_ = nullptr;
      if (options_.quitOnDestroy) PostQuitMessage(0);
      hwnd_ = nullptr;
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
    case Control::LanguageList: {
      if (code != CBN_SELCHANGE && code != CBN_DBLCLK) break;
      HWND combo = At(control).hwnd;
      // The edit field shows the chosen entry only after this notification;
      // the handler must already read the new choice.
      const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
      if (index != CB_ERR) SetWindowTextW(combo, EntryText(combo, index).c_str());
      listReportingChoice_ = control;
      if (control == Control::PortList) {
        events_.OnPortClick(*this);
      } else {
        events_.OnLanguageClick(*this);
      }
      listReportingChoice_.reset();
      break;
    }
    default:
      break;
  }
}

LRESULT Win32Window::OnControlColor(HDC dc, HWND control, UINT msg) {
  HWND port = At(Control::PortList).hwnd;
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if ((msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) && port &&
      GetComboBoxInfo(port, &info) &&
      (control == info.hwndItem || control == info.hwndList)) {
    SetBkColor(dc, ToColorRef(portColor_));
    return reinterpret_cast<LRESULT>(portBrush_.get());
  }
  const Item* item = FindByHwnd(control);
  if (msg == WM_CTLCOLORSTATIC && item &&
      (item->design->kind == Kind::Label || item->design->kind == Kind::Image)) {
    SetTextColor(dc, ToColorRef(item->design->textColor));
    SetBkColor(dc, ToColorRef(layout::kWhite));
    return reinterpret_cast<LRESULT>(whiteBrush_.get());
  }
  return DefWindowProcW(hwnd_, msg, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

void Win32Window::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event == DBT_DEVNODES_CHANGED) {
    events_.OnDevicesChanged(*this);
    return;
  }
  if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !data) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  constexpr std::size_t kNameAt = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
  if (header->dbch_devicetype != DBT_DEVTYP_PORT || header->dbch_size <= kNameAt) return;
  // The name ends within the size the sender gave, with or without a NUL.
  const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data);
  const std::size_t room = (header->dbch_size - kNameAt) / sizeof(wchar_t);
  const std::optional<std::uint8_t> n =
      ParsePortText(std::wstring(port->dbcp_name, wcsnlen(port->dbcp_name, room)));
  if (!n) return;
  if (event == DBT_DEVICEARRIVAL) {
    events_.OnPortArrived(*this, *n);
  } else {
    events_.OnPortRemoved(*this, *n);
  }
}

void Win32Window::OnTimer() {
  // A tick that falls due while the previous one is still running (inside
  // a message box or an event pump) is dropped, never nested.
  if (!timerOn_ || inTick_) return;
  inTick_ = true;
  events_.OnUpgradeTick(*this);
  inTick_ = false;
}

// ---- MainWindow -----------------------------------------------------------

void Win32Window::SetText(Control c, const std::wstring& text) {
  if (c == Control::Window) {
    SetWindowTextW(hwnd_, text.c_str());
    return;
  }
  Item& item = At(c);
  item.text = text;
  if (item.design->kind == Kind::Combo) {
    if (listReportingChoice_ == c) {
      // The list puts the chosen entry into its text field once its report
      // has returned; this text must come after that.
      deferredTexts_[static_cast<std::size_t>(c)] = text;
      PostMessageW(hwnd_, kDeferredListTextMsg, static_cast<WPARAM>(c), 0);
      return;
    }
    // CB_ERR selects no entry and empties the field; the text follows.
    SendMessageW(item.hwnd, CB_SETCURSEL, static_cast<WPARAM>(ExactEntry(item.hwnd, text)), 0);
  }
  SetWindowTextW(item.hwnd, ForDisplay(text).c_str());
}

void Win32Window::SetDeferredText(Control c) {
  const auto i = static_cast<std::size_t>(c);
  if (i >= kControlCount || !deferredTexts_[i]) return;
  const std::wstring text = std::move(*deferredTexts_[i]);
  deferredTexts_[i].reset();
  SetText(c, text);
}

std::wstring Win32Window::Text(Control c) {
  if (c != Control::Window && At(c).design->kind != Kind::Combo) return At(c).text;
  // Combo boxes are read live (the technician can type), and so is the
  // caption.
  HWND h = Handle(c);
  const int length = GetWindowTextLengthW(h);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(h, text.data(), length + 1)));
  return text;
}

void Win32Window::SetVisible(Control c, bool visible) {
  ShowWindow(Handle(c), visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Window::IsEnabled(Control c) { return IsWindowEnabled(Handle(c)) != FALSE; }

void Win32Window::SetBackColor(Control c, std::uint32_t color) {
  if (c != Control::PortList) return;  // the only control whose colour changes
  portColor_ = color;
  portBrush_.reset(CreateSolidBrush(ToColorRef(color)));
  RedrawWindow(At(c).hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Win32Window::ClearItems(Control c) {
  SendMessageW(Handle(c), CB_RESETCONTENT, 0, 0);
  SendMessageW(Handle(c), CB_SETDROPPEDWIDTH, 0, 0);
}

void Win32Window::AddItem(Control c, const std::wstring& text) {
  SendMessageW(Handle(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  WidenDroppedList(Handle(c), text);
}

void Win32Window::SetPictureBitmap(HWND image, HBITMAP bitmap) {
  HBITMAP previous = reinterpret_cast<HBITMAP>(
      SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // With visual styles the control may keep a copy of its own; free that.
  HBITMAP now = reinterpret_cast<HBITMAP>(SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0));
  if (previous && previous != now) {
    bool ours = false;
    for (const auto* owned : {&pictures_, &filePictures_}) {
      for (const BitmapHandle& b : *owned) ours = ours || b.get() == previous;
    }
    if (!ours) BitmapHandle(previous).Close();
  }
}

bool Win32Window::LoadPicture(Control c, const std::wstring& path) {
  const auto i = static_cast<std::size_t>(c);
  BitmapHandle decoded = DecodePicture(path);
  const bool loaded = decoded.valid();
  // The control shows the new picture before the old one is freed.
  BitmapHandle shown = FilePictureAtDpi(decoded.get());
  SetPictureBitmap(At(c).hwnd, shown.valid() ? shown.get() : decoded.get());
  filePictures_[i] = std::move(decoded);
  pictures_[i] = std::move(shown);
  return loaded;
}

float Win32Window::Width(Control c) {
  if (c == Control::Window) return OuterSize().width;
  return At(c).widthTwips;
}

void Win32Window::SetWidth(Control c, float twips) {
  Item& item = At(c);
  item.widthTwips = twips;
  RECT r;
  GetClientRect(item.hwnd, &r);
  SetWindowPos(item.hwnd, nullptr, 0, 0, Px(twips), r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Repaint(Control c) {
  RedrawWindow(Handle(c), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

TwipSize Win32Window::OuterSize() {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return {static_cast<float>(layout::PixelsToTwips(r.right - r.left, dpi_)),
          static_cast<float>(layout::PixelsToTwips(r.bottom - r.top, dpi_))};
}

TwipSize Win32Window::ScreenSize() {
  return {static_cast<float>(layout::PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_)),
          static_cast<float>(layout::PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_))};
}

void Win32Window::SetTop(int twips) {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, r.left, Px(twips), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetLeft(int twips) {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, Px(twips), r.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetHourglass(bool busy) {
  busy_ = busy;
  POINT p;
  RECT r;
  if (GetCursorPos(&p) && GetWindowRect(hwnd_, &r) && PtInRect(&r, p)) {
    SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(busy ? 32514 : 32512)));
  }
}

MessageAnswer Win32Window::ShowMessage(const std::wstring& text, MessageKind kind) {
  // Closed during an event pump of a handler: the program is ending, and a
  // message now would stand alone on the screen.
  if (!hwnd_) return kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
  UINT flags = MB_OK;
  switch (kind) {
    case MessageKind::Error: flags = MB_OK | MB_ICONERROR; break;
    case MessageKind::Question: flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1; break;
    case MessageKind::Information: flags = MB_OK | MB_ICONINFORMATION; break;
    case MessageKind::Plain: flags = MB_OK; break;
  }
  ++openBoxes_;
  const int answer = MessageBoxW(hwnd_, ForDisplay(text).c_str(), layout::kAppTitle, flags);
  --openBoxes_;
  switch (answer) {
    case IDYES: return MessageAnswer::Yes;
    case IDNO: return MessageAnswer::No;
    case IDOK: return MessageAnswer::Ok;
    default: return MessageAnswer::Neither;  // Esc, the close box, or no box at all
  }
}

void Win32Window::PostMessageBox(const std::wstring& text, MessageKind kind) {
  if (!hwnd_) return;
  for (const PostedMessage& waiting : posted_) {
    if (waiting.text == text) return;  // told once is enough
  }
  posted_.push_back({text, kind});
  // A timer message comes only when no input and no posted message waits,
  // so the event that posted this box has been handled in full by then.
  SetTimer(hwnd_, kPostedMessageTimerId, kPostedMessagePollMs, nullptr);
}

void Win32Window::ShowPostedMessage() {
  if (posted_.empty()) {
    KillTimer(hwnd_, kPostedMessageTimerId);
    return;
  }
  // Not in the middle of a click (the control holding the mouse would never
  // see the button come up), nor over another box of ours.
  if (GetCapture() || openBoxes_ > 0) return;
  const PostedMessage next = posted_.front();
  posted_.pop_front();
  if (posted_.empty()) KillTimer(hwnd_, kPostedMessageTimerId);
  ShowMessage(next.text, next.kind);
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

void Win32Window::SetUpgradeTimer(bool enabled) {
  if (!hwnd_) return;
  SwitchTimer(hwnd_, kUpgradeTimerId, kUpgradeTickMs, enabled);
  timerOn_ = enabled;
}

std::vector<std::wstring> Win32Window::Items(Control c) {
  std::vector<std::wstring> items;
  HWND h = Handle(c);
  const LRESULT count = SendMessageW(h, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) items.push_back(EntryText(h, i));
  return items;
}

void Win32Window::InsertItem(Control c, std::size_t index, const std::wstring& text) {
  const std::wstring shown = Text(c);
  SendMessageW(Handle(c), CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  WidenDroppedList(Handle(c), text);
  if (Text(c) != shown) SetWindowTextW(Handle(c), shown.c_str());
}

void Win32Window::RemoveItem(Control c, std::size_t index) {
  // Taking out the chosen entry must not take the technician's text too.
  const std::wstring shown = Text(c);
  SendMessageW(Handle(c), CB_DELETESTRING, index, 0);
  if (Text(c) != shown) SetWindowTextW(Handle(c), shown.c_str());
}

bool Win32Window::IsDroppedDown(Control c) {
  return SendMessageW(Handle(c), CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void Win32Window::SetEnabled(Control c, bool enabled) { EnableWindow(Handle(c), enabled); }

void Win32Window::SetDeviceSettleTimer(bool enabled) {
  if (hwnd_) SwitchTimer(hwnd_, kDeviceSettleTimerId, kDeviceSettleTickMs, enabled);
}

void Win32Window::RunInBackground(std::function<void()> work,
                                  std::function<void(MainWindow&)> done) {
  if (!hwnd_) return;
  WaitForBackgroundJob(INFINITE);  // the last one has reported; it is ending
  auto* job = new BackgroundJob{std::move(work), hwnd_};
  jobThread_.reset(CreateThread(nullptr, 0, RunBackgroundJob, job, 0, nullptr));
  if (!jobThread_.valid()) {
    // No thread to be had: the job runs here, late rather than never.
    RunBackgroundJob(job);
  }
  jobDone_ = std::move(done);
}

void Win32Window::OnBackgroundJobDone() {
  WaitForBackgroundJob(INFINITE);  // it has posted this and is returning
  std::function<void(MainWindow&)> done = std::move(jobDone_);
  jobDone_ = nullptr;
  if (done) done(*this);
}

void Win32Window::WaitForBackgroundJob(DWORD ms) {
  if (!jobThread_.valid()) return;
  if (WaitForSingleObject(jobThread_.get(), ms) == WAIT_OBJECT_0) jobThread_.Close();
}

void Win32Window::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  // The activation has given the focus to the first control; an activation
  // that came before the window was shown may not have.
  if (GetActiveWindow() == hwnd_ && !IsChild(hwnd_, GetFocus())) RestoreFocus();
}

void Win32Window::SaveFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
}

bool Win32Window::RestoreFocus() {
  HWND target = savedFocus_;
  // A control hidden or disabled since (the buttons while an upgrade runs)
  // cannot take it.
  if (!target || !IsChild(hwnd_, target) || !IsWindowVisible(target) ||
      !IsWindowEnabled(target)) {
    target = FirstTabStop();
  }
  if (!target) return false;
  SetFocus(target);
  return true;
}

HWND Win32Window::FirstTabStop() const {
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
      return child;
    }
  }
  return nullptr;
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

int ReportStartupFailure(const std::wstring& reason) {
  // A window that failed half-way may have asked to quit already; that
  // request would close the box at once.
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  MessageBoxW(nullptr, reason.c_str(), layout::kAppTitle, MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace vz
