// Helpers for the tests that run against the real system under Wine.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_owned.h"
#include "platform/win32_system.h"
#include "testkit/exe_dir.h"
#include "testkit/temp_dir.h"

namespace vz::test {

// The real system seam, with the program's directory moved to a test folder.
class TestSystem : public Win32System {
 public:
  explicit TestSystem(std::wstring dir) : dir_(std::move(dir)) {}
  std::wstring ExecutableDir() override { return dir_.substr(0, dir_.size() - 1); }

 private:
  std::wstring dir_;
};

std::string ReadFileBytes(const std::wstring& path);
bool Exists(const std::wstring& path);

// A helper process a test started: ended, and waited for, when the object
// goes, whatever the test's outcome, so that nothing it holds (a file, a
// port, its own executable) outlives the test.
class HelperProcess {
 public:
  explicit HelperProcess(HANDLE process) : process_(process) {}
  ~HelperProcess() { End(); }
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;
  bool started() const { return process_.valid(); }
  HANDLE get() const { return process_.get(); }
  // Ends the process, waits until it is gone and lets go of it.
  void End();

 private:
  ScopedHandle process_;
};

// Starts vz_testhelper.exe (or `program`) with arguments.
HelperProcess StartHelper(const std::wstring& args, const std::wstring& program = L"");
// Another program holding a file (or a port) open with no sharing: from
// the moment the hold is seen in effect, however long the helper takes to
// start, until Release() or the end of the object, whatever the test's
// outcome; or, when `ms` is given, for that long as the helper counts it.
class FileHold {
 public:
  static constexpr DWORD kUntilReleased = 300000;
  explicit FileHold(const std::wstring& path, DWORD ms = kUntilReleased);
  // True once the hold was seen in effect.
  bool held() const { return held_; }
  // Ends the holder and waits until it is gone.
  void Release() { holder_.End(); }

 private:
  HelperProcess holder_;
  bool held_ = false;
};

}  // namespace vz::test
