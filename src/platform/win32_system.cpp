#include "platform/win32_system.h"

#include <windows.h>
#include <bcrypt.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/text_case.h"
#include "platform/win32_owned.h"

namespace vz {
namespace {

IoResult LastError() { return IoResult::Failure(GetLastError()); }

std::wstring LongName(const std::wstring& path) {
  const DWORD n = GetLongPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetLongPathNameW(path.c_str(), full.data(), n);
  if (got == 0 || got >= n) return path;
  full.resize(got);
  return full;
}

IoResult ProbePort(const std::string& name) {
  const ScopedHandle port(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return port.valid() ? IoResult::Success() : LastError();
}

// Volume and file index identify a file whatever path reaches it.
bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  ScopedHandle ha(CreateFileW(a.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  ScopedHandle hb(CreateFileW(b.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  if (!ha.valid() || !hb.valid()) return false;
  if (!GetFileInformationByHandle(ha.get(), &ia) || !GetFileInformationByHandle(hb.get(), &ib)) {
    return false;
  }
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

// The system's text for an error number on one line; empty when it has
// none. Every insert of the text ("%1", "%2", ...) is filled with
// `subject`; with no subject they stay as they are.
std::wstring SystemText(std::uint32_t error, const std::wstring& subject = {}) {
  // An insert can be numbered up to 99.
  std::array<DWORD_PTR, 99> inserts{};
  inserts.fill(reinterpret_cast<DWORD_PTR>(subject.c_str()));
  const DWORD fill =
      subject.empty() ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY;
  LocalHandle buffer;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | fill, nullptr,
                     error, 0, reinterpret_cast<wchar_t*>(buffer.receive()), 0,
                     subject.empty() ? nullptr : reinterpret_cast<va_list*>(inserts.data()));
  std::wstring text = n && buffer.valid()
                          ? std::wstring(static_cast<const wchar_t*>(buffer.get()), n)
                          : std::wstring();
  // One line: the system's text ends with a line break.
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

}  // namespace

std::optional<FolderId> ReadFolderId(const std::wstring& folder) {
  std::wstring path = WithoutTrailingSeparators(folder);
  if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root
  // No access is asked for, and every sharing is allowed: reading the
  // identity needs none, and no other program is ever in the way.
  const ScopedHandle dir(CreateFileW(path.c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!dir.valid() || !GetFileInformationByHandle(dir.get(), &info)) return std::nullopt;
  const std::uint64_t index =
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  if (index == 0) return std::nullopt;
  return FolderId{info.dwVolumeSerialNumber, index};
}

std::wstring FolderKey(const std::wstring& folder) {
  return WithoutTrailingSeparators(NameUpper(LongName(folder))) + L'\\';
}

std::wstring Win32System::ExecutableDir() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return L".";
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      const std::size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? L"." : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32System::SetCurrentDrive(wchar_t letter) {
  const wchar_t drive[] = {letter, L':', 0};
  return SetCurrentDirectoryW(drive) != FALSE;
}

bool Win32System::SetCurrentDir(const std::wstring& dir) {
  return SetCurrentDirectoryW(dir.c_str()) != FALSE;
}

namespace {

// Calls `take` for each ordinary file of `dir` matching `pattern` until it
// returns true; true when one did.
template <typename Fn>
bool FindOrdinaryFiles(const std::wstring& dir, const std::wstring& pattern, Fn&& take) {
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileExW((dir + pattern).c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0));
  if (!find.valid()) return false;
  do {
    const DWORD skip = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    // The long name is checked again: the system also matches the short
    // 8.3 alias, so "*.bin" would otherwise find "image.binary".
    if ((data.dwFileAttributes & skip) == 0 && MatchesPattern(data.cFileName, pattern) &&
        take(data)) {
      return true;
    }
  } while (FindNextFileW(find.get(), &data));
  return false;
}

}  // namespace

bool Win32System::FileExists(const std::wstring& dir, const std::wstring& pattern) {
  return FindOrdinaryFiles(dir, pattern, [](const WIN32_FIND_DATAW&) { return true; });
}

namespace {

// A file time as the local time Explorer shows for it: by the time-zone
// rule of that date, so a file written in summer reads the same in winter.
LocalTime LocalFileTime(const FILETIME& written) {
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&written, &utc)) return {};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return {local.wYear,   local.wMonth,  local.wDay,         local.wHour,
          local.wMinute, local.wSecond, local.wMilliseconds};
}

}  // namespace

std::vector<FileEntry> Win32System::ListFiles(const std::wstring& dir,
                                              const std::wstring& pattern) {
  std::vector<FileEntry> files;
  (void)FindOrdinaryFiles(dir, pattern, [&files](const WIN32_FIND_DATAW& data) {
    files.push_back({data.cFileName, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                     LocalFileTime(data.ftLastWriteTime)});
    return false;
  });
  return files;
}

bool Win32System::AnyFileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsSameFolder(const std::wstring& a, const std::wstring& b) {
  const std::optional<FolderId> ia = ReadFolderId(a);
  const std::optional<FolderId> ib = ReadFolderId(b);
  if (ia && ib) return *ia == *ib;
  return FolderKey(a) == FolderKey(b);
}

IoResult Win32System::RemoveFile(const std::wstring& path) {
  return DeleteFileW(path.c_str()) ? IoResult::Success() : LastError();
}

IoResult Win32System::CopyOver(const std::wstring& from, const std::wstring& to) {
  // Copying a file onto itself would truncate it on some systems.
  if (SameFile(from, to)) return IoResult::Success();
  return CopyFileW(from.c_str(), to.c_str(), FALSE) ? IoResult::Success() : LastError();
}

std::optional<std::string> Win32System::ReadBytes(const std::wstring& path, std::uint32_t* error) {
  // The reason for the caller, taken at the moment of the failure.
  const auto failed = [error](DWORD reason) -> std::optional<std::string> {
    if (error) *error = reason;
    return std::nullopt;
  };
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return failed(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return failed(GetLastError());
  if (size.QuadPart > 0x7FFFFFFF) return failed(ERROR_FILE_TOO_LARGE);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got,
                  nullptr)) {
      return failed(GetLastError());
    }
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

namespace {

enum class Flush { No, Yes };

// Creates or truncates the file and writes the bytes; with Flush::Yes they
// are on the disk before it is closed.
IoResult WriteWholeFile(const std::wstring& path, const std::string& bytes, Flush flush) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return LastError();
  }
  if (flush == Flush::Yes && !FlushFileBuffers(file.get())) return LastError();
  return file.Close() ? IoResult::Success() : LastError();
}

}  // namespace

IoResult Win32System::WriteBytes(const std::wstring& path, const std::string& bytes) {
  return WriteWholeFile(path, bytes, Flush::No);
}

IoResult Win32System::ReplaceWhole(const std::wstring& path, const std::string& bytes) {
  const std::wstring temporary = path + L".new";
  const DWORD before = GetFileAttributesW(path.c_str());
  // Flushed first, so that the file moved into place is never one whose
  // content is still on its way to the disk.
  IoResult result = WriteWholeFile(temporary, bytes, Flush::Yes);
  if (result.ok && !MoveFileExW(temporary.c_str(), path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    result = LastError();
  }
  // A temporary file held by another program cannot go; the next write
  // overwrites it, and nothing ever reads it.
  if (!result.ok) {
    (void)DeleteFileW(temporary.c_str());
    return result;
  }
  // A file the technician hid stays hidden. Should this fail, the file is
  // merely seen.
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (before != INVALID_FILE_ATTRIBUTES && (before & kKept) != 0) {
    (void)SetFileAttributesW(path.c_str(), before & (kKept | FILE_ATTRIBUTE_ARCHIVE));
  }
  return result;
}

IoResult Win32System::WriteFirstByte(const std::wstring& path, std::uint8_t value) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), &value, 1, &written, nullptr) || written != 1) {
    return LastError();
  }
  return file.Close() ? IoResult::Success() : LastError();
}

