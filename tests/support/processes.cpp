#include "processes.h"

#include <tlhelp32.h>

#include "platform/win32_owned.h"

namespace vz::test {

std::optional<std::vector<ProcessEntry>> RunningProcesses() {
  const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return std::nullopt;
  std::vector<ProcessEntry> all;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    const std::size_t length = wcsnlen(entry.szExeFile, sizeof(entry.szExeFile) / sizeof(wchar_t));
    all.push_back({entry.th32ProcessID, entry.th32ParentProcessID,
                   std::wstring(entry.szExeFile, length)});
  }
  return all;
}

}  // namespace vz::test
