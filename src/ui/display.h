// How the logic's values are handed to Windows: colours, and the room a
// text takes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32_owned.h"

namespace vz {

inline COLORREF ToColorRef(std::uint32_t value) {
  // Both use red in the low byte and blue in the high byte.
  return static_cast<COLORREF>(value & 0xFFFFFF);
}

// The width and height `text` takes in `font` on a window's device context
// (WindowDc): on one line, or wrapped at `wrapWidth` pixels when one is
// given. Prefix characters ("&") are shown as they are.
inline SIZE MeasureText(HDC dc, HFONT font, const std::wstring& text, int wrapWidth = 0) {
  const Selected chosen(dc, font);
  RECT needed{0, 0, wrapWidth, 0};
  const UINT format = DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  if (!chosen.ok() || !DrawTextW(dc, text.c_str(), -1, &needed, format)) return {0, 0};
  return {needed.right, needed.bottom};
}

}  // namespace vz
