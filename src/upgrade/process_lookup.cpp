#include "upgrade/process_lookup.h"

#include <cmath>
#include <cwctype>
#include <exception>
#include <string>

namespace vz {
namespace {

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

bool EndsWith(std::wstring_view text, std::wstring_view tail) {
  return text.size() >= tail.size() &&
         text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

ProcessLookup LookUpProcess(System& sys, std::wstring_view name) {
  try {
    const ProcessList list = sys.RunningProcesses();
    if (!list.ok) {
      return {ProcessState::Unknown,
              std::to_wstring(list.error) + L" " +
                  sys.ErrorText(list.error, std::wstring(name)),
              false};
    }
    const std::wstring wanted = Lower(name);
    for (const std::string& exe : list.names) {
      if (EndsWith(Lower(sys.FromAnsi(exe)), wanted)) {
        return {ProcessState::Running, {}, false};
      }
    }
    return {ProcessState::NotRunning, {}, false};
  } catch (const std::exception& e) {
    const std::string what = e.what();
    return {ProcessState::Unknown, std::wstring(what.begin(), what.end()), true};
  }
}

void WaitSeconds(System& sys, double seconds) {
  sys.Pause(static_cast<std::uint32_t>(std::lround(seconds * 1000)));
}

}  // namespace vz
