// The folder of the running program, for the test programs and the tools
// that find their files beside themselves.
#pragma once

#include <string>

namespace vz::test {

// The directory of this program's executable, with a trailing backslash;
// ".\" when the system cannot tell it.
std::wstring ExeDir();

}  // namespace vz::test
