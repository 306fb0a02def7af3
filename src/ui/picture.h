// Pictures for the window: decoding a picture file, loading a picture of
// the program's resources, and showing either at the monitor's DPI.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_owned.h"

namespace vz {

// Decodes a picture file (GIF and the other formats the system knows) into
// a bitmap; none when the file is missing or unreadable.
BitmapHandle DecodePicture(const std::wstring& path);

// The bitmap's size in pixels; 0 x 0 for none.
SIZE BitmapSize(HBITMAP bitmap);

// A picture's natural size (its size at 96 DPI) at `dpi`, proportions kept.
SIZE SizeAtDpi(SIZE natural, int dpi);

// A copy of `source` at `size`, scaled smoothly; none when GDI failed.
BitmapHandle ScaleBitmap(HBITMAP source, SIZE size);

// The same for a picture drawn on a key colour that stands for "transparent"
// (the power symbol): a pixel is the key where the symbol covers less than
// half of it, and otherwise the symbol's own colour, never a blend with the
// key, so that the key still finds every transparent pixel.
BitmapHandle ScaleKeyedBitmap(HBITMAP source, COLORREF key, SIZE size);

// A picture of the program's resources as it is shown at `dpi`: at 96 DPI
// resource `normal` itself, not scaled; above, its 200 % version `large`
// scaled down to the natural size at `dpi`; below, `normal` scaled down.
// With a key colour the picture is scaled as ScaleKeyedBitmap does.
BitmapHandle ResourcePictureAtDpi(HINSTANCE instance, int normal, int large, int dpi,
                                  const COLORREF* key = nullptr);

}  // namespace vz
