// How the logic's values are handed to Windows: colours.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vz {

inline COLORREF ToColorRef(std::uint32_t value) {
  // Both use red in the low byte and blue in the high byte.
  return static_cast<COLORREF>(value & 0xFFFFFF);
}

}  // namespace vz
