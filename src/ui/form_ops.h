// Operations of the main window that need no Windows types: copying the
// localised texts into the captions and centring the window.
#pragma once

#include <cstdint>

#include "i18n/message_table.h"
#include "ui/main_window.h"

namespace vz {

inline constexpr wchar_t kReleaseSuffix[] = L"  (Rel.2.2)";

// Sets the six localised captions from the table, exactly as stored.
void ApplyLanguage(const MessageTable& messages, MainWindow& window);

// Offset that centres an extent of `inner` in `outer`: the difference is
// taken in single precision, rounded to the nearest integer with halves to
// the even neighbour, then halved truncating toward zero.
std::int32_t CenterOffset(float outer, float inner);

// Centres the window on the screen: top first, then left.
void CenterForm(MainWindow& window);

}  // namespace vz
