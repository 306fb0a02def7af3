// The operating-system seam: everything the program's logic asks of the
// machine. The logic sees only this class; the Win32 build implements it in
// win32_system.cpp and the unit tests with an in-memory fake.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vz {

// Local wall-clock time, read in one go so date and time always agree.
struct LocalTime {
  int year = 2000;  // full year, e.g. 2026
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Wildcard match of a file name: "*" any run of characters, "?" exactly
// one; letter case ignored as for every file name (platform/text_case.h).
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);

// A path with no separator ("\" or "/") at its end.
std::wstring WithoutTrailingSeparators(std::wstring path);

// A file operation's outcome: success, or the platform's error number
// (GetLastError on Windows), captured at the moment of the failure.
struct IoResult {
  bool ok = true;
  std::uint32_t error = 0;
  static IoResult Success() { return {}; }
  static IoResult Failure(std::uint32_t e) { return {false, e}; }
};

// Error numbers of the platform (Windows) that the logic tells apart.
namespace error_number {
// "The data is invalid."
inline constexpr std::uint32_t kInvalidData = 13;
// The end of a list walked entry by entry, not a failure.
inline constexpr std::uint32_t kNoMoreFiles = 18;
// Another program holds the file, or a range of it, for the moment.
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kFileExists = 80;
// "The requested resource is in use."
inline constexpr std::uint32_t kBusy = 170;
// A wait that ran out.
inline constexpr std::uint32_t kTimeout = 1460;
// "The device has been removed."
inline constexpr std::uint32_t kDeviceRemoved = 1617;
// What opening a process that has ended gives.
inline constexpr std::uint32_t kInvalidParameter = 87;
}  // namespace error_number

// A file found in a directory: its name as the directory spells it, its
// size in bytes, and when it was last written, in local time.
struct FileEntry {
  std::wstring name;
  std::uint64_t size = 0;
  LocalTime lastWrite;
};

// A SHA-256 digest, and the outcome of computing one over a file's bytes.
using Sha256Digest = std::array<std::uint8_t, 32>;
struct FileDigest {
  IoResult result;  // the platform's error when the file could not be read
  Sha256Digest digest{};
};

// A process running at the moment the list was taken: its id, and its
// executable name as the platform reports it (a bare name or a full path,
// 8-bit code page).
struct RunningProcess {
  std::uint32_t id = 0;
  std::string name;
};

// The processes running at the moment of the call. ok is false when the
// list could not be taken or not be read to its end; error then holds the
// system's error number.
struct ProcessList {
  bool ok = false;
  std::vector<RunningProcess> entries;
  std::uint32_t error = 0;
};

// A program this one started, held for as long as the object lives, so
// that its exit code can be read once it has ended.
class StartedProgram {
 public:
  virtual ~StartedProgram() = default;
  // The exit code once it has ended; nullopt while it still runs, or when
  // the system cannot tell.
  virtual std::optional<std::uint32_t> ExitCode() = 0;
};

// A device node of a serial port, as Windows' device manager knows it:
// the port name from its device key and the names Windows shows for it.
struct SerialDeviceNode {
  std::wstring portName;      // "COM3", as the device key's PortName holds it
  std::wstring friendlyName;  // "USB-SERIAL CH340 (COM3)"; empty when it has none
  std::wstring description;   // "USB-SERIAL CH340"; empty when it has none
  bool bluetooth = false;     // a Bluetooth serial link (enumerator BTHENUM)
};

// The devices present at the moment of the call that tell which port is
// which: the serial ports' device nodes, and the hardware IDs (the first
// of each, "USB\VID_1A86&PID_7523&REV_0254") of the USB devices present
// without a working driver: no device class, the class of unknown
// devices, or a problem other than being disabled.
struct DeviceInventory {
  std::vector<SerialDeviceNode> serialPorts;
  std::vector<std::wstring> usbWithoutDriver;
};

struct StartResult {
  std::uint32_t error = 0;                  // 0 when it started, else the platform's number
  std::unique_ptr<StartedProgram> program;  // set when it started
};

class System {
 public:
  virtual ~System() = default;

  // Directory of the running executable, without a trailing separator
  // (a drive root comes back as "C:" so that callers can append one).
  virtual std::wstring ExecutableDir() = 0;
  // Current drive and directory; false when the platform refused.
  virtual bool SetCurrentDrive(wchar_t letter) = 0;
  virtual bool SetCurrentDir(const std::wstring& dir) = 0;

