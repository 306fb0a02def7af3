// The two lists (ports and languages): their entries, the width of their
// dropped lists, their text, and a choice reported to the logic.
#include "ui/win32_window.h"

#include <algorithm>

#include "messages/message_table.h"
#include "ui/display.h"
#include "ui/window_messages.h"

namespace vz {
namespace {

// Room in a dropped list beside an entry's text: its scroll bar, frame and
// the margins of an entry.
constexpr int kDroppedListMarginTwips = 450;
// A port list row: its margin on the left, and the room between the port
// and its device's name, drawn in a column of its own in the text colour
// (a lighter one would not read on the list's red).
constexpr int kRowMarginTwips = 45;
constexpr int kNameGapTwips = 300;

// The text of a combo box's entry.
std::wstring EntryText(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  std::wstring entry(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(entry.data()));
  entry.resize(wcslen(entry.c_str()));
  return entry;
}

// The index of the combo box's entry whose text is exactly `text`, letter
// case counting (CB_FINDSTRINGEXACT ignores it); CB_ERR when none is.
LRESULT ExactEntry(HWND combo, const std::wstring& text) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (EntryText(combo, i) == text) return i;
  }
  return CB_ERR;
}

// The width of a text in a control's own font, in pixels.
int TextWidth(HWND control, const std::wstring& text) {
  const WindowDc dc(control);
  return MeasureText(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                     text)
      .cx;
}

}  // namespace

void Win32Window::ClearItems(Control c) {
  SendMessageW(Handle(c), CB_RESETCONTENT, 0, 0);
  SendMessageW(Handle(c), CB_SETDROPPEDWIDTH, 0, 0);
}

void Win32Window::AddItem(Control c, const std::wstring& text) {
  SendMessageW(Handle(c), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  WidenDroppedList(Handle(c), text);
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

void Win32Window::ShowPorts(const std::vector<PortListing>& ports) {
  // Rows that went, then rows that came, each in its place: the list's
  // text and its colour stay as they are.
  std::vector<std::wstring> shown = Items(Control::PortList);
  for (std::size_t i = shown.size(); i-- > 0;) {
    const bool kept = std::any_of(ports.begin(), ports.end(),
                                  [&](const PortListing& p) { return p.entry == shown[i]; });
    if (!kept) RemoveItem(Control::PortList, i);
  }
  for (std::size_t i = 0; i < ports.size(); ++i) {
    shown = Items(Control::PortList);
    if (i >= shown.size() || shown[i] != ports[i].entry) {
      InsertItem(Control::PortList, i, ports[i].entry);
    }
  }
  portRows_ = ports;
  FitPortColumns();
  COMBOBOXINFO info{};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(Handle(Control::PortList), &info))
    InvalidateRect(info.hwndList, nullptr, TRUE);
}

void Win32Window::FitPortColumns() {
  HWND combo = Handle(Control::PortList);
  int entries = 0;
  for (const PortListing& row : portRows_) entries = std::max(entries, TextWidth(combo, row.entry));
  portNameColumn_ = Px(kRowMarginTwips) + entries + Px(kNameGapTwips);
  int widest = Px(kRowMarginTwips) + entries;
  for (const PortListing& row : portRows_) {
    if (!row.device.empty()) {
      widest = std::max(widest, portNameColumn_ + TextWidth(combo, row.device));
    }
  }
  // Never narrower than the box.
  const int dropped = widest + Px(kDroppedListMarginTwips);
  SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dropped), 0);
}

void Win32Window::DrawPortRow(const DRAWITEMSTRUCT& row) {
  if (row.itemID == static_cast<UINT>(-1)) return;  // an empty list's focus
  const std::wstring entry = EntryText(row.hwndItem, static_cast<LRESULT>(row.itemID));
  std::wstring device;
  for (const PortListing& listed : portRows_) {
    if (listed.entry == entry) device = listed.device;
  }
  const bool selected = (row.itemState & ODS_SELECTED) != 0;
  HDC dc = row.hDC;
  FillRect(dc, &row.rcItem, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : portBrush_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT text = row.rcItem;
  text.left += Px(kRowMarginTwips);
  DrawTextW(dc, entry.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (!device.empty()) {
    text.left = row.rcItem.left + portNameColumn_;
    DrawTextW(dc, ForDisplay(device).c_str(), -1, &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  if (row.itemState & ODS_FOCUS) DrawFocusRect(dc, &row.rcItem);
}

bool Win32Window::IsDroppedDown(Control c) {
  return SendMessageW(Handle(c), CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

void Win32Window::WidenDroppedList(HWND combo, const std::wstring& entry) {
  // The list is never narrower than the box; a longer entry widens it.
  const int needed = TextWidth(combo, entry) + Px(kDroppedListMarginTwips);
  if (needed > SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0)) {
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(needed), 0);
  }
}

void Win32Window::SetListText(Control c, const std::wstring& text) {
  HWND combo = At(c).hwnd;
  if (listReportingChoice_ == c) {
    // The list puts the chosen entry into its text field once its report
    // has returned; this text must come after that.
    deferredTexts_[static_cast<std::size_t>(c)] = text;
    PostMessageW(hwnd_, kDeferredListTextMsg, static_cast<WPARAM>(c), 0);
    return;
  }
  // CB_ERR selects no entry and empties the field; the text follows.
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(ExactEntry(combo, text)), 0);
  SetWindowTextW(combo, ForDisplay(text).c_str());
}

void Win32Window::SetDeferredText(Control c) {
  const auto i = static_cast<std::size_t>(c);
  if (i >= kControlCount || !deferredTexts_[i]) return;
  const std::wstring text = std::move(*deferredTexts_[i]);
  deferredTexts_[i].reset();
  SetText(c, text);
}

void Win32Window::ReportListChoice(Control c) {
  HWND combo = At(c).hwnd;
  // The edit field shows the chosen entry only after this notification;
  // the handler must already read the new choice.
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index != CB_ERR) SetWindowTextW(combo, EntryText(combo, index).c_str());
  listReportingChoice_ = c;
  if (c == Control::PortList) {
    events_.OnPortPicked(*this);
  } else {
    events_.OnLanguageClick(*this);
  }
  listReportingChoice_.reset();
}

}  // namespace vz
