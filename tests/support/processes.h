// The processes running on the machine, from one system snapshot.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vz::test {

struct ProcessEntry {
  DWORD pid = 0;
  DWORD parentPid = 0;
  std::wstring exeName;  // the executable's file name, without its folder
};

// Every process running now; nullopt when the system gave no snapshot, so
// that an unknown list is never read as an empty one.
std::optional<std::vector<ProcessEntry>> RunningProcesses();

}  // namespace vz::test
