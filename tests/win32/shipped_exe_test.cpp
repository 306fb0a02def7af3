// The built program file itself: what Windows shows of it, how it is
// protected when loaded, and which Windows can load it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
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

struct Import {
  std::string dll;   // lower case
  std::string name;  // empty for an import by ordinal
};

// The import table of a 64-bit program file.
std::vector<Import> ImportsOf(const std::string& image) {
  std::vector<Import> found;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const auto* section = IMAGE_FIRST_SECTION(nt);
  auto at = [&](DWORD rva) -> const char* {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      if (rva >= section[i].VirtualAddress &&
          rva < section[i].VirtualAddress + section[i].Misc.VirtualSize) {
        return image.data() + (rva - section[i].VirtualAddress + section[i].PointerToRawData);
      }
    }
    return nullptr;
  };
  if (!dir.VirtualAddress || !at(dir.VirtualAddress)) return found;
  for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(dir.VirtualAddress));
       import->Name; ++import) {
    std::string dll = at(import->Name);
    for (char& c : dll) c = static_cast<char>(tolower(c));
    for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA64*>(at(import->OriginalFirstThunk));
         thunk->u1.AddressOfData; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL64(thunk->u1.Ordinal)) {
        found.push_back({dll, {}});
        continue;
      }
      found.push_back({dll, reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                at(static_cast<DWORD>(thunk->u1.AddressOfData)))
                                ->Name});
    }
  }
  return found;
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

// Windows 7 refuses to start a program that imports a function it lacks.
// The build's header check (check-imports.py) is the full proof; this
// reads the file as Windows' loader does and checks the known newer names.
TEST(ShippedProgram, ImportsNothingNewerThanWindows7) {
  std::vector<std::string> newer;
  {
    std::istringstream list(ReadFileBytes(ExeDir() + L"newer-than-windows7.txt"));
    for (std::string line; std::getline(list, line);) {
      line = line.substr(0, line.find('#'));
      while (!line.empty() && isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
      if (!line.empty()) newer.push_back(line);
    }
  }
  ASSERT_GE(newer.size(), 9u);
  const std::vector<Import> imports = ImportsOf(ReadFileBytes(ProgramPath()));
  ASSERT_FALSE(imports.empty());
  for (const Import& i : imports) {
    // Only system DLLs: nothing of the compiler's runtime lies beside the
    // program, and no API set that a bare Windows 7 lacks.
    EXPECT_TRUE(i.dll.find("libstdc++") == std::string::npos &&
                i.dll.find("libgcc") == std::string::npos &&
                i.dll.find("libwinpthread") == std::string::npos)
        << i.dll;
    EXPECT_NE(i.dll.rfind("api-ms-win-", 0), 0u) << i.dll;
    EXPECT_NE(i.dll, "ucrtbase.dll");
    for (const std::string& name : newer) EXPECT_NE(i.name, name) << i.dll;
  }
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
