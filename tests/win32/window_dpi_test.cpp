// The window's pictures at the monitor's DPI: run by the DPI check at 96,
// 120 and 144 dots per inch (StartedWindow.Dpi*), and at the prefix's DPI
// with the other Win32 tests.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "started_window.h"
#include "i18n/language.h"
#include "testkit/fakes.h"
#include "ui/resource.h"

namespace vz::test {
namespace {

SIZE BitmapSizeOf(HBITMAP bitmap) {
  BITMAP b{};
  return GetObjectW(bitmap, sizeof(b), &b) ? SIZE{b.bmWidth, b.bmHeight} : SIZE{0, 0};
}

// The size of one of the program's own pictures as drawn (96 DPI).
SIZE NaturalSize(int resource) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, 0));
  const SIZE size = BitmapSizeOf(bitmap);
  DeleteObject(bitmap);
  return size;
}

// The size a GIF file gives itself (its logical screen).
SIZE GifSize(const std::string& bytes) {
  const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes.at(i)); };
  return {at(6) | at(7) << 8, at(8) | at(9) << 8};
}

// A one-colour GIF of any size: every pixel a literal code after a clear
// code, so the codes stay three bits wide.
std::string SolidGif(int width, int height) {
  std::string gif = "GIF89a";
  const auto word = [&](int v) {
    gif += static_cast<char>(v & 0xFF);
    gif += static_cast<char>(v >> 8);
  };
  word(width);
  word(height);
  gif += std::string("\x80\x00\x00", 3);  // a table of two colours
  gif += std::string("\x00\x60\xA0\xFF\xFF\xFF", 6);
  gif += ',';
  word(0);
  word(0);
  word(width);
  word(height);
  gif += '\0';
  gif += '\x02';  // minimum code size
  std::string codes;
  unsigned bits = 0, count = 0;
  const auto put = [&](unsigned code) {
    bits |= code << count;
    count += 3;
    while (count >= 8) {
      codes += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  };
  for (int i = 0; i < width * height; ++i) {
    put(4);  // clear
    put(0);  // the colour
  }
  put(5);  // end
  if (count) codes += static_cast<char>(bits & 0xFF);
  for (std::size_t i = 0; i < codes.size(); i += 255) {
    const std::string block = codes.substr(i, 255);
    gif += static_cast<char>(block.size());
    gif += block;
  }
  gif += '\0';
  gif += ';';
  return gif;
}

// The pixels of a bitmap, 32 bits each, top row first.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap) {
  const SIZE size = BitmapSizeOf(bitmap);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size.cx) * size.cy);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return pixels;
}

