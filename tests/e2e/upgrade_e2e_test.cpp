// Whole runs: the program, the simulated uploader on virtual COM3, and the
// monitor's verdict, all in real time under Wine.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "driver.h"
#include "i18n/message_table.h"
#include "platform/win32_system.h"

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

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

void KillUploaders() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (_stricmp(entry.szExeFile, "Up_Loader.exe") != 0) continue;
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (p) {
      TerminateProcess(p, 1);
      WaitForSingleObject(p, 5000);
      CloseHandle(p);
    }
  }
  CloseHandle(snapshot);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class UpgradeRun : public ::testing::Test {
 protected:
  explicit UpgradeRun(const std::wstring& subdir = L"stage") : folder(subdir), program(folder.path()) {}

  void SetUp() override {
    Win32System sys;
    MessageTable table;
    ParseMessageText(sys.FromAnsi(folder.Read(L"FrmDescFRA.txt").value_or("")), table);
    texts = table;
    image = folder.Read(L"firmware.bin").value_or("");
    captureStart = ReadAll(CapturePath()).size();
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
    program.Choose(Control::E_ComPort, L"COM3");
    ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000));
  }

  void Scenario(const std::string& lines) { folder.Write(L"uploader-sim.ini", lines); }

  // Clicks an upgrade button and confirms; the buttons are then hidden.
  void StartRun(Control button = Control::C_Upgrade0) {
    program.Press(button);
    auto question = program.WaitForMessageBox(5000);
    ASSERT_TRUE(question.has_value());
    EXPECT_EQ(question->title, L"Vardolin_VaZuvovev");
    EXPECT_EQ(question->text, AsShown(texts[Msg::Avviso]));
    Program::Answer(*question, IDYES);
    ASSERT_TRUE(WaitUntil([&] { return !program.Visible(Control::C_Exit); }, 5000));
    EXPECT_FALSE(program.Visible(Control::C_Upgrade0));
    EXPECT_FALSE(program.Visible(Control::C_Upgrade1));
  }

  std::string SimLog() { return folder.Read(L"uploader-sim.log").value_or(""); }

  // Waits for the end message, answers it and expects the program to end;
  // returns the seconds from the uploader's exit to the message.
  double ExpectSuccess(DWORD timeoutMs) {
    EXPECT_TRUE(WaitUntil([] { return UploaderRunning(); }, 5000));
    EXPECT_TRUE(WaitUntil([] { return !UploaderRunning(); }, timeoutMs));
    const DWORD gone = GetTickCount();
    auto end = program.WaitForMessageBox(15000);
    const double delay = (GetTickCount() - gone) / 1000.0;
    EXPECT_TRUE(end.has_value());
    if (!end) return delay;
    EXPECT_EQ(end->text, AsShown(texts[Msg::End]));
    Program::Answer(*end, IDOK);
    EXPECT_TRUE(program.WaitForExit(5000)) << "the program ends after the end message";
    return delay;
  }

  StagedFolder folder;
  Program program;
  MessageTable texts;
  std::string image;
  std::size_t captureStart = 0;
};

TEST_F(UpgradeRun, SuccessEndsTheProgramAndTheRegisterGetsTheWholeImage) {
  StartRun();
  const double delay = ExpectSuccess(30000);
  std::printf("uploader exit to end message: %.2f s\n", delay);
  EXPECT_GT(delay, 2.0);
  EXPECT_LT(delay, 6.0);
  const std::string received = ReadAll(CapturePath()).substr(captureStart);
  EXPECT_EQ(received.size(), image.size());
  EXPECT_TRUE(received == image) << "the bytes on COM3 differ from the image";
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_EQ(Count(log, " Fw Upgrade START\r\n"), 1) << log;
  EXPECT_EQ(Count(log, " Timer_UL_Test: Up_Loader.exe : run\r\n"), 1) << log;
  EXPECT_EQ(Count(log, "\r\n"), 2) << "nothing else is logged";
}

TEST_F(UpgradeRun, AFailedRunNamesItsPhaseAndASecondRunLaunchesTheUploaderAgain) {
  Scenario("scenario=stop-before-write\r\n");
  StartRun();
  ASSERT_TRUE(WaitUntil([] { return UploaderRunning(); }, 5000));
  ASSERT_TRUE(WaitUntil([] { return !UploaderRunning(); }, 20000));
  const DWORD gone = GetTickCount();
  auto timeout = program.WaitForMessageBox(20000);
  ASSERT_TRUE(timeout.has_value());
  const double seconds = (GetTickCount() - gone) / 1000.0;
  std::printf("uploader exit (last marker) to time-out message: %.2f s\n", seconds);
  EXPECT_EQ(timeout->text, AsShown(texts[Msg::DownloadTimeout]) + L" 4");
  // Phases 1 to 3 take a tick each before phase 4 waits its 10 s.
  EXPECT_GT(seconds, 11.0);
  EXPECT_LT(seconds, 15.0);
  Program::Answer(*timeout, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return program.Visible(Control::C_Exit); }, 5000));
  EXPECT_TRUE(program.Visible(Control::C_Upgrade0));
  EXPECT_TRUE(program.Visible(Control::C_Upgrade1)) << "shown from the first failure on";
  EXPECT_TRUE(program.Running());
  EXPECT_FALSE(program.WaitForMessageBox(1500).has_value()) << "the failure is told once";

  Scenario("scenario=success\r\n");
  StartRun(Control::C_Upgrade1);
  ExpectSuccess(30000);
  EXPECT_EQ(Count("\n" + SimLog(), "\nstart "), 2) << "one launch per run";
  EXPECT_EQ(Count(folder.Read(L"memo_log.txt").value_or(""), "Timer_UL_Test: Up_Loader.exe : run"),
            2);
}

