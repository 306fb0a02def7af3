// The version and the release label as the program shows them, from
// version.txt (through the generated app_version.h): a new release changes
// no test.
#pragma once

#include "app_version.h"

namespace vz::test {

// What the window's title carries after the message file's title.
inline constexpr wchar_t kTitleRelease[] = L"  (Rel." VZ_RELEASE ")";
// The file and product version of the program's version resource.
inline constexpr wchar_t kVersion[] = L"" VZ_VERSION;

}  // namespace vz::test
