// Centring the main window on the screen, in twips, as the window was
// designed to be placed.
#pragma once

#include <cstdint>

namespace vz {

// Offset that centres an extent of `inner` in `outer`: the difference is
// taken in single precision, rounded to the nearest integer with halves to
// the even neighbour, then halved truncating toward zero.
std::int32_t CenterOffset(float outer, float inner);

}  // namespace vz
