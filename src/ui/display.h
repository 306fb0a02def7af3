// How the logic's values are handed to Windows: colours and line breaks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vz {

inline COLORREF ToColorRef(std::uint32_t value) {
  // Both use red in the low byte and blue in the high byte.
  return static_cast<COLORREF>(value & 0xFFFFFF);
}

// Labels and message boxes break lines at CR LF; a text from the message
// file carries a lone CR where it wants a new line.
inline std::wstring ForDisplay(const std::wstring& text) {
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

}  // namespace vz
