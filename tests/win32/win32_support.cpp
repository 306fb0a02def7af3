#include "win32_support.h"

#include "testkit/wait.h"

namespace vz::test {

std::string ReadFileBytes(const std::wstring& path) {
  Win32System sys;
  return sys.ReadBytes(path).value_or("<missing>");
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void HelperProcess::End() {
  if (!started()) return;
  TerminateProcess(process_.get(), 0);
  WaitForSingleObject(process_.get(), 5000);
  process_.Close();
}

HelperProcess StartHelper(const std::wstring& args, const std::wstring& program) {
  const std::wstring exe = program.empty() ? ExeDir() + L"vz_testhelper.exe" : program;
  std::wstring commandLine = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi)) {
    return HelperProcess(nullptr);
  }
  ScopedHandle(pi.hThread).Close();  // only the process is waited for
  return HelperProcess(pi.hProcess);
}

FileHold::FileHold(const std::wstring& path, DWORD ms)
    : holder_(StartHelper(L"hold \"" + path + L"\" " + std::to_wstring(ms))) {
  if (!holder_.started()) return;
  // The hold is in effect once our own shared open is refused. A busy
  // machine may take seconds to start the helper; one that ends first
  // never held anything.
  const HANDLE process = holder_.get();
  held_ = WaitUntil(
              [&] {
                const ScopedHandle h(CreateFileW(path.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
                if (!h.valid()) return GetLastError() == ERROR_SHARING_VIOLATION;
                return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
              },
              30000, 10) &&
          WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

}  // namespace vz::test
