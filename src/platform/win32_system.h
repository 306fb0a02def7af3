// The operating-system seam on Windows.
#pragma once

#include "platform/system.h"

namespace vz {

// The system's one-line text for an error number, or "error N" when it has
// none.
std::wstring ErrorTextOrNumber(std::uint32_t error);

class Win32System : public System {
 public:
  std::wstring ExecutableDir() override;
  bool SetCurrentDrive(wchar_t letter) override;
  bool SetCurrentDir(const std::wstring& dir) override;
  bool FileExists(const std::wstring& dir, const std::wstring& pattern) override;
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
  ProcessList RunningProcesses() override;
  StartResult StartProgram(const std::wstring& path) override;
  void Pause(std::uint32_t milliseconds) override;
  LocalTime Now() override;
  std::uint64_t ElapsedMilliseconds() override;
  std::wstring FromAnsi(const std::string& bytes) override;
  std::string ToAnsi(const std::wstring& text) override;
};

}  // namespace vz
