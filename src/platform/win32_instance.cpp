#include "platform/win32_instance.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/win32_system.h"
#include "platform/win32_wait.h"

namespace vz {
namespace {

// How long a window that was told to come forward is given to do so.
constexpr DWORD kComeForwardMs = 1000;
constexpr DWORD kPollMs = 50;

struct Search {
  const wchar_t* windowClass;
  const std::wstring* folder;
  HWND found;
};

BOOL CALLBACK CheckWindow(HWND hwnd, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t name[64] = {};
  if (!GetClassNameW(hwnd, name, 64) || wcscmp(name, search->windowClass) != 0) return TRUE;
  // A copy still starting keeps its window hidden until its port probe has
  // ended: it is waited for, as one not found yet.
  if (!IsWindowVisible(hwnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == GetCurrentProcessId()) return TRUE;
  const std::optional<std::wstring> program = ProcessProgramPath(pid);
  if (!program) return TRUE;
  const std::size_t slash = program->find_last_of(L"\\/");
  if (slash == std::wstring::npos || !IsSameFolder(program->substr(0, slash), *search->folder)) {
    return TRUE;
  }
  search->found = hwnd;
  return FALSE;
}

// Asks the window to come forward with calls that do not wait on it (a
// copy that hangs must not hang this one too), then sees whether it did:
// a copy run as administrator takes no orders from this one.
bool BringForward(HWND window) {
  (void)ShowWindowAsync(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  (void)SetForegroundWindow(window);
  return WaitUntil([window] { return !IsIconic(window) && GetForegroundWindow() == window; },
                   kComeForwardMs, kPollMs);
}

}  // namespace

std::wstring FolderMutexName(const std::wstring& folder) {
  wchar_t name[96];
  if (const std::optional<FolderId> id = ReadFolderId(folder)) {
    swprintf(name, 96, L"Global\\Vardolin_VaZuvovev-%08lx-%016llx",
             static_cast<unsigned long>(id->volume), static_cast<unsigned long long>(id->index));
    return name;
  }
  // A kernel object's name may hold no backslash and is limited in length,
  // so the key goes in as a hash (FNV-1a, 64 bits).
  std::uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : FolderKey(folder)) {
    hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
  }
  swprintf(name, 96, L"Global\\Vardolin_VaZuvovev-path-%016llx",
           static_cast<unsigned long long>(hash));
  return name;
}

FolderInstance::FolderInstance(const std::wstring& folder) : name_(FolderMutexName(folder)) {
  (void)TryTake();
}

bool FolderInstance::TryTake() {
  mutex_.reset(CreateMutexW(nullptr, FALSE, name_.c_str()));
  const DWORD error = GetLastError();
  if (mutex_.valid()) {
    first_ = error != ERROR_ALREADY_EXISTS;
    // Another copy's mutex is not held: it must go with that copy.
    if (!first_) mutex_.Close();
  } else {
    // A mutex that exists but may not be opened is another copy's. Any
    // other failure (no memory) lets this copy run: better than none.
    first_ = error != ERROR_ACCESS_DENIED;
  }
  return first_;
}

FirstCopy WaitForFirstCopy(FolderInstance& self, const wchar_t* windowClass,
                           const std::wstring& folder, DWORD timeoutMs) {
  Search search{windowClass, &folder, nullptr};
  bool ended = false;
  const bool settled = WaitUntil(
      [&] {
        // A program closed and at once started again finds the closing copy
        // still holding the folder for a moment.
        ended = self.TryTake();
        if (!ended) EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
        return ended || search.found;
      },
      timeoutMs, kPollMs);
  if (ended) return FirstCopy::Ended;
  return settled && BringForward(search.found) ? FirstCopy::BroughtForward : FirstCopy::NotReached;
}

}  // namespace vz
