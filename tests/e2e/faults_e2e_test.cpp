// Runs that go wrong in ways only real processes and files show: an
// uploader that crashes, a marker held open by another program. Each ends
// in the time-out message naming the right phase, or in a refusal to
// start, and never in a crash or a hang.
#include <windows.h>

#include <gtest/gtest.h>

#include "messages/message_table.h"
#include "platform/win32_owned.h"
#include "testkit/driver.h"

namespace vz::e2e {
namespace {

class FaultRun : public ::testing::Test {
 protected:
  FaultRun() : program(folder.path()) {}

  void SetUp() override { texts = folder.Texts(L"FrmDescFRA.txt"); }

  void StartProgram() {
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
    program.Choose(Control::PortList, L"COM3");
    ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000));
  }

  // Clicks Upgrade, confirms, and returns the next message shown.
  std::optional<MessageBoxSeen> RunUntilMessage(DWORD timeoutMs) {
    program.Press(Control::UpgradeButton);
    auto question = program.WaitForMessageBox(5000);
    if (!question) return std::nullopt;
    if (!Program::Answer(*question, IDYES)) return std::nullopt;
    return program.WaitForMessageBox(timeoutMs);
  }

  // `failure`: the start of the further line naming the uploader's failure,
  // which the system's text ends; none for an uploader that ended well.
  void ExpectTimeOutInPhase(int phase, const wchar_t* failure = nullptr) {
    auto box = RunUntilMessage(60000);
    ASSERT_TRUE(box.has_value());
    const std::wstring told =
        ForDisplay(texts[Msg::DownloadTimeout]) + L" " + std::to_wstring(phase);
    if (failure) {
      EXPECT_EQ(box->text.rfind(told + L"\r\n" + failure, 0), 0u) << box->text;
      EXPECT_GT(box->text.size(), told.size() + 2 + std::wstring(failure).size())
          << "with the system's text";
    } else {
      EXPECT_EQ(box->text, told);
    }
    Program::Answer(*box, IDOK);
    EXPECT_TRUE(program.WaitForShown({{Control::ExitButton, true},
                                      {Control::UpgradeButton, true},
                                      {Control::InteractiveUpgradeButton, true}},
                                     5000));
    EXPECT_TRUE(program.Running());
  }

  StagedFolder folder;
  Program program;
  MessageTable texts;
};

// A real crash: the exit code Windows gives it, in the log and, with the
// system's own text, under the time-out. (Each phase's time-out is proven
// on the scripted clock; this is the one only a real process shows.)
TEST_F(FaultRun, ACrashedUploaderIsNamedUnderTheTimeOut) {
  folder.Write(L"uploader-sim.ini", "scenario=crash\r\n");
  StartProgram();
  ExpectTimeOutInPhase(6, L"Up_Loader.exe: exit code 0xC0000005 ");
  EXPECT_FALSE(folder.Has(L"write_ok.txt"));
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_NE(log.find(" Timer_UL_Test: Up_Loader.exe : ended, exit code 3221225477\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" Fw Upgrade END: time-out, phase 6\r\n"), std::string::npos) << log;
}

TEST_F(FaultRun, AMarkerHeldByAnotherProgramRefusesTheStartUntilItIsFree) {
  folder.Write(L"write_ok.txt", "from an earlier run\r\n");
  // Held with no sharing until freed below, or until the test ends if a
  // check stops it first.
  ScopedHandle held(CreateFileW((folder / L"write_ok.txt").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  StartProgram();
  auto refusal = RunUntilMessage(5000);
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(refusal->text.rfind(L"write_ok.txt: ", 0), 0u) << "names the file and the reason";
  Program::Answer(*refusal, IDOK);
  // Nothing was armed: the buttons stay, and no uploader and no time-out
  // follow.
  EXPECT_TRUE(NoChangeWithin(
      [&] {
        return !program.Visible(Control::UpgradeButton) || !program.Visible(Control::ExitButton) ||
               folder.Has(L"uploader-sim.log") || FindMessageBox(program.pid());
      },
      1500));
  EXPECT_FALSE(folder.Has(L"uploader-sim.log")) << "the uploader was not launched";
  held.Close();

  // Free again: the stale marker is cleared and the run succeeds.
  auto end = RunUntilMessage(60000);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(end->text, ForDisplay(texts[Msg::End]));
  Program::Answer(*end, IDOK);
  EXPECT_TRUE(program.WaitForExit(5000));
}

}  // namespace
}  // namespace vz::e2e
