#include "upgrade/process_lookup.h"

#include <cmath>
#include <exception>
#include <optional>
#include <string>

#include "platform/text_case.h"

namespace vz {
namespace {

bool EndsWithName(std::wstring_view text, std::wstring_view tail) {
  return text.size() >= tail.size() && SameName(text.substr(text.size() - tail.size()), tail);
}

// A path's folder (with its separator) and file name.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at + 1);
}
std::wstring FileNameOf(const std::wstring& path) { return path.substr(FolderOf(path).size()); }

// Walks the list of running processes; Running once `matches` holds for
// one of them.
template <typename Matches>
ProcessLookup Walk(System& sys, std::wstring_view name, Matches matches) {
  try {
    const ProcessList list = sys.RunningProcesses();
    if (!list.ok) {
      return {ProcessState::Unknown,
              std::to_wstring(list.error) + L" " + sys.ErrorText(list.error, std::wstring(name)),
              false};
    }
    for (const RunningProcess& process : list.entries) {
      if (matches(process)) return {ProcessState::Running, {}, false};
    }
    return {ProcessState::NotRunning, {}, false};
  } catch (const std::exception& e) {
    const std::string what = e.what();
    return {ProcessState::Unknown, std::wstring(what.begin(), what.end()), true};
  }
}

}  // namespace

ProcessLookup LookUpProcess(System& sys, std::wstring_view name) {
  return Walk(sys, name, [&](const RunningProcess& process) {
    return EndsWithName(sys.FromAnsi(process.name), name);
  });
}

ProcessLookup LookUpProcessIn(System& sys, std::wstring_view name, const std::wstring& folder) {
  return Walk(sys, name, [&](const RunningProcess& process) {
    if (!SameName(FileNameOf(sys.FromAnsi(process.name)), name)) return false;
    std::uint32_t error = 0;
    const std::optional<std::wstring> program = sys.ProgramPath(process.id, &error);
    if (program) return sys.SameFolder(FolderOf(*program), folder);
    // One whose program cannot be read may be this folder's, unless it has
    // ended meanwhile or runs in another Windows session (another user's,
    // after fast user switching). Where the system cannot tell, it counts.
    if (error == error_number::kInvalidParameter) return false;
    return sys.InThisSession(process.id).value_or(true);
  });
}

void WaitSeconds(System& sys, double seconds) {
  sys.Pause(static_cast<std::uint32_t>(std::lround(seconds * 1000)));
}

}  // namespace vz
