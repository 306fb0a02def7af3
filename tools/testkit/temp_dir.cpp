#include "temp_dir.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32_owned.h"

namespace vz::test {

TempDir::TempDir(const std::wstring& name) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static unsigned counter = 0;
  path_ = std::wstring(base) + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter) + L"\\";
  CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return;
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileW((dir + L"*").c_str(), &data));
  if (find.valid()) {
    do {
      SetFileAttributesW((dir + data.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
    } while (FindNextFileW(find.get(), &data));
  }
  std::wstring from = dir.substr(0, dir.size() - 1) + L'\0';
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

}  // namespace vz::test
