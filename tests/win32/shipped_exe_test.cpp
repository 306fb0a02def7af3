// The built program file itself: what Windows shows of it and how it is
// protected when loaded (which Windows can load it: check-imports.py).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/win32_newer_api.h"
#include "testkit/release.h"
#include "win32_support.h"

namespace vz::test {
namespace {

std::wstring ProgramPath() { return ExeDir() + L"..\\..\\Vardolin_VaZuvovev.exe"; }

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return L"<none>";
  }
  return std::wstring(value, length ? length - 1 : 0);
}

TEST(ShippedProgram, CarriesItsVersionIconAndManifest) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  EXPECT_EQ(VersionString(info, L"FileVersion"), kVersion);
  EXPECT_EQ(VersionString(info, L"ProductVersion"), kVersion);
  EXPECT_EQ(VersionString(info, L"ProductName"), L"Vardolin_VaZuvovev");
  EXPECT_EQ(VersionString(info, L"FileDescription"), L"Vardolin_VaZuvovev");

  // Loaded as data, the file stays open until it is freed, whatever the
  // outcome of the checks below.
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> loaded(
      LoadLibraryExW(path.c_str(), nullptr,
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
      &FreeLibrary);
  ASSERT_NE(loaded.get(), nullptr);
  const HMODULE exe = loaded.get();
  EXPECT_NE(FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);  // icon group
  HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
                         SizeofResource(exe, manifest));
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(text.find("asInvoker"), std::string::npos);
}

TEST(ShippedProgram, IsLinkedWithAslrDepAndAsTerminalServerAware) {
  const std::string image = ReadFileBytes(ProgramPath());
  ASSERT_GT(image.size(), 0x200u);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  ASSERT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  const WORD flags = nt->OptionalHeader.DllCharacteristics;
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
  EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

// What the program finds at run time instead: under Wine, as on Windows 8
// and later, the strict DLL search is there and is applied.
TEST(NewerApi, FindsAndAppliesTheSystemOnlyDllSearch) {
  EXPECT_TRUE(NewerApi::OfThisWindows().HasSetDefaultDllDirectories());
  EXPECT_FALSE(NewerApi::Windows7().HasSetDefaultDllDirectories());
  EXPECT_TRUE(NewerApi::OfThisWindows().RestrictDllSearch());
}

}  // namespace
}  // namespace vz::test
