#include "log/event_log.h"

#include <cstdio>

namespace vz {
namespace {

enum class SelfReport { Allowed, Suppressed };

bool IsMomentaryHold(std::uint32_t error) {
  return error == error_number::kSharingViolation || error == error_number::kLockViolation;
}

void Write(System& sys, const std::wstring& programDir, std::wstring_view message,
           SelfReport report) {
  const std::wstring path = programDir + kLogFileName;
  const std::string bytes = sys.ToAnsi(FormatLogLine(sys.Now(), message)) + "\r\n";
  for (int attempt = 1; attempt <= kAppendAttempts; ++attempt) {
    const IoResult r = sys.AppendBytes(path, bytes);
    if (r.ok) return;
    if (IsMomentaryHold(r.error)) {
      // Another program holds the file for a moment: try again shortly.
      if (attempt < kAppendAttempts) sys.Pause(kAppendRetryPauseMs);
      continue;
    }
    // Refused access, a missing folder, a full disk: waiting cannot help.
    // The self-report goes to the same log; if that fails as well it is
    // dropped rather than reported again.
    if (report == SelfReport::Allowed) {
      Write(sys, programDir,
            L"NELLA SCRITTURA FILE:--->  " + std::to_wstring(r.error) + L" " +
                sys.ErrorText(r.error, kLogFileName),
            SelfReport::Suppressed);
    }
    return;
  }
}

}  // namespace

std::wstring FormatLogLine(const LocalTime& t, std::wstring_view message) {
  wchar_t stamp[32];
  std::swprintf(stamp, 32, L"%02d-%02d-%02d %02d:%02d:%02d ", t.day, t.month, t.year % 100, t.hour,
                t.minute, t.second);
  return stamp + std::wstring(message);
}

void WriteLog(System& sys, const std::wstring& programDir, std::wstring_view message) {
  Write(sys, programDir, message, SelfReport::Allowed);
}

}  // namespace vz