IoResult Win32System::AppendBytes(const std::wstring& path, const std::string& bytes) {
  ScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  // Errors after a successful open are not reported.
  DWORD written = 0;
  (void)WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return IoResult::Success();
}

std::wstring Win32System::ErrorText(std::uint32_t error, const std::wstring& subject) {
  const std::wstring text = SystemText(error, subject);
  return text.empty() ? L"Unknown error" : text;
}

std::uint32_t Win32System::ErrorOfStatus(std::uint32_t status) {
  // ntdll is in every process; its mapping is not declared by the headers
  // the program builds with, so it is looked up.
  using StatusToError = ULONG(WINAPI*)(LONG);
  static const auto map = reinterpret_cast<StatusToError>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError")));
  if (!map) return 0;
  const ULONG error = map(static_cast<LONG>(status));
  // ERROR_MR_MID_NOT_FOUND: the status has no error of its own.
  return error == ERROR_MR_MID_NOT_FOUND ? 0 : error;
}

std::wstring ErrorTextOrNumber(std::uint32_t error) {
  // 0 is no error at all; its text would read as a success.
  const std::wstring text = error != 0 ? SystemText(error) : std::wstring();
  return text.empty() ? L"error " + std::to_wstring(error) : text;
}

IoResult Win32System::ProbeSerialPort(const std::string& name) { return ProbePort(name); }

// A plain function: it uses nothing of this object.
System::PortProbe Win32System::SharedPortProbe() { return ProbePort; }

