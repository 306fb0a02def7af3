// The event log memo_log.txt: line layout, appending, and what happens when
// the file is busy or cannot be opened at all.
#include "log/event_log.h"

#include <numeric>

#include <gtest/gtest.h>

#include "testkit/fakes.h"

namespace vz {
namespace {

const std::wstring kLog = test::InDir(L"memo_log.txt");

class EventLog : public ::testing::Test {
 protected:
  test::FakeSystem sys;  // clock at 06-12-26 15:04:09
};

struct StampCase {
  LocalTime at;
  const wchar_t* message;
  const char* line;
};
class LogLine : public EventLog, public ::testing::WithParamInterface<StampCase> {};

TEST_P(LogLine, IsDateTimeAndMessage) {
  sys.clock = GetParam().at;
  WriteLog(sys, test::kDir, GetParam().message);
  EXPECT_EQ(sys.Bytes(kLog), std::string(GetParam().line) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, LogLine,
    ::testing::Values(StampCase{{2027, 1, 5, 7, 3, 9, 999}, L"msg", "05-01-27 07:03:09 msg"},
                      StampCase{{2027, 1, 5, 19, 3, 9, 0}, L"msg", "05-01-27 19:03:09 msg"},
                      StampCase{{2100, 10, 31, 0, 0, 0, 0}, L"", "31-10-00 00:00:00 "}));

TEST_F(EventLog, AppendsAfterWhatIsThere) {
  sys.Put(kLog, "old\r\n");
  WriteLog(sys, test::kDir, L"first");
  WriteLog(sys, test::kDir, L"caf\u00E9");
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n06-12-26 15:04:09 first\r\n06-12-26 15:04:09 caf\xE9\r\n");
}

TEST_F(EventLog, BusyLogGetsItsLineAfterRetries) {
  sys.File(kLog).busyOpens = 3;
  WriteLog(sys, test::kDir, L"late");
  EXPECT_EQ(sys.Bytes(kLog), "06-12-26 15:04:09 late\r\n");
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>(3, kAppendRetryPauseMs));
}

// Only another program's hold is worth waiting for; every other failure is
// final at once, so a folder the user may not write to does not freeze the
// window at each line.
struct OpenFailureCase {
  std::uint32_t error;
  int appendCalls;
  std::size_t pauses;
};
class LogOpenFailure : public EventLog, public ::testing::WithParamInterface<OpenFailureCase> {};

TEST_P(LogOpenFailure, IsRetriedOnlyWhileAnotherProgramHoldsTheFile) {
  sys.Put(kLog, "old\r\n");
  sys.File(kLog).openError = GetParam().error;
  WriteLog(sys, test::kDir, L"lost");
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n");
  EXPECT_EQ(sys.appendCalls, GetParam().appendCalls);
  EXPECT_EQ(sys.pauses.size(), GetParam().pauses);
  // The window is frozen meanwhile: no more than a second.
  EXPECT_LE(std::accumulate(sys.pauses.begin(), sys.pauses.end(), 0u), 1000u);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, LogOpenFailure,
    ::testing::Values(  // held: every attempt, then dropped silently
        OpenFailureCase{test::kErrSharing, kAppendAttempts, kAppendAttempts - 1},
        OpenFailureCase{test::kErrLock, kAppendAttempts, kAppendAttempts - 1},
        // the line, then its self-report, which fails the same way
        OpenFailureCase{test::kErrAccessDenied, 2, 0},
        OpenFailureCase{test::kErrPathNotFound, 2, 0}, OpenFailureCase{112, 2, 0}));

}  // namespace
}  // namespace vz
