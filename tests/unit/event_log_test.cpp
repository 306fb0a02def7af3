// The event log memo_log.txt: line layout, appending, and what happens when
// the file is busy or cannot be opened at all.
#include "log/event_log.h"

#include <numeric>

#include <gtest/gtest.h>

#include "fakes.h"

namespace vz {
namespace {

const std::wstring kLog = test::InDir(L"memo_log.txt");

class EventLog : public ::testing::Test {
 protected:
  test::FakeSystem sys;  // clock at 06-12-26 15:04:09
};

struct StampCase { LocalTime at; const wchar_t* message; const char* line; };
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

TEST_F(EventLog, LogBusyForEverIsGivenUpSilently) {
  sys.Put(kLog, "old\r\n");
  sys.File(kLog).busyOpens = -1;
  WriteLog(sys, test::kDir, L"lost");
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n");
  EXPECT_EQ(sys.appendCalls, kAppendAttempts);
  // The technician's window is frozen meanwhile: no more than a second.
  EXPECT_LE(std::accumulate(sys.pauses.begin(), sys.pauses.end(), 0u), 1000u);
}

TEST_F(EventLog, OtherOpenErrorOfTheLogIsDroppedWithoutAReportLoop) {
  sys.Put(kLog, "old\r\n");
  sys.File(kLog).openError = test::kErrPathNotFound;
  WriteLog(sys, test::kDir, L"lost");
  EXPECT_EQ(sys.appendCalls, 2);  // the line, then its self-report
  EXPECT_EQ(sys.Bytes(kLog), "old\r\n");
}

}  // namespace
}  // namespace vz