  // True when `dir` (ending with a separator) holds an ordinary file whose
  // name matches `pattern` (a name, or a wildcard such as "*.bin"), letter
  // case ignored. Hidden files, system files and directories never count.
  virtual bool FileExists(const std::wstring& dir, const std::wstring& pattern) = 0;
  // True when a file, hidden and system files included, lies at `path`;
  // a directory does not count.
  virtual bool AnyFileExists(const std::wstring& path) = 0;
  // True when both paths reach one folder: the same volume and file index,
  // whatever drive letter, share name or link leads there. Where the
  // system gives no index (some network shares), their long names are
  // compared, letter case ignored.
  virtual bool SameFolder(const std::wstring& a, const std::wstring& b) = 0;
  virtual IoResult RemoveFile(const std::wstring& path) = 0;
  // Copies, replacing the target. Copying a file onto itself leaves it
  // untouched and counts as success.
  virtual IoResult CopyOver(const std::wstring& from, const std::wstring& to) = 0;
  // Whole file as bytes; nullopt when it cannot be opened or read, with the
  // system's error number in *error when one is asked for.
  virtual std::optional<std::string> ReadBytes(const std::wstring& path,
                                               std::uint32_t* error = nullptr) = 0;
  // The ordinary files of `dir` (ending with a separator) that match
  // `pattern`, as FileExists counts them, with their sizes; in no
  // particular order.
  virtual std::vector<FileEntry> ListFiles(const std::wstring& dir,
                                           const std::wstring& pattern) = 0;
  // Creates or truncates the file and writes the bytes.
  virtual IoResult WriteBytes(const std::wstring& path, const std::string& bytes) = 0;
  // Replaces the file whole or not at all: the bytes go to a temporary file
  // beside it, the path with ".new" appended (overwritten when one is left
  // there), which is then moved over the file in one step. A hidden or
  // system file stays so. On any failure the file is left as it was and
  // the temporary file is removed.
  virtual IoResult ReplaceWhole(const std::wstring& path, const std::string& bytes) = 0;
  // Opens for reading and writing (created when missing, never truncated)
  // and overwrites the first byte only.
  virtual IoResult WriteFirstByte(const std::wstring& path, std::uint8_t value) = 0;
  // Opens for appending (created when missing), writes, closes. Only a
  // failed open is reported; what is worth another try is the caller's
  // business.
  virtual IoResult AppendBytes(const std::wstring& path, const std::string& bytes) = 0;
  // The platform's description of an error number, one line, no line end.
  // `subject` is the file or program the error is about: it fills the
  // places the description leaves for a name ("%1 is not a valid ...").
  virtual std::wstring ErrorText(std::uint32_t error, const std::wstring& subject) = 0;
  // The error number (for ErrorText) that stands for a system status such
  // as 0xC0000005, a crashed program's exit code; 0 when there is none.
  virtual std::uint32_t ErrorOfStatus(std::uint32_t status) = 0;

  // Opens the serial device under `name` ("COM3", "\\.\COM12") for reading
  // and writing with no sharing, and closes it at once: success when it
  // opened, else the system's error number (a port another program holds
  // gives access denied). Safe to call from another thread.
  virtual IoResult ProbeSerialPort(const std::string& name) = 0;
  // The same probe as a function that owns all it uses, for a worker
  // thread: it may still be in an open (seconds, for an outgoing Bluetooth
  // port) when this object is gone.
  using PortProbe = std::function<IoResult(const std::string& name)>;
  virtual PortProbe SharedPortProbe() = 0;
  virtual ProcessList RunningProcesses() = 0;
  // The full path of a running process's program; nullopt when it cannot
  // be read (the process has ended: error_number::kInvalidParameter; or it
  // belongs to another user), with the system's error number in *error
  // when one is asked for.
  virtual std::optional<std::wstring> ProgramPath(std::uint32_t processId,
                                                  std::uint32_t* error = nullptr) = 0;
  // Whether a process runs in this program's Windows session (false for
  // another user's after fast user switching, or one that has ended);
  // nullopt when the system cannot tell.
  virtual std::optional<bool> InThisSession(std::uint32_t processId) = 0;
  // Starts the program at this full path, no arguments, window shown
  // normally, current directory inherited; does not wait.
  virtual StartResult StartProgram(const std::wstring& path) = 0;

  // Blocks the calling thread; no window events are handled meanwhile.
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // Local date and time, for the log; it jumps when the clock is set.
  virtual LocalTime Now() = 0;
  // Milliseconds of real time elapsed since an arbitrary start
  // (GetTickCount64): it never jumps with the wall clock and never wraps,
  // so time-outs are measured with it.
  virtual std::uint64_t ElapsedMilliseconds() = 0;

  // The system's 8-bit (ANSI) code page, both ways.
  virtual std::wstring FromAnsi(const std::string& bytes) = 0;
  virtual std::string ToAnsi(const std::wstring& text) = 0;

  // The SHA-256 of the file's bytes, read in pieces (an image of many
  // megabytes is never held whole). A file another program is writing
  // cannot be read: the result carries the system's error.
  virtual FileDigest Sha256OfFile(const std::wstring& path) = 0;
  // The serial devices and the USB devices without a driver, read from the
  // device manager's records; no device is opened. Safe to call from
  // another thread; seconds at most on a PC with many devices.
  virtual DeviceInventory ReadDevices() = 0;
  // The same reading as a function that owns all it uses, for a worker
  // thread that may outlive this object.
  using DeviceReader = std::function<DeviceInventory()>;
  virtual DeviceReader SharedDeviceReader() = 0;
};

}  // namespace vz
