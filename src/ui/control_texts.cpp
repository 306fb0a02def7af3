// What a control shows besides its place: its caption, whether it is
// visible and enabled, and its colours.
#include "ui/win32_window.h"

#include "messages/message_table.h"
#include "ui/display.h"

namespace vz {

void Win32Window::SetText(Control c, const std::wstring& text) {
  if (c == Control::Window) {
    SetWindowTextW(hwnd_, text.c_str());
    return;
  }
  Item& item = At(c);
  item.text = text;
  if (item.design->kind == layout::Kind::Combo) {
    SetListText(c, text);
    return;
  }
  SetWindowTextW(item.hwnd, ForDisplay(text).c_str());
}

std::wstring Win32Window::Text(Control c) {
  if (c != Control::Window && At(c).design->kind != layout::Kind::Combo) return At(c).text;
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

void Win32Window::SetEnabled(Control c, bool enabled) { EnableWindow(Handle(c), enabled); }

void Win32Window::SetBackColor(Control c, std::uint32_t color) {
  if (c != Control::PortList) return;  // the only control whose colour changes
  portColor_ = color;
  portBrush_.reset(CreateSolidBrush(ToColorRef(color)));
  RedrawWindow(At(c).hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

const Win32Window::Item* Win32Window::FindByHwnd(HWND h) const {
  for (const Item& item : items_) {
    if (item.hwnd && item.hwnd == h) return &item;
  }
  return nullptr;
}

LRESULT Win32Window::OnControlColor(HDC dc, HWND control, UINT msg) {
  HWND port = At(Control::PortList).hwnd;
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if ((msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX) && port &&
      GetComboBoxInfo(port, &info) && (control == info.hwndItem || control == info.hwndList)) {
    SetBkColor(dc, ToColorRef(portColor_));
    return reinterpret_cast<LRESULT>(portBrush_.get());
  }
  const Item* item = FindByHwnd(control);
  if (msg == WM_CTLCOLORSTATIC && item &&
      (item->design->kind == layout::Kind::Label || item->design->kind == layout::Kind::Image)) {
    SetTextColor(dc, ToColorRef(item->design->textColor));
    SetBkColor(dc, ToColorRef(layout::kWhite));
    return reinterpret_cast<LRESULT>(whiteBrush_.get());
  }
  return DefWindowProcW(hwnd_, msg, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

}  // namespace vz
