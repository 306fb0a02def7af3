// The controls: their creation in tab order, their places, sizes and fonts
// at the window's DPI, and the geometry the logic reads and sets in twips.
#include "ui/win32_window.h"

#include "ui/progress_bar.h"
#include "ui/window_identity.h"

namespace vz {
namespace {

using layout::Kind;

constexpr int kComboDropHeightPx = 200;

}  // namespace

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
        // The port list draws its rows: each device's name beside its port.
        if (d.id == Control::PortList) style |= CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
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

void Win32Window::ApplyLayout() {
  // The old fonts stay alive until every control has its new one.
  std::vector<FontEntry> old;
  old.swap(fonts_);
  for (const layout::ControlDesign& d : layout::kControls) {
    Item& item = At(d.id);
    int height = Px(d.height);
    if (d.kind == Kind::Combo) height = layout::DesignPixelsAt(kComboDropHeightPx, dpi_);
    if (d.kind == Kind::Image) {
      // A picture keeps its natural size; only the place is set.
      SetWindowPos(item.hwnd, nullptr, Px(d.left), Px(d.top), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(item.hwnd, nullptr, Px(d.left), Px(d.top), Px(item.widthTwips), height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (d.font.face) {
      SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(d.font)), TRUE);
    }
    if (d.kind == Kind::Combo && d.id != Control::PortList) {
      // Measured again in the font of this DPI.
      SendMessageW(item.hwnd, CB_SETDROPPEDWIDTH, 0, 0);
      for (const std::wstring& entry : Items(d.id)) WidenDroppedList(item.hwnd, entry);
    }
  }
  // A list that draws its rows keeps the heights it was created with; it
  // takes those of the language list, which the system sets for its font.
  HWND language = At(Control::LanguageList).hwnd;
  HWND port = At(Control::PortList).hwnd;
  for (const WPARAM part : {static_cast<WPARAM>(-1), WPARAM{0}}) {
    const LRESULT height = SendMessageW(language, CB_GETITEMHEIGHT, part, 0);
    if (height > 0) SendMessageW(port, CB_SETITEMHEIGHT, part, height);
  }
  FitPortColumns();
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

Win32Window::SizeInTwips Win32Window::OuterSize() {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return {static_cast<float>(layout::PixelsToTwips(r.right - r.left, dpi_)),
          static_cast<float>(layout::PixelsToTwips(r.bottom - r.top, dpi_))};
}

Win32Window::SizeInTwips Win32Window::ScreenSize() {
  return {static_cast<float>(layout::PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_)),
          static_cast<float>(layout::PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_))};
}

void Win32Window::SetTop(int twips) {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, r.left, Px(twips), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::SetLeft(int twips) {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  SetWindowPos(hwnd_, nullptr, Px(twips), r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vz
