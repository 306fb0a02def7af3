#include "ui/picture.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <cstdint>

#include "window/layout.h"

namespace vz {
namespace {

constexpr LONGLONG kLargestPictureFile = 64 << 20;

// Reads the whole file into the memory block.
bool ReadInto(HANDLE file, HGLOBAL memory, DWORD size) {
  void* data = GlobalLock(memory);
  if (!data) return false;
  DWORD got = 0;
  const bool read = ReadFile(file, data, size, &got, nullptr) && got == size;
  GlobalUnlock(memory);
  return read;
}

// A bitmap selected into a memory DC for as long as it lives.
class Canvas {
 public:
  explicit Canvas(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), bitmap_(dc_.get(), bitmap) {}
  bool ok() const { return bitmap_.ok(); }
  HDC dc() const { return dc_.get(); }

 private:
  MemoryDcHandle dc_;  // freed after the bitmap is taken out of it
  Selected bitmap_;
};

// A 24-bit top-down bitmap whose pixels can be read and written.
struct Pixels {
  BitmapHandle bitmap;
  std::uint8_t* bits = nullptr;
  int width = 0, height = 0, stride = 0;

  Pixels(int w, int h) : width(w), height(h), stride((w * 3 + 3) & ~3) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* data = nullptr;
    bitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &data, nullptr, 0));
    if (bitmap.valid()) bits = static_cast<std::uint8_t*>(data);
  }
  bool ok() const { return bits != nullptr; }
  // Blue, green, red of pixel (x, y).
  std::uint8_t* At(int x, int y) const {
    return bits + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 3;
  }
};

// Draws `source` onto `target`, stretched smoothly to the target's size.
bool StretchOnto(HBITMAP source, SIZE from, const Pixels& target) {
  const Canvas in(source);
  const Canvas out(target.bitmap.get());
  if (!in.ok() || !out.ok()) return false;
  SetStretchBltMode(out.dc(), HALFTONE);
  SetBrushOrgEx(out.dc(), 0, 0, nullptr);  // as HALFTONE asks
  const bool drawn = StretchBlt(out.dc(), 0, 0, target.width, target.height, in.dc(), 0, 0, from.cx,
                                from.cy, SRCCOPY) != FALSE;
  GdiFlush();  // before the pixels are read
  return drawn;
}

BitmapHandle LoadBitmapResource(HINSTANCE instance, int id) {
  return BitmapHandle(
      static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0)));
}

}  // namespace

BitmapHandle DecodePicture(const std::wstring& path) {
  GlobalHandle memory;
  LARGE_INTEGER size{};
  {
    const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart >= kLargestPictureFile) {
      return {};
    }
    memory.reset(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size.QuadPart)));
    if (!memory.valid() || !ReadInto(file.get(), memory.get(), static_cast<DWORD>(size.QuadPart))) {
      return {};
    }
  }
  // The stream only reads the memory; `memory` stays its owner and outlives
  // the stream.
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), FALSE, stream.receive()))) return {};
  ComPtr<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size.QuadPart), FALSE, IID_IPicture,
                            reinterpret_cast<void**>(picture.receive()))) ||
      !picture.valid()) {
    return {};
  }
  OLE_HANDLE handle = 0;
  SHORT type = PICTYPE_UNINITIALIZED;
  if (FAILED(picture.get()->get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture.get()->get_Handle(&handle))) {
    return {};
  }
  // The picture owns its bitmap; keep a copy of our own.
  return BitmapHandle(static_cast<HBITMAP>(
      CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP b{};
  if (!bitmap || !GetObjectW(bitmap, sizeof(b), &b)) return {0, 0};
  return {b.bmWidth, b.bmHeight};
}

SIZE SizeAtDpi(SIZE natural, int dpi) {
  return {layout::DesignPixelsAt(natural.cx, dpi), layout::DesignPixelsAt(natural.cy, dpi)};
}

BitmapHandle ScaleBitmap(HBITMAP source, SIZE size) {
  Pixels out(size.cx, size.cy);
  if (!out.ok() || !StretchOnto(source, BitmapSize(source), out)) return {};
  return std::move(out.bitmap);
}

BitmapHandle ScaleKeyedBitmap(HBITMAP source, COLORREF key, SIZE size) {
  const SIZE from = BitmapSize(source);
  // The symbol on black (its colour times its cover) and its cover, white
  // on black: both scale linearly, so their quotient is the symbol's own
  // colour wherever it covers a scaled pixel.
  Pixels colour(from.cx, from.cy), cover(from.cx, from.cy);
  if (!colour.ok() || !cover.ok()) return {};
  {
    const Canvas in(source);
    const Canvas out(colour.bitmap.get());
    if (!in.ok() || !out.ok() ||
        !BitBlt(out.dc(), 0, 0, from.cx, from.cy, in.dc(), 0, 0, SRCCOPY)) {
      return {};
    }
    GdiFlush();
  }
  const std::uint8_t keyBgr[3] = {GetBValue(key), GetGValue(key), GetRValue(key)};
  for (int y = 0; y < from.cy; ++y) {
    for (int x = 0; x < from.cx; ++x) {
      std::uint8_t* c = colour.At(x, y);
      const bool transparent = c[0] == keyBgr[0] && c[1] == keyBgr[1] && c[2] == keyBgr[2];
      for (int i = 0; i < 3; ++i) {
        if (transparent) c[i] = 0;
        cover.At(x, y)[i] = transparent ? 0 : 255;
      }
    }
  }
  Pixels out(size.cx, size.cy), outCover(size.cx, size.cy);
  if (!out.ok() || !outCover.ok() || !StretchOnto(colour.bitmap.get(), from, out) ||
      !StretchOnto(cover.bitmap.get(), from, outCover)) {
    return {};
  }
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      std::uint8_t* c = out.At(x, y);
      const int covered = outCover.At(x, y)[1];
      for (int i = 0; i < 3; ++i) {
        c[i] = 2 * covered < 255
                   ? keyBgr[i]
                   : static_cast<std::uint8_t>(covered >= c[i] ? c[i] * 255 / covered : 255);
      }
    }
  }
  GdiFlush();
  return std::move(out.bitmap);
}

BitmapHandle ResourcePictureAtDpi(HINSTANCE instance, int normal, int large, int dpi,
                                  const COLORREF* key) {
  if (dpi == layout::kDesignDpi) return LoadBitmapResource(instance, normal);
  const bool fromLarge = dpi > layout::kDesignDpi;
  BitmapHandle source = LoadBitmapResource(instance, fromLarge ? large : normal);
  const SIZE have = BitmapSize(source.get());
  // The 200 % version is twice the natural size.
  const SIZE want = fromLarge ? SIZE{layout::DesignPixelsAt(have.cx / 2.0, dpi),
                                     layout::DesignPixelsAt(have.cy / 2.0, dpi)}
                              : SizeAtDpi(have, dpi);
  if (!source.valid() || (want.cx == have.cx && want.cy == have.cy)) return source;
  return key ? ScaleKeyedBitmap(source.get(), *key, want) : ScaleBitmap(source.get(), want);
}

}  // namespace vz
