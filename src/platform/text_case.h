// Letter case, by two rules, each written once here.
//
// File and process names: compared the way Windows' file system compares
// them, ordinally, one UTF-16 unit at a time after a fixed upper-case
// mapping of its own. The C library's case mapping is not used: glibc's
// and msvcrt's differ, so the tests and the program would disagree.
//
// Language names and the "COM" of a port: ASCII letters only, so that no
// locale can make a name match that should not.
#pragma once

#include <string>
#include <string_view>

namespace vz {

// The upper case of a name's letter: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic; every other unit is its own upper case.
wchar_t NameUpper(wchar_t c);
std::wstring NameUpper(std::wstring_view name);
bool SameName(std::wstring_view a, std::wstring_view b);
// Sorts names as a directory listing does, letter case not counting.
bool NameLess(std::wstring_view a, std::wstring_view b);

wchar_t AsciiUpper(wchar_t c);
bool SameAscii(std::wstring_view a, std::wstring_view b);

}  // namespace vz