HBITMAP ShownBitmap(const Win32Window& w, Control c) {
  return reinterpret_cast<HBITMAP>(SendMessageW(w.Handle(c), STM_GETIMAGE, IMAGE_BITMAP, 0));
}
SIZE ShownSize(const Win32Window& w, Control c) { return BitmapSizeOf(ShownBitmap(w, c)); }
HIMAGELIST PowerImages(const Win32Window& w) {
  BUTTON_IMAGELIST list{};
  SendMessageW(w.Handle(Control::ExitButton), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
  return list.himl;
}
SIZE PowerSize(const Win32Window& w) {
  int cx = 0, cy = 0;
  ImageList_GetIconSize(PowerImages(w), &cx, &cy);
  return {cx, cy};
}

// The window told that its monitor's DPI is now `dpi`, as Windows tells it.
void ChangeDpi(Win32Window& w, int dpi) {
  RECT r{};
  GetWindowRect(w.hwnd(), &r);
  r.right = r.left + MulDiv(r.right - r.left, dpi, w.dpi());
  r.bottom = r.top + MulDiv(r.bottom - r.top, dpi, w.dpi());
  SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
  ASSERT_EQ(w.dpi(), dpi);
}

// Each picture is its natural size times dpi / 96, exactly at 96 DPI; its
// control fits it.
void ExpectPicturesAtDpi(const Win32Window& w, const std::wstring& flagFile, int dpi) {
  const struct {
    const char* name;
    SIZE natural, shown;
  } pictures[] = {
      {"logo", NaturalSize(IDB_LOGO), ShownSize(w, Control::Logo)},
      {"wordmark", NaturalSize(IDB_WORDMARK), ShownSize(w, Control::Wordmark)},
      {"power symbol", NaturalSize(IDB_POWER), PowerSize(w)},
      {"flag", GifSize(ReadFileBytes(flagFile)), ShownSize(w, Control::Flag)},
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(std::string(p.name) + " at " + std::to_string(dpi) + " DPI");
    ASSERT_GT(p.natural.cx, 0);
    EXPECT_NEAR(p.shown.cx, p.natural.cx * dpi / 96.0, dpi == 96 ? 0 : 1);
    EXPECT_NEAR(p.shown.cy, p.natural.cy * dpi / 96.0, dpi == 96 ? 0 : 1);
  }
  for (Control c : {Control::Logo, Control::Wordmark, Control::Flag}) {
    RECT r{};
    GetClientRect(w.Handle(c), &r);
    EXPECT_EQ(r.right, ShownSize(w, c).cx) << int(c);
    EXPECT_EQ(r.bottom, ShownSize(w, c).cy) << int(c);
  }
}

TEST_F(StartedWindow, DpiEveryPictureIsItsNaturalSizeTimesTheDpi) {
  Start();
  if (const char* expected = std::getenv("VZ_EXPECT_DPI")) {
    ASSERT_EQ(window->dpi(), std::atoi(expected));
  }
  ExpectPicturesAtDpi(*window, dir / L"France.gif", window->dpi());
}

TEST_F(StartedWindow, DpiAFlagOfAnotherSizeIsScaledLikeTheWindowNotStretchedToItsBox) {
  WriteFileBytes(dir / L"France.gif", SolidGif(90, 24));
  Start();
  const int dpi = window->dpi();
  ASSERT_NE(ShownBitmap(*window, Control::Flag), nullptr) << "the site's flag is shown";
  EXPECT_NEAR(ShownSize(*window, Control::Flag).cx, 90 * dpi / 96.0, dpi == 96 ? 0 : 1);
  EXPECT_NEAR(ShownSize(*window, Control::Flag).cy, 24 * dpi / 96.0, dpi == 96 ? 0 : 1);
}

TEST_F(StartedWindow, DpiAChangeOfDpiScalesAgainFromThePicturesAsDrawn) {
  Start();
  const int dpi = window->dpi();
  const std::vector<std::uint32_t> flag = PixelsOf(ShownBitmap(*window, Control::Flag));
  const std::vector<std::uint32_t> logo = PixelsOf(ShownBitmap(*window, Control::Logo));
  const int other = dpi == 144 ? 120 : 144;
  ChangeDpi(*window, other);
  ExpectPicturesAtDpi(*window, dir / L"France.gif", other);
  ChangeDpi(*window, dpi);
  ExpectPicturesAtDpi(*window, dir / L"France.gif", dpi);
  // Scaled again from a scaled copy, the edges of the colours would blur.
  EXPECT_EQ(PixelsOf(ShownBitmap(*window, Control::Flag)), flag);
  EXPECT_EQ(PixelsOf(ShownBitmap(*window, Control::Logo)), logo);
}

TEST_F(StartedWindow, DpiThePowerSymbolShowsNoKeyColourAtItsEdges) {
  Start();
  const SIZE size = PowerSize(*window);
  ASSERT_GT(size.cx, 0);
  // The symbol drawn as the button draws it, on white.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, size.cx, size.cy);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, canvas);
  RECT all{0, 0, size.cx, size.cy};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ImageList_Draw(PowerImages(*window), 0, dc, 0, 0, ILD_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  int red = 0, pinkish = 0;
  for (std::uint32_t p : PixelsOf(canvas)) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    red += r > 150 && g < 100 && b < 100;
    // Magenta, or red blended with it.
    pinkish += r > 150 && b > 100 && g < 150;
  }
  DeleteObject(canvas);
  EXPECT_EQ(pinkish, 0) << "the key colour shows";
  EXPECT_GT(red, size.cx * size.cy / 8) << "the symbol is drawn";
}

// "COM255", the longest port name, shows whole in the port list's field:
// measured in the field's own font (Wine's here) and with Arial's advance
// widths (Windows' font: C 722, O 778, M 833 and each digit 556 thousandths
// of the em), against the field's formatting rectangle. The dropped list
// is as wide as its longest entry.
// The width of a text in a control's own font, in pixels.
int WidthInFont(HWND control, const std::wstring& text) {
  HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// The width of a combo box's text field, without its margins.
int FieldWidth(HWND edit) {
  RECT format{};
  SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  return format.right - format.left;
}

TEST_F(StartedWindow, DpiThePortListShowsTheLongestPortNameWhole) {
  Start();
  const std::wstring longest = L"COM255";
  HWND edit = PortParts().hwndItem;
  const int text = WidthInFont(edit, longest);
  const double emPixels = 12.0 * window->dpi() / 72;
  const double arial = (722 + 778 + 833 + 3 * 556) / 1000.0 * emPixels;
  EXPECT_GE(FieldWidth(edit), text) << "at " << window->dpi() << " DPI";
  EXPECT_GE(FieldWidth(edit), arial) << "at " << window->dpi() << " DPI";

  window->ShowPorts({{longest, L""}});
  EXPECT_GE(SendMessageW(H(Control::PortList), CB_GETDROPPEDWIDTH, 0, 0),
            text + GetSystemMetrics(SM_CXVSCROLL));
}

// Every language the list offers shows whole in its field and its dropped
// list, measured as the port name above; "FRANCAISE" is the longest.
TEST_F(StartedWindow, DpiTheLanguageListShowsEveryEntryWhole) {
  Start();
  // Arial's advance widths of the capitals the names use, in thousandths
  // of the em.
  const std::map<wchar_t, int> arial{{L'A', 667}, {L'C', 722}, {L'D', 722}, {L'E', 667},
                                     {L'F', 611}, {L'G', 778}, {L'H', 722}, {L'I', 278},
                                     {L'L', 556}, {L'N', 722}, {L'O', 778}, {L'R', 722},
                                     {L'S', 667}, {L'T', 611}, {L'W', 944}};
  COMBOBOXINFO parts{};
  parts.cbSize = sizeof(parts);
  ASSERT_TRUE(GetComboBoxInfo(H(Control::LanguageList), &parts));
  const double emPixels = 12.0 * window->dpi() / 72;
  const std::vector<std::wstring> entries = Items(Control::LanguageList);
  ASSERT_FALSE(entries.empty());
  for (const std::wstring& entry : entries) {
    const std::string where = Narrow(entry) + " at " + std::to_string(window->dpi()) + " DPI";
    int thousandths = 0;
    for (wchar_t letter : entry) thousandths += arial.at(letter);
    const int text = WidthInFont(parts.hwndItem, entry);
    EXPECT_GE(FieldWidth(parts.hwndItem), text) << where;
    EXPECT_GE(FieldWidth(parts.hwndItem), thousandths / 1000.0 * emPixels) << where;
    EXPECT_GE(SendMessageW(H(Control::LanguageList), CB_GETDROPPEDWIDTH, 0, 0),
              text + GetSystemMetrics(SM_CXVSCROLL))
        << where;
  }
}

// The status lines of a run show each shipped text whole, in every
// language, in no font smaller than 9 pt, and within their labels.
TEST_F(StartedWindow, DpiEveryShippedStatusLineFitsItsLabel) {
  Start();
  for (const std::wstring& language : OfferedLanguages()) {
    Globals shipped;
    shipped.programDir = ExeDir() + L"data\\";
    shipped.currentLanguage = language;
    SelectLanguageFiles(shipped);
    const std::wstring file = shipped.messageFileName;
    ASSERT_TRUE(LoadMessageFile(shipped, sys, file));
    for (Msg doing : {Msg::Updating, Msg::Programming}) {
      window->ShowRunStatus(shipped.messages[doing], shipped.messages[Msg::Notice1]);
      for (Control c : {Control::StatusLine1, Control::StatusLine2}) {
        HWND label = H(c);
        RECT room{};
        GetClientRect(label, &room);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
        LOGFONTW shown{};
        GetObjectW(font, sizeof(shown), &shown);
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, font);
        const std::wstring text = Caption(c);
        RECT needed{0, 0, room.right, 0};
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        const std::string where =
            Narrow(file) + " " + Narrow(text) + " at " + std::to_string(window->dpi()) + " DPI";
        EXPECT_TRUE(Shown(c)) << where;
        EXPECT_LE(needed.bottom, room.bottom) << where;
        EXPECT_LE(needed.right, room.right) << where;
        EXPECT_GE(-shown.lfHeight, layout::FontHeight(9, window->dpi()) * -1) << where;
      }
    }
  }
}

// Everything of the window that the DPI sizes: its frame, each control's
// place and size, and the pictures.
std::vector<long> Geometry(const Win32Window& w) {
  std::vector<long> g{w.dpi()};
  RECT frame{};
  GetWindowRect(w.hwnd(), &frame);
  g.insert(g.end(), {frame.right - frame.left, frame.bottom - frame.top});
  for (const layout::ControlDesign& d : layout::kControls) {
    RECT r{};
    GetWindowRect(w.Handle(d.id), &r);
    MapWindowPoints(nullptr, GetParent(w.Handle(d.id)), reinterpret_cast<POINT*>(&r), 2);
    g.insert(g.end(), {r.left, r.top, r.right, r.bottom});
  }
  for (Control c : {Control::Logo, Control::Wordmark, Control::Flag}) {
    g.insert(g.end(), {ShownSize(w, c).cx, ShownSize(w, c).cy});
  }
  g.insert(g.end(), {PowerSize(w).cx, PowerSize(w).cy});
  return g;
}

// Windows 7 lacks GetDpiForWindow, GetDpiForSystem and
// AdjustWindowRectExForDpi; their fallbacks must draw the same window.
TEST_F(StartedWindow, DpiWithoutTheNewerFunctionsTheWindowIsTheSame) {
  Start();
  const std::vector<long> withThem = Geometry(*window);
  window.reset();
  api = &NewerApi::Windows7();
  Start();
  EXPECT_EQ(Geometry(*window), withThem);
  if (const char* expected = std::getenv("VZ_EXPECT_DPI")) {
    EXPECT_EQ(window->dpi(), std::atoi(expected));
  }
}

}  // namespace
}  // namespace vz::test
