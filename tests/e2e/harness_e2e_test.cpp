// The harness itself: whatever a test's outcome, nothing it started
// outlives it, down to the helper that the uploader leaves running.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "driver.h"
#include "platform/win32_owned.h"

namespace vz::e2e {
namespace {

TEST(Harness, EndingATestEndsTheProgramTheUploaderAndTheUploadersHelper) {
  StagedFolder folder;
  // An uploader that stays a minute and a helper that beats for longer:
  // both would outlive the test if the job did not end them.
  folder.Write(L"uploader-sim.ini",
               "scenario=heartbeat\r\nrun_seconds=60\r\nheartbeats=200\r\nheartbeat_ms=1000\r\n");
  auto program = std::make_unique<Program>(folder.path());
  ASSERT_TRUE(program->Start());
  ASSERT_TRUE(program->WaitForWindow());
  program->Choose(Control::PortList, L"COM3");
  ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000));
  program->Press(Control::UpgradeButton);
  auto question = program->WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  Program::Answer(*question, IDYES);
  ASSERT_TRUE(WaitUntil(
      [&] { return program->UploaderRunning() && program->Runs("UL_Heartbeat.exe"); }, 30000))
      << "the uploader and its helper are known as the program's family\n"
      << folder.Read(L"uploader-sim.log").value_or("<no uploader log>");

  const std::optional<std::vector<DWORD>> family = program->Family();
  ASSERT_TRUE(family.has_value()) << "the system gave no process list";
  std::deque<ScopedHandle> owned;  // closed whatever the outcome
  std::vector<HANDLE> started;
  for (DWORD pid : *family) {
    owned.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (owned.back().valid()) started.push_back(owned.back().get());
  }
  ASSERT_EQ(started.size(), 3u) << "the program, the uploader and the helper";
  program.reset();  // what the end of every test does
  EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(started.size()), started.data(), TRUE, 5000),
            WAIT_OBJECT_0)
      << "a process of the test outlived it";
}

}  // namespace
}  // namespace vz::e2e
