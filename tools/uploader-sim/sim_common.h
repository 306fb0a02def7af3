// Shared pieces of the simulated uploader (Up_Loader.exe) and its
// heartbeat helper (UL_Heartbeat.exe): paths next to
// the executable, small file helpers, the shared log and the settings
// read from uploader-sim.ini.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/text_decoding.h"
#include "platform/win32_owned.h"
#include "testkit/exe_dir.h"

namespace ulsim {

// Marker files a real uploader leaves beside itself; the watching program
// only looks at whether they exist.
constexpr const wchar_t* kMarkerErasing = L"erasing.txt";
constexpr const wchar_t* kMarkerErase = L"erase.txt";
constexpr const wchar_t* kMarkerWrite = L"write.txt";
constexpr const wchar_t* kMarkerWriting = L"writing.txt";
constexpr const wchar_t* kMarkerWriteOk = L"write_ok.txt";

constexpr const wchar_t* kLogName = L"uploader-sim.log";
constexpr const wchar_t* kSettingsName = L"uploader-sim.ini";
constexpr const wchar_t* kHelperExeName = L"UL_Heartbeat.exe";

// The program's own owners of kernel handles and folder searches.
using vz::FindHandle;
using vz::ScopedHandle;

inline std::string ToUtf8(const std::wstring& text) { return vz::Utf16ToUtf8(text); }

using vz::test::ExeDir;  // with a trailing backslash

// A file in `dir`, a folder that ends with a backslash (as ExeDir gives it).
inline std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  return dir + name;
}

inline std::wstring CurrentDir() {
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) {
    return {};
  }
  std::wstring out(needed, L'\0');
  const DWORD got = GetCurrentDirectoryW(needed, &out[0]);
  out.resize(got < needed ? got : 0);
  return out;
}

inline bool FileExists(const std::wstring& path) {
  const DWORD attrs = GetFileAttributesW(path.c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Reads a whole (small) file. Returns false when it cannot be opened or read.
inline bool ReadAllBytes(const std::wstring& path, std::vector<unsigned char>& out) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      size.QuadPart > 256LL * 1024 * 1024) {
    return false;
  }
  out.assign(static_cast<size_t>(size.QuadPart), 0);
  size_t done = 0;
  while (done < out.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 20));
    if (!ReadFile(file.get(), out.data() + done, want, &got, nullptr) || got == 0) {
      return false;
    }
    done += got;
  }
  return true;
}

// Creates or overwrites a small text file. The sharing flags let a watcher
// that has the file open (or is deleting it) get in our way as little as possible.
inline bool WriteTextFile(const std::wstring& path, const std::string& text) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    return false;
  }
  DWORD written = 0;
  return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// Appends one line per event to uploader-sim.log. The file is opened for
// each line so that the uploader and the helper can both append to it and
// a line is on disk even if the process is killed right after.
class Log {
 public:
  Log(std::wstring path, std::string prefix) : path_(std::move(path)), prefix_(std::move(prefix)) {}

  void Line(const std::string& text) const {
    ScopedHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      return;
    }
    const std::string line = prefix_ + text + "\r\n";
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }

 private:
  std::wstring path_;
  std::string prefix_;
};

inline std::string Num(unsigned long long value) { return std::to_string(value); }

// "start pid=... cwd=... args=..." with the raw command line, so a test can
// see exactly how the process was launched and from where.
inline void LogStart(const Log& log) {
  log.Line("start pid=" + Num(GetCurrentProcessId()) + " cwd=" + ToUtf8(CurrentDir()) +
           " args=" + ToUtf8(GetCommandLineW()));
}

enum class Scenario {
  Success,
  StopBeforeErase,
  StopBeforeWrite,
  StopBeforeWriting,
  StopBeforeWriteOk,
  Crash,
  Heartbeat,
};

struct ScenarioName {
  Scenario scenario;
  const char* name;
};

constexpr ScenarioName kScenarioNames[] = {
    {Scenario::Success, "success"},
    {Scenario::StopBeforeErase, "stop-before-erase"},
    {Scenario::StopBeforeWrite, "stop-before-write"},
    {Scenario::StopBeforeWriting, "stop-before-writing"},
    {Scenario::StopBeforeWriteOk, "stop-before-write_ok"},
    {Scenario::Crash, "crash"},
    {Scenario::Heartbeat, "heartbeat"},
};

inline const char* ScenarioText(Scenario scenario) {
  for (const auto& entry : kScenarioNames) {
    if (entry.scenario == scenario) {
      return entry.name;
    }
  }
  return "?";
}

struct Settings {
  Scenario scenario = Scenario::Success;
  unsigned run_seconds = 0;
  unsigned block_pause_ms = 20;
  unsigned erase_ms = 500;
  unsigned heartbeats = 25;
  unsigned heartbeat_ms = 700;
};

inline std::string Trim(const std::string& text) {
  const char* spaces = " \t\r\n";
  const size_t first = text.find_first_not_of(spaces);
  if (first == std::string::npos) {
    return {};
  }
  const size_t last = text.find_last_not_of(spaces);
  return text.substr(first, last - first + 1);
}

inline std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

// Parses a decimal number in [0, max]; leaves `out` alone otherwise.
inline bool ParseUnsigned(const std::string& text, unsigned max, unsigned& out) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
  if (value > max) {
    return false;
  }
  out = static_cast<unsigned>(value);
  return true;
}

inline void ApplySetting(Settings& s, const std::string& key, const std::string& value,
                         const Log* log) {
  auto number = [&](unsigned max, unsigned& field) {
    if (!ParseUnsigned(value, max, field) && log != nullptr) {
      log->Line("settings: ignoring " + key + "=" + value);
    }
  };
  if (key == "scenario") {
    const std::string wanted = Lower(value);
    for (const auto& entry : kScenarioNames) {
      if (wanted == entry.name) {
        s.scenario = entry.scenario;
        return;
      }
    }
    if (log != nullptr) {
      log->Line("settings: unknown scenario " + value + ", using success");
    }
  } else if (key == "run_seconds") {
    number(3600, s.run_seconds);
  } else if (key == "block_pause_ms") {
    number(60000, s.block_pause_ms);
  } else if (key == "erase_ms") {
    number(600000, s.erase_ms);
  } else if (key == "heartbeats") {
    number(100000, s.heartbeats);
  } else if (key == "heartbeat_ms") {
    number(60000, s.heartbeat_ms);
  }
}

// Reads uploader-sim.ini from `dir`: lines "key=value", CR LF or LF, blank
// lines and lines starting with '#' or ';' skipped, unknown keys ignored.
// A missing file leaves every default (a plain successful upload).
inline Settings LoadSettings(const std::wstring& dir, const Log* log) {
  Settings s;
  std::vector<unsigned char> bytes;
  if (!ReadAllBytes(JoinPath(dir, kSettingsName), bytes)) {
    return s;
  }
  std::string text(bytes.begin(), bytes.end());
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text.erase(0, 3);
  }
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      end = text.size();
    }
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#' || line[0] == ';') {
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      continue;
    }
    ApplySetting(s, Lower(Trim(line.substr(0, eq))), Trim(line.substr(eq + 1)), log);
  }
  return s;
}

inline std::string DescribeSettings(const Settings& s) {
  return "scenario=" + std::string(ScenarioText(s.scenario)) +
         " run_seconds=" + Num(s.run_seconds) + " block_pause_ms=" + Num(s.block_pause_ms) +
         " erase_ms=" + Num(s.erase_ms) + " heartbeats=" + Num(s.heartbeats) +
         " heartbeat_ms=" + Num(s.heartbeat_ms);
}

}  // namespace ulsim
