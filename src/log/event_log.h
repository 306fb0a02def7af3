// The event log memo_log.txt: one time-stamped line per event, appended and
// never read back. Nothing here ever reports a failure to its caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace vz {

inline constexpr wchar_t kLogFileName[] = L"memo_log.txt";

// Attempts at a log file that is busy or refuses access, and the pause
// between them: together a little under one second, then the line is
// dropped.
inline constexpr int kAppendAttempts = 20;
inline constexpr std::uint32_t kAppendRetryPauseMs = 50;

// "dd-mm-yy hh:mm:ss message", without the line end.
std::wstring FormatLogLine(const LocalTime& t, std::wstring_view message);

// Appends the message with the current date and time to memo_log.txt in
// programDir.
void WriteLog(System& sys, const std::wstring& programDir,
              std::wstring_view message);

// Appends one line plus CR LF to the file at `path`, retrying a busy file
// within the bound above. Any other failure to open it is reported by one
// line in the event log of programDir; a failure of that report is dropped.
void AppendLineToFile(System& sys, const std::wstring& programDir,
                      const std::wstring& path, std::wstring_view line);

}  // namespace vz
