#include "exe_dir.h"

#include <windows.h>

#include <vector>

namespace vz::test {

std::wstring ExeDir() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return L".\\";
    if (n < buffer.size()) {
      const std::wstring path(buffer.data(), n);
      const std::size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? L".\\" : path.substr(0, slash) + L'\\';
    }
    // Cut short: the path is longer than the buffer.
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vz::test
