#include "win32_support.h"

#include "driver.h"

namespace vz::test {

TempDir::TempDir(const std::wstring& name) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static unsigned counter = 0;
  path_ = std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"\\";
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { e2e::RemoveTree(path_); }

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadFileBytes(const std::wstring& path) {
  Win32System sys;
  return sys.ReadBytes(path).value_or("<missing>");
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE StartHelper(const std::wstring& args, const std::wstring& program) {
  const std::wstring exe = program.empty() ? ExeDir() + L"vz_testhelper.exe" : program;
  std::wstring commandLine = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi)) {
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

FileHold::FileHold(const std::wstring& path, DWORD ms) {
  process_ = StartHelper(L"hold \"" + path + L"\" " + std::to_wstring(ms));
  if (!process_) return;
  // The hold is in effect once our own shared open is refused. A busy
  // machine may take seconds to start the helper; one that ends first
  // never held anything.
  held_ = e2e::WaitUntil(
      [&] {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
        CloseHandle(h);
        return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
      },
      30000, 10) &&
          WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void FileHold::Release() {
  if (!process_) return;
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, 5000);
  CloseHandle(process_);
  process_ = nullptr;
}

}  // namespace vz::test
