// The event log memo_log.txt: one time-stamped line per event, appended and
// never read back. Nothing here ever reports a failure to its caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace vz {

inline constexpr wchar_t kLogFileName[] = L"memo_log.txt";

// Attempts at a log file that another program holds (a sharing or lock
// violation), and the pause between them: together a little under one
// second, then the line is dropped. Every other failure is final at once.
inline constexpr int kAppendAttempts = 20;
inline constexpr std::uint32_t kAppendRetryPauseMs = 50;

// "dd-mm-yy hh:mm:ss message", without the line end.
std::wstring FormatLogLine(const LocalTime& t, std::wstring_view message);

// Appends the message with the current date and time to memo_log.txt in
// programDir.
void WriteLog(System& sys, const std::wstring& programDir, std::wstring_view message);

}  // namespace vz
