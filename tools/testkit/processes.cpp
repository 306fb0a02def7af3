#include "processes.h"

#include "platform/win32_owned.h"

namespace vz::test {

bool WalkProcesses(const std::function<void(const PROCESSENTRY32W&)>& visit) {
  const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    visit(entry);
  }
  return true;
}

std::optional<std::vector<ProcessEntry>> RunningProcesses() {
  std::vector<ProcessEntry> all;
  const bool walked = WalkProcesses([&](const PROCESSENTRY32W& entry) {
    const std::size_t length = wcsnlen(entry.szExeFile, sizeof(entry.szExeFile) / sizeof(wchar_t));
    all.push_back(
        {entry.th32ProcessID, entry.th32ParentProcessID, std::wstring(entry.szExeFile, length)});
  });
  if (!walked) return std::nullopt;
  return all;
}

}  // namespace vz::test
