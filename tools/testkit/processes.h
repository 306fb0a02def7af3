// The processes running on the machine, from one system snapshot.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vz::test {

// Rule: one system snapshot, walked once from first to last; false when the
// system gave no snapshot, so that an unknown list is never read as an
// empty one. Every walk of the tests, the tools and the benchmarks is this.
bool WalkProcesses(const std::function<void(const PROCESSENTRY32W&)>& visit);

struct ProcessEntry {
  DWORD pid = 0;
  DWORD parentPid = 0;
  std::wstring exeName;  // the executable's file name, without its folder
};

// Every process running now; nullopt when the system gave no snapshot.
std::optional<std::vector<ProcessEntry>> RunningProcesses();

}  // namespace vz::test
