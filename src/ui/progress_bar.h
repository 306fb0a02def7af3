// The progress panel and the bar inside it: window classes of their own,
// painted here. The logic sets the bar's width; the panel is its frame.
#pragma once

#include <windows.h>

namespace vz {

inline constexpr wchar_t kPanelClass[] = L"VardolinProgressPanel";
inline constexpr wchar_t kBarClass[] = L"VardolinProgressBar";

// Registers both classes, with the cursor, background and instance of
// `form`, the main window's class. False when Windows refused one.
bool RegisterProgressClasses(const WNDCLASSEXW& form);

}  // namespace vz
