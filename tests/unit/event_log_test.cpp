// The event log memo_log.txt: line layout, appending, and what happens when
// the file is busy or cannot be opened at all.
#include "log/event_log.h"

#include <numeric>

#include <gtest/gtest.h>

#include "fakes.h"

namespace vz {
namespace {

using test::FakeSystem;

constexpr wchar_t kDir[] = L"C:\\Tools\\Vz\\";
const std::wstring kLog = std::wstring(kDir) + L"memo_log.txt";

struct StampCase {
  LocalTime at;
  const wchar_t* message;
  const char* line;
};
class LogLine : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogLine, IsDateTimeAndMessage) {
  FakeSystem sys;
  sys.clock = GetParam().at;
  WriteLog(sys, kDir, GetParam().message);
  EXPECT_EQ(sys.Bytes(kLog), std::string(GetParam().line) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, LogLine,
    ::testing::Values(
        StampCase{{2027, 1, 5, 7, 3, 9, 999}, L"msg", "05-01-27 07:03:09 msg"},
        StampCase{{2027, 1, 5, 19, 3, 9, 0}, L"msg", "05-01-27 19:03:09 msg"},
        StampCase{{2026, 12, 6, 15, 4, 9, 0}, L"", "06-12-26 15:04:09 "},
        StampCase{{2100, 10, 31, 0, 0, 0, 0}, L"caf\u00E9 \u20AC",
                  "31-10-00 00:00:00 caf\xE9 \x80"}));

TEST(EventLog, AppendsAfterWhatIsThere) {
  FakeSystem sys;
  sys.Put(kLog, "old\r\n");
  WriteLog(sys, kDir, L"first");
  WriteLog(sys, kDir, L"second");
  EXPECT_EQ(test::Lines(sys.Bytes(kLog)),
            (std::vector<std::string>{"old", "06-12-26 15:04:09 first",
                                      "06-12-26 15:04:09 second"}));
}

TEST(EventLog, BusyLogGetsItsLineAfterRetries) {
  FakeSystem sys;
  sys.File(kLog).busyOpens = 3;
  WriteLog(sys, kDir, L"late");
  EXPECT_EQ(sys.Bytes(kLog), "06-12-26 15:04:09 late\r\n");
  EXPECT_EQ(sys.appendCalls, 4);
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>(3, kAppendRetryPauseMs));
}

class BlockedLog : public ::testing::TestWithParam<bool> {};  // busy, read-only

TEST_P(BlockedLog, IsGivenUpSilentlyAfterTheBound) {
  FakeSystem sys;
  sys.Put(kLog, "old\r\n");
  if (GetParam()) {
    sys.File(kLog).busyOpens = -1;
  } else {
    sys.File(kLog).readOnly = true;
  }
  WriteLog(sys, kDir, L"lost");
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n");
  EXPECT_EQ(sys.appendCalls, kAppendAttempts);
  // The technician waits no more than a second for a log line.
  EXPECT_LE(std::accumulate(sys.pauses.begin(), sys.pauses.end(), 0u), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BlockedLog, ::testing::Bool());

TEST(EventLog, OtherOpenErrorOfTheLogIsDroppedWithoutAReportLoop) {
  FakeSystem sys;
  sys.Put(kLog, "old\r\n");
  sys.File(kLog).openError = test::kErrPathNotFound;
  WriteLog(sys, kDir, L"lost");
  EXPECT_EQ(sys.appendCalls, 2);  // the line, then its self-report
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n");
  EXPECT_TRUE(sys.pauses.empty());
}

TEST(EventLog, OpenErrorOfAnotherFileIsReportedInTheLog) {
  FakeSystem sys;
  const std::wstring other = std::wstring(kDir) + L"other.txt";
  sys.Put(other, "x");
  sys.File(other).openError = 1392;
  AppendLineToFile(sys, kDir, other, L"line");
  EXPECT_EQ(sys.Bytes(other), "x");
  EXPECT_EQ(sys.Bytes(kLog),
            "06-12-26 15:04:09 NELLA SCRITTURA FILE:--->  1392 Error 1392.\r\n");
}

TEST(EventLog, AppendLineToFileWritesTheLineAsGiven) {
  FakeSystem sys;
  const std::wstring other = std::wstring(kDir) + L"other.txt";
  AppendLineToFile(sys, kDir, other, L"no stamp");
  EXPECT_EQ(sys.Bytes(other), "no stamp\r\n");
  EXPECT_FALSE(sys.Has(kLog));
}

}  // namespace
}  // namespace vz
