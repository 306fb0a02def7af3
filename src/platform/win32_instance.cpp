#include "platform/win32_instance.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace vz {
namespace {

std::wstring Upper(std::wstring text) {
  if (!text.empty()) {
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                 text.data(), static_cast<int>(text.size()));
  }
  return text;
}

std::wstring LongName(const std::wstring& path) {
  const DWORD n = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetLongPathNameW(path.c_str(), full.data(), n);
  if (got == 0 || got >= n) return path;
  full.resize(got);
  return full;
}

// The folder of a running process's program; empty when it cannot be read.
std::wstring ProcessFolder(DWORD pid) {
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process.valid()) return {};
  std::vector<wchar_t> path(32768);
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
  const std::wstring exe(path.data(), size);
  const std::size_t slash = exe.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash);
}

struct Search {
  const wchar_t* windowClass;
  std::wstring key;
  HWND found;
};

BOOL CALLBACK CheckWindow(HWND hwnd, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t name[64] = {};
  if (!GetClassNameW(hwnd, name, 64) || wcscmp(name, search->windowClass) != 0) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == GetCurrentProcessId()) return TRUE;
  const std::wstring folder = ProcessFolder(pid);
  if (folder.empty() || FolderKey(folder) != search->key) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

std::wstring FolderKey(const std::wstring& folder) {
  std::wstring key = Upper(LongName(folder));
  while (!key.empty() && (key.back() == L'\\' || key.back() == L'/')) key.pop_back();
  return key + L'\\';
}

FolderInstance::FolderInstance(const std::wstring& folder) {
  // A kernel object's name may hold no backslash and is limited in length,
  // so the folder goes in as a hash (FNV-1a, 64 bits).
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : FolderKey(folder)) {
    hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
  }
  wchar_t name[64];
  swprintf(name, 64, L"Local\\Vardolin_VaZuvovev-%016llx", static_cast<unsigned long long>(hash));
  mutex_.reset(CreateMutexW(nullptr, FALSE, name));
  // Without a mutex (no rights, no memory) the copy runs: better than none.
  first_ = !(mutex_.valid() && GetLastError() == ERROR_ALREADY_EXISTS);
}

bool BringCopyForward(const wchar_t* windowClass, const std::wstring& folder, DWORD timeoutMs) {
  Search search{windowClass, FolderKey(folder), nullptr};
  const DWORD start = GetTickCount();
  for (;;) {
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) break;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  SetForegroundWindow(search.found);
  return true;
}

}  // namespace vz