TEST_F(UpgradeRun, AnUploaderThatRunsLongerThanTheTimeOutIsWaitedFor) {
  Scenario("scenario=success\r\nrun_seconds=13\r\n");
  StartRun();
  const DWORD start = GetTickCount();
  EXPECT_FALSE(program.WaitForMessageBox(11000).has_value()) << "no time-out while it runs";
  ExpectSuccess(20000);
  EXPECT_GT(GetTickCount() - start, 12000u);
}

TEST_F(UpgradeRun, TheProgressBarGrowsWhileHeartbeatsArrive) {
  Scenario("scenario=heartbeat\r\nheartbeats=8\r\nheartbeat_ms=600\r\n");
  StartRun();
  ASSERT_TRUE(WaitUntil([&] { return program.Visible(Control::PannelloBarra); }, 20000));
  const RECT panel = program.ScreenRect(Control::PannelloBarra);
  std::vector<LONG> widths;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000 && program.Running()) {
    if (auto box = program.WaitForMessageBox(0)) break;
    const RECT bar = program.ScreenRect(Control::Barra);
    if (widths.empty() || widths.back() != bar.right - bar.left) widths.push_back(bar.right - bar.left);
    Sleep(100);
  }
  ASSERT_GE(widths.size(), 4u) << "the bar should have grown step by step";
  const double step = (panel.right - panel.left) / 26.0;
  for (std::size_t i = 1; i < widths.size(); ++i) {
    EXPECT_GT(widths[i], widths[i - 1]);
    EXPECT_LE(widths[i] - widths[i - 1], step * 3 + 1) << "one step per heartbeat";
  }
  // The first step, the writing.txt the uploader left, and 8 heartbeats of
  // its helper: 10 of 26.
  EXPECT_NEAR(widths.back(), step * 10, 2);
  auto end = program.WaitForMessageBox(15000);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(end->text, AsShown(texts[Msg::End]));
  Program::Answer(*end, IDOK);
  EXPECT_TRUE(program.WaitForExit(5000));
}

TEST_F(UpgradeRun, AnsweringNoEndsTheProgramWithNothingLogged) {
  program.Press(Control::C_Upgrade0);
  auto question = program.WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  Program::Answer(*question, IDNO);
  EXPECT_TRUE(program.WaitForExit(5000));
  EXPECT_FALSE(folder.Has(L"memo_log.txt"));
  EXPECT_FALSE(UploaderRunning());
}

TEST_F(UpgradeRun, WhileTheUploaderNeverEndsTheWindowCanStillBeClosed) {
  Scenario("scenario=success\r\nrun_seconds=120\r\n");
  StartRun();
  ASSERT_TRUE(WaitUntil([] { return UploaderRunning(); }, 5000));
  EXPECT_FALSE(program.WaitForMessageBox(4000).has_value()) << "still waiting in phase 0";
  PostMessageW(program.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(program.WaitForExit(5000));
  EXPECT_TRUE(UploaderRunning()) << "the uploader is never stopped by the program";
  KillUploaders();
  const std::string log = folder.Read(L"memo_log.txt").value_or("");
  EXPECT_EQ(Count(log, "\r\n"), 2) << "closing logs nothing: " << log;
}

// A program folder under a path with blanks and letters outside ASCII.
class UpgradeRunInOddFolder : public UpgradeRun {
 protected:
  UpgradeRunInOddFolder() : UpgradeRun(L"Program Files caisse \u00e9t\u00e9 \u00e5") {}
};

TEST_F(UpgradeRunInOddFolder, StillLaunchesTheUploaderByItsFullPath) {
  StartRun();
  ExpectSuccess(30000);
  const std::string log = SimLog();
  const std::wstring dir = folder.path().substr(0, folder.path().size() - 1);
  EXPECT_NE(log.find(" cwd=" + Utf8(dir) + " args=\"" + Utf8(folder / L"Up_Loader.exe") + "\"\r\n"),
            std::string::npos)
      << "the quoted full path, no argument, the program's folder as current directory\n"
      << log;
}

}  // namespace
}  // namespace vz::e2e
