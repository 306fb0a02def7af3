// Whole runs: the program, the simulated uploader on virtual COM3, and the
// monitor's verdict, all in real time under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "messages/message_table.h"
#include "platform/text_decoding.h"
#include "platform/win32_system.h"
#include "testkit/device_registry.h"
#include "testkit/driver.h"
#include "upgrade/checksum_file.h"
#include "uploader/uploader_contract.h"

namespace vz::e2e {
namespace {

// What arrives at the far end of COM3, kept by the test harness.
std::wstring CapturePath() {
  const char* unix = std::getenv("VZ_COM3_CAPTURE");
  if (!unix) return L"";
  std::wstring path = L"Z:";
  for (const char* c = unix; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

std::string ReadAll(const std::wstring& path) {
  Win32System sys;
  return sys.ReadBytes(path).value_or("");
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class UpgradeRun : public ::testing::Test {
 protected:
  explicit UpgradeRun(const std::wstring& subdir = L"stage")
      : folder(subdir), program(folder.path()) {}

  void SetUp() override {
    texts = folder.Texts(L"FrmDescFRA.txt");
    image = folder.Read(L"firmware.bin").value_or("");
    captureStart = ReadAll(CapturePath()).size();
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
    program.Choose(Control::PortList, L"COM3");
    ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000));
  }

  void Scenario(const std::string& lines) { folder.Write(L"uploader-sim.ini", lines); }

  // Clicks an upgrade button and confirms; the buttons are then hidden.
  void StartRun(Control button = Control::UpgradeButton) {
    program.Press(button);
    auto question = program.WaitForMessageBox(5000);
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->title, L"Vardolin_VaZuvovev");
    // The question names the port with its device and the image; the
    // format and the date are proven below this level.
    EXPECT_EQ(question->text.rfind(ForDisplay(texts[Msg::Confirmation]) +
                                       L"\r\n\r\nCOM3 (USB-SERIAL CH340)\r\nfirmware.bin   " +
                                       std::to_wstring(image.size()) + L"   ",
                                   0),
              0u);
    Program::Answer(*question, IDYES);
    ASSERT_TRUE(program.WaitForShown({{Control::ExitButton, false},
                                      {Control::UpgradeButton, false},
                                      {Control::InteractiveUpgradeButton, false}},
                                     5000))
        << "all three buttons are hidden during a run";
  }

  std::string SimLog() { return folder.Read(L"uploader-sim.log").value_or(""); }

  // The image's SHA-256 in the log's form.
  std::string ImageDigest() {
    Win32System sys;
    const std::wstring hex = DigestHex(sys.Sha256OfFile(folder / L"firmware.bin").digest);
    return std::string(hex.begin(), hex.end());
  }

  // When the simulated uploader finished, as it logged it itself: its run
  // time and the machine's tick count at that moment (zeros while it has
  // not finished).
  struct Finished {
    ULONGLONG afterMs = 0;
    ULONGLONG atTick = 0;
  };
  Finished UploaderFinished() {
    const std::string log = SimLog();
    Finished f;
    const std::size_t at = log.rfind("finished after ");
    if (at != std::string::npos) {
      std::sscanf(log.c_str() + at, "finished after %llu ms at tick %llu", &f.afterMs, &f.atTick);
    }
    return f;
  }

  // Waits for the end message, answers it and expects the program to end.
  // The message comes only after the uploader has finished and is gone.
  void ExpectSuccess(DWORD timeoutMs) {
    auto end = program.WaitForMessageBox(timeoutMs);
    ASSERT_TRUE(end.has_value()) << SimLog();
    EXPECT_FALSE(program.UploaderRunning()) << "the end message waits for the uploader's end";
    EXPECT_NE(UploaderFinished().atTick, 0u) << SimLog();
    EXPECT_EQ(end->text, ForDisplay(texts[Msg::End]));
    Program::Answer(*end, IDOK);
    EXPECT_TRUE(program.WaitForExit(5000)) << "the program ends after the end message";
  }

  // The register's adapter as Windows names it; written before the program
  // starts, so that its start-up probe reads it.
  test::RegisteredDevice adapter{
      test::SerialPortRecord(L"ROOT\\PORTS\\VZE2E03", L"USB-SERIAL CH340 (COM3)", L"COM3")};
  StagedFolder folder;
  Program program;
  MessageTable texts;
  std::string image;
  std::size_t captureStart = 0;
};

TEST_F(UpgradeRun, SuccessEndsTheProgramAndTheRegisterGetsTheWholeImage) {
  StartRun();
  ExpectSuccess(60000);
  const std::string received = ReadAll(CapturePath()).substr(captureStart);
  EXPECT_EQ(received.size(), image.size());
  EXPECT_TRUE(received == image) << "the bytes on COM3 differ from the image";
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_EQ(Count(log, " Fw Upgrade START\r\n"), 1) << log;
  EXPECT_EQ(
      Count(log, " Fw Upgrade: COM3 (USB-SERIAL CH340), firmware.bin " +
                     std::to_string(image.size()) + " bytes sha256 " + ImageDigest() + "\r\n"),
      1)
      << log;
  EXPECT_EQ(Count(log, " Timer_UL_Test: Up_Loader.exe : run\r\n"), 1) << log;
  EXPECT_EQ(Count(log, " Timer_UL_Test: Up_Loader.exe : ended, exit code 0\r\n"), 1) << log;
  EXPECT_EQ(Count(log, " Fw Upgrade END: OK\r\n"), 1) << log;
  EXPECT_EQ(Count(log, "\r\n"), 5) << "nothing else is logged";
}

TEST_F(UpgradeRun, AFailedRunNamesItsPhaseAndASecondRunLaunchesTheUploaderAgain) {
  Scenario("scenario=stop-before-write\r\n");
  StartRun();
  auto timeout = program.WaitForMessageBox(60000);
  ASSERT_TRUE(timeout.has_value()) << SimLog();
  const ULONGLONG shown = GetTickCount64();
  EXPECT_EQ(timeout->text, ForDisplay(texts[Msg::DownloadTimeout]) + L" 4");
  EXPECT_FALSE(program.UploaderRunning()) << "markers are judged only once the uploader is gone";
  // Phase 4 begins after the uploader's exit and waits its full 10 s; the
  // exit is dated by the uploader itself, so a slow test cannot shorten it.
  const ULONGLONG finished = UploaderFinished().atTick;
  ASSERT_NE(finished, 0u) << SimLog();
  EXPECT_GT(shown - finished, 10000u) << "timed out before phase 4 had its 10 s";
  Program::Answer(*timeout, IDOK);
  ASSERT_TRUE(program.WaitForShown({{Control::ExitButton, true},
                                    {Control::UpgradeButton, true},
                                    {Control::InteractiveUpgradeButton, true}},
                                   5000))
      << "the start buttons come back, the second one from the first failure on";
  EXPECT_TRUE(program.Running());
  EXPECT_TRUE(program.NoMessageBoxWithin(1500)) << "the failure is told once";

  Scenario("scenario=success\r\n");
  StartRun(Control::InteractiveUpgradeButton);
  ExpectSuccess(60000);
  EXPECT_EQ(Count("\n" + SimLog(), "\nstart "), 2) << "one launch per run";
  EXPECT_EQ(Count(folder.Read(L"memo_log.txt").value_or(""), "Timer_UL_Test: Up_Loader.exe : run"),
            2);
}

TEST_F(UpgradeRun, AnUploaderThatRunsLongerThanTheTimeOutIsWaitedFor) {
  Scenario("scenario=success\r\nrun_seconds=13\r\n");
  StartRun();
  ASSERT_TRUE(WaitUntil([&] { return program.UploaderRunning(); }, 10000));
  EXPECT_TRUE(program.NoMessageBoxWithin(11000)) << "no time-out while it runs";
  ExpectSuccess(60000);
  EXPECT_GE(UploaderFinished().afterMs, 13000u)
      << "the uploader ran its 13 s before the end message\n"
      << SimLog();
}

TEST_F(UpgradeRun, TheProgressBarGrowsWhileHeartbeatsArrive) {
  // The uploader stays 5 s, so that the first phase can be seen.
  Scenario("scenario=heartbeat\r\nheartbeats=8\r\nheartbeat_ms=600\r\nrun_seconds=5\r\n");
  StartRun();
  // The status lines say what the run does: the transfer while the
  // uploader runs, the writing once it has gone, the warning throughout.
  const auto says = [&](Msg doing) {
    return program.Visible(Control::StatusLine1) &&
           program.Text(Control::StatusLine1) == ForDisplay(texts[doing]) &&
           program.Visible(Control::StatusLine2) &&
           program.Text(Control::StatusLine2) == ForDisplay(texts[Msg::Notice1]);
  };
  EXPECT_TRUE(WaitUntil([&] { return program.UploaderRunning() && says(Msg::Updating); }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return program.Visible(Control::ProgressPanel); }, 20000));
  EXPECT_TRUE(says(Msg::Programming));
  const RECT panel = program.ScreenRect(Control::ProgressPanel);
  std::vector<LONG> widths;
  // Every width the bar takes until the end message, polled.
  WaitUntil(
      [&] {
        if (!program.Running() || FindMessageBox(program.pid())) return true;
        const RECT bar = program.ScreenRect(Control::ProgressBar);
        if (widths.empty() || widths.back() != bar.right - bar.left) {
          widths.push_back(bar.right - bar.left);
        }
        return false;
      },
      60000, 50);
  ASSERT_GE(widths.size(), 4u) << "the bar should have grown step by step";
  const double step = (panel.right - panel.left) / static_cast<double>(uploader::kProgressScale);
  for (std::size_t i = 1; i < widths.size(); ++i) EXPECT_GT(widths[i], widths[i - 1]);
  // The first step, the writing.txt the uploader left, and 8 heartbeats of
  // its helper: 10 steps.
  EXPECT_NEAR(widths.back(), step * 10, 2);
  ExpectSuccess(15000);
}

TEST_F(UpgradeRun, AnImageThatDiffersFromItsChecksumFileIsRefusedBeforeTheUploaderStarts) {
  const std::string published(64, 'a');
  folder.Write(L"firmware.bin.sha256", published + " *firmware.bin\r\n");
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  Program::Answer(*question, IDYES);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question->hwnd); }, 5000));
  auto refused = program.WaitForMessageBox(10000);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->text, ForDisplay(texts[Msg::ImageDamaged] + L"\r\nfirmware.bin"));
  Program::Answer(*refused, IDOK);
  EXPECT_TRUE(program.WaitForShown({{Control::UpgradeButton, true}}, 5000));
  EXPECT_FALSE(folder.Has(L"uploader-sim.log")) << "the uploader was never launched";
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_EQ(Count(log, " Fw Upgrade: firmware.bin : damaged, sha256 " + ImageDigest() +
                           ", firmware.bin.sha256 " + published + "\r\n"),
            1)
      << log;
}
TEST_F(UpgradeRun, EscapeOnTheQuestionStartsNothingAndEndsNothing) {
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  SetForegroundWindow(question->hwnd);
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question->hwnd); }, 5000)) << "Esc closes it here";
  EXPECT_TRUE(NoChangeWithin(
      [&] {
        return !program.Running() || !program.Visible(Control::UpgradeButton) ||
               folder.Has(L"memo_log.txt") || folder.Has(L"uploader-sim.log");
      },
      1500))
      << "no run, no log line, and the program goes on";
}