ProcessList Win32System::RunningProcesses() {
  ProcessList list;
  ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) {
    list.error = GetLastError();
    return list;
  }
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (bool first = true;; first = false) {
    if (!(first ? Process32First(snapshot.get(), &entry) : Process32Next(snapshot.get(), &entry))) {
      // The walk ends with "no more files"; any other error leaves a list
      // that may lack the very process asked about.
      const DWORD error = GetLastError();
      list.ok = error == ERROR_NO_MORE_FILES;
      if (!list.ok) {
        list.error = error;
        list.entries.clear();
      }
      return list;
    }
    const std::size_t length = strnlen(entry.szExeFile, sizeof(entry.szExeFile));
    // An empty name, or one without its terminating NUL, names nothing.
    if (length == 0 || length == sizeof(entry.szExeFile)) continue;
    list.entries.push_back({entry.th32ProcessID, std::string(entry.szExeFile, length)});
  }
}

std::optional<std::wstring> ProcessProgramPath(std::uint32_t processId, std::uint32_t* error) {
  const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  std::vector<wchar_t> path(32768);
  DWORD size = static_cast<DWORD>(path.size());
  if (!process.valid() || !QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) {
    if (error) *error = GetLastError();
    return std::nullopt;
  }
  return std::wstring(path.data(), size);
}

// The terminal services' list gives each process's session without
// opening the process, which another user's may not be.
std::optional<bool> Win32System::InThisSession(std::uint32_t processId) {
  DWORD own = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &own)) return std::nullopt;
  WTS_PROCESS_INFOW* list = nullptr;
  DWORD count = 0;
  if (!WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &list, &count)) return std::nullopt;
  bool inThisSession = false;
  for (DWORD i = 0; i < count; ++i) {
    if (list[i].ProcessId == processId) inThisSession = list[i].SessionId == own;
  }
  WTSFreeMemory(list);
  return inThisSession;
}

namespace {

class Win32StartedProgram : public StartedProgram {
 public:
  explicit Win32StartedProgram(HANDLE process) : process_(process) {}
  std::optional<std::uint32_t> ExitCode() override {
    DWORD code = 0;
    // A program that still runs has no exit code yet; STILL_ACTIVE is also
    // a code a program may end with, so its end is asked for first.
    if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.get(), &code)) {
      return std::nullopt;
    }
    return code;
  }

 private:
  ScopedHandle process_;
};

}  // namespace

StartResult Win32System::StartProgram(const std::wstring& path) {
  // The application name is given, so nothing is searched for; the command
  // line repeats it quoted for the program's own argument parsing.
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return {GetLastError(), nullptr};
  }
  // Nothing waits for the program; its process handle is kept only to read
  // how it ended.
  ScopedHandle(process.hThread).Close();
  return {0, std::make_unique<Win32StartedProgram>(process.hProcess)};
}

void Win32System::Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

LocalTime Win32System::Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::uint64_t Win32System::ElapsedMilliseconds() { return GetTickCount64(); }

std::wstring Win32System::FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

std::string Win32System::ToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  return bytes;
}

namespace {

// The algorithm provider and the hash object of one digest, closed with it.
struct Sha256Hash {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  // Windows 7 wants the hash object's memory from the caller.
  std::vector<UCHAR> object;
  ~Sha256Hash() {
    if (hash) BCryptDestroyHash(hash);
    if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

// A CNG status as an error number for ErrorText.
std::uint32_t ErrorOfHashStatus(Win32System& sys, NTSTATUS status) {
  const std::uint32_t error = sys.ErrorOfStatus(static_cast<std::uint32_t>(status));
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

}  // namespace

FileDigest Win32System::Sha256OfFile(const std::wstring& path) {
  FileDigest out;
  // Read sharing only: an image that another program is still writing (a
  // copy under way) is refused rather than fingerprinted half-made.
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    out.result = LastError();
    return out;
  }
  Sha256Hash sha;
  NTSTATUS status =
      BCryptOpenAlgorithmProvider(&sha.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  DWORD objectSize = 0, got = 0;
  if (BCRYPT_SUCCESS(status)) {
    status = BCryptGetProperty(sha.algorithm, BCRYPT_OBJECT_LENGTH,
                               reinterpret_cast<PUCHAR>(&objectSize), sizeof(objectSize), &got, 0);
  }
  if (BCRYPT_SUCCESS(status)) {
    sha.object.resize(objectSize);
    status =
        BCryptCreateHash(sha.algorithm, &sha.hash, sha.object.data(), objectSize, nullptr, 0, 0);
  }
  if (!BCRYPT_SUCCESS(status)) {
    out.result = IoResult::Failure(ErrorOfHashStatus(*this, status));
    return out;
  }
  std::vector<UCHAR> piece(1 << 20);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr)) {
      out.result = LastError();
      return out;
    }
    if (read == 0) break;
    status = BCryptHashData(sha.hash, piece.data(), read, 0);
    if (!BCRYPT_SUCCESS(status)) {
      out.result = IoResult::Failure(ErrorOfHashStatus(*this, status));
      return out;
    }
  }
  status = BCryptFinishHash(sha.hash, out.digest.data(), static_cast<ULONG>(out.digest.size()), 0);
  if (!BCRYPT_SUCCESS(status)) out.result = IoResult::Failure(ErrorOfHashStatus(*this, status));
  return out;
}

}  // namespace vz
