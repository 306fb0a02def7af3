// The operating-system seam on Windows.
#pragma once

#include "platform/system.h"

namespace vz {

// The system's one-line text for an error number, or "error N" when it has
// none.
std::wstring ErrorTextOrNumber(std::uint32_t error);

// A folder's identity: its volume's serial number and its file index, the
// same whatever path (drive letter, share name, link) reaches it.
struct FolderId {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FolderId& o) const { return volume == o.volume && index == o.index; }
};
// nullopt where the system gives none: the folder cannot be opened, or its
// index is 0, as on some network shares.
std::optional<FolderId> ReadFolderId(const std::wstring& folder);

// The folder in one spelling, for where no identity can be read: its long
// name, upper case, one trailing backslash. Two paths that differ only in
// letter case or an 8.3 short name give the same key.
std::wstring FolderKey(const std::wstring& folder);
// True when both paths reach one folder: by identity where both have one,
// else by key.
bool IsSameFolder(const std::wstring& a, const std::wstring& b);
// The full path of a running process's program; nullopt when it cannot be
// read (the process has ended, or may not be looked into).
std::optional<std::wstring> ProcessProgramPath(std::uint32_t processId,
                                               std::uint32_t* error = nullptr);

class Win32System : public System {
 public:
  std::wstring ExecutableDir() override;
  bool SetCurrentDrive(wchar_t letter) override;
  bool SetCurrentDir(const std::wstring& dir) override;
  bool FileExists(const std::wstring& dir, const std::wstring& pattern) override;
  bool AnyFileExists(const std::wstring& path) override;
  bool SameFolder(const std::wstring& a, const std::wstring& b) override {
    return IsSameFolder(a, b);
  }
  IoResult RemoveFile(const std::wstring& path) override;
  IoResult CopyOver(const std::wstring& from, const std::wstring& to) override;
  std::optional<std::string> ReadBytes(const std::wstring& path,
                                       std::uint32_t* error = nullptr) override;
  std::vector<FileEntry> ListFiles(const std::wstring& dir, const std::wstring& pattern) override;
  IoResult WriteBytes(const std::wstring& path, const std::string& bytes) override;
  IoResult ReplaceWhole(const std::wstring& path, const std::string& bytes) override;
  IoResult WriteFirstByte(const std::wstring& path, std::uint8_t value) override;
  IoResult AppendBytes(const std::wstring& path, const std::string& bytes) override;
  std::wstring ErrorText(std::uint32_t error, const std::wstring& subject) override;
  std::uint32_t ErrorOfStatus(std::uint32_t status) override;
  IoResult ProbeSerialPort(const std::string& name) override;
  PortProbe SharedPortProbe() override;
  ProcessList RunningProcesses() override;
  std::optional<std::wstring> ProgramPath(std::uint32_t processId,
                                          std::uint32_t* error = nullptr) override {
    return ProcessProgramPath(processId, error);
  }
  std::optional<bool> InThisSession(std::uint32_t processId) override;
  StartResult StartProgram(const std::wstring& path) override;
  void Pause(std::uint32_t milliseconds) override;
  LocalTime Now() override;
  std::uint64_t ElapsedMilliseconds() override;
  std::wstring FromAnsi(const std::string& bytes) override;
  std::string ToAnsi(const std::wstring& text) override;

  FileDigest Sha256OfFile(const std::wstring& path) override;
  // win32_devices.cpp
  DeviceInventory ReadDevices() override;
  DeviceReader SharedDeviceReader() override;
};

// The serial ports' device nodes and the USB devices without a driver, from
// SetupAPI (win32_devices.cpp).
DeviceInventory ReadDeviceInventory();

}  // namespace vz