TEST_F(UpgradeRun, WhileTheUploaderNeverEndsTheWindowCanStillBeClosed) {
  Scenario("scenario=success\r\nrun_seconds=120\r\n");
  StartRun();
  ASSERT_TRUE(WaitUntil([&] { return program.UploaderRunning(); }, 10000));
  EXPECT_TRUE(program.NoMessageBoxWithin(4000)) << "still waiting in phase 0";
  // Closing asks first, warning that the run goes on unseen; Yes closes.
  PostMessageW(program.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  const auto warning = program.WaitForMessageBox(5000);
  ASSERT_TRUE(warning.has_value());
  EXPECT_EQ(warning->text, ForDisplay(texts[Msg::CloseDuringRun]));
  Program::Answer(*warning, IDYES);
  EXPECT_TRUE(program.WaitForExit(5000));
  EXPECT_TRUE(program.UploaderRunning()) << "the uploader is never stopped by the program";
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_EQ(Count(log, " Fw Upgrade END: window closed\r\n"), 1) << log;
  EXPECT_EQ(Count(log, "\r\n"), 4) << "closing adds that line only: " << log;
}

// A program folder under a path with blanks and letters outside ASCII.
class UpgradeRunInOddFolder : public UpgradeRun {
 protected:
  UpgradeRunInOddFolder() : UpgradeRun(L"Program Files caisse \u00e9t\u00e9 \u00e5") {}
};

TEST_F(UpgradeRunInOddFolder, StillLaunchesTheUploaderByItsFullPath) {
  StartRun();
  ExpectSuccess(60000);
  const std::string log = SimLog();
  const std::wstring dir = folder.path().substr(0, folder.path().size() - 1);
  EXPECT_NE(log.find(" cwd=" + Utf16ToUtf8(dir) + " args=\"" +
                     Utf16ToUtf8(folder / L"Up_Loader.exe") + "\"\r\n"),
            std::string::npos)
      << "the quoted full path, no argument, the program's folder as current directory\n"
      << log;
}

}  // namespace
}  // namespace vz::e2e
