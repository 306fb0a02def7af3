// Centring the main window on the screen, in twips.
#pragma once

#include <cstdint>

#include "window/main_window.h"

namespace vz {

// Offset that centres an extent of `inner` in `outer`: the difference is
// taken in single precision, rounded to the nearest integer with halves to
// the even neighbour, then halved truncating toward zero.
std::int32_t CenterOffset(float outer, float inner);

// Centres the window on the screen: top first, then left.
void CenterForm(MainWindow& window);

}  // namespace vz
