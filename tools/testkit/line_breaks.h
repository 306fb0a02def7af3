// Line breaks as the program's labels and message boxes show them.
#pragma once

#include <string>

namespace vz::test {

// Rule, the program's own: a Win32 label or message box breaks a line at
// CR LF, so a lone CR (a message file's "§") gains an LF and a CR LF stays
// as it is. Written apart from the program's conversion, so that a test
// comparing with it catches a fault there.
inline std::wstring AsShown(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) out += L'\n';
  }
  return out;
}

}  // namespace vz::test
