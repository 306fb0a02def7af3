// Temporary folders for the tests, the driver and the benchmarks.
#pragma once

#include <string>

namespace vz::test {

// Rule: a fresh folder under %TEMP%, named `name`-<process id>-<count>, so
// that neither two folders of one program nor two programs running side by
// side share one; removed with everything in it (read-only files included)
// when the object goes, whatever the test's outcome.
class TempDir {
 public:
  explicit TempDir(const std::wstring& name = L"vz");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The directory with a trailing backslash.
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + name; }

 private:
  std::wstring path_;
};

// Writes a file whole, created or replaced; a failure shows in the test's
// own reading of it.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Removes a folder (ending with a backslash) with everything in it, read-only
// files included.
void RemoveTree(const std::wstring& dir);

}  // namespace vz::test
