// The built program file itself: what Windows shows of it and how it is
// protected when loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

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
  EXPECT_EQ(VersionString(info, L"FileVersion"), L"2.00.0003");
  EXPECT_EQ(VersionString(info, L"ProductVersion"), L"2.00.0003");
  EXPECT_EQ(VersionString(info, L"ProductName"), L"Vardolin_VaZuvovev");
  EXPECT_EQ(VersionString(info, L"FileDescription"), L"Vardolin_VaZuvovev");

  // Loaded as data, the file stays open until it is freed, whatever the
  // outcome of the checks below.
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, decltype(&FreeLibrary)> loaded(
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE),
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

TEST(ShippedProgram, IsLinkedWithAslrDepAndASafeDllSearch) {
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
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  // Only system DLLs are imported: nothing of the compiler's runtime needs
  // to lie beside the program.
  const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  const auto* section = IMAGE_FIRST_SECTION(nt);
  auto toOffset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      if (rva >= section[i].VirtualAddress &&
          rva < section[i].VirtualAddress + section[i].Misc.VirtualSize) {
        return rva - section[i].VirtualAddress + section[i].PointerToRawData;
      }
    }
    return 0;
  };
  bool restrictsDllSearch = false;
  for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
           image.data() + toOffset(dir.VirtualAddress));
       import->Name; ++import) {
    std::string dll = image.data() + toOffset(import->Name);
    for (char& c : dll) c = static_cast<char>(tolower(c));
    // DLLs are looked for in the system directory only: the program asks
    // for that before anything else is loaded.
    for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA64*>(
             image.data() + toOffset(import->OriginalFirstThunk));
         thunk->u1.AddressOfData; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL64(thunk->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
          image.data() + toOffset(static_cast<DWORD>(thunk->u1.AddressOfData)));
      if (dll == "kernel32.dll" && !strcmp(byName->Name, "SetDefaultDllDirectories")) {
        restrictsDllSearch = true;
      }
    }
    EXPECT_TRUE(dll.find("libstdc++") == std::string::npos &&
                dll.find("libgcc") == std::string::npos &&
                dll.find("libwinpthread") == std::string::npos)
        << dll;
  }
  EXPECT_TRUE(restrictsDllSearch);
}

}  // namespace
}  // namespace vz::test
