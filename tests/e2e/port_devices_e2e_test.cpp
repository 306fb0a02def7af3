// The serial ports as Windows announces them while the window is open, the
// checks of the run's port and of a running uploader before a start, and
// one copy of the program per folder.
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32_instance.h"
#include "platform/win32_owned.h"
#include "platform/win32_system.h"
#include "testkit/driver.h"

namespace vz::e2e {
namespace {

// A serial port made while the program runs: Wine opens COMn through the
// prefix's dosdevices/comN, here a plain file.
class PluggedPort {
 public:
  explicit PluggedPort(int n) {
    const char* prefix = std::getenv("WINEPREFIX");
    path_ = L"Z:";
    for (const char* c = prefix ? prefix : ""; *c; ++c)
      path_ += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    path_ += L"\\dosdevices\\com" + std::to_wstring(n);
    ScopedHandle made(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    made_ = made.valid();
  }
  ~PluggedPort() { Pull(); }
  bool made() const { return made_; }
  void Pull() {
    if (made_) DeleteFileW(path_.c_str());
    made_ = false;
  }

 private:
  std::wstring path_;
  bool made_ = false;
};

// What Windows sends every top-level window when a port comes or goes.
void AnnouncePort(HWND window, WPARAM event, const std::wstring& name) {
  std::vector<unsigned char> buffer(sizeof(DEV_BROADCAST_PORT_W) + name.size() * sizeof(wchar_t));
  auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(buffer.data());
  port->dbcp_size = static_cast<DWORD>(buffer.size());
  port->dbcp_devicetype = DBT_DEVTYP_PORT;
  std::memcpy(port->dbcp_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(port),
                      SMTO_ABORTIFHUNG, 5000, &ignored);
}

// Starts the program and chooses the port, which is then saved.
bool OpenWithPort(Program& program, const StagedFolder& folder, const std::wstring& port) {
  if (!program.Start() || !program.WaitForWindow()) return false;
  program.Choose(Control::PortList, port);
  return WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000);
}

bool Lists(Program& program, const std::wstring& entry) {
  const std::vector<std::wstring> items = program.Items(Control::PortList);
  return std::find(items.begin(), items.end(), entry) != items.end();
}

TEST(DeviceBroadcasts, PortsPluggedInAreListedInOrderAndPortsPulledOutGo) {
  StagedFolder folder;
  Program program(folder.path());
  ASSERT_TRUE(OpenWithPort(program, folder, L"COM3"));

  PluggedPort com30(30);
  ASSERT_TRUE(com30.made());
  AnnouncePort(program.window(), DBT_DEVICEARRIVAL, L"COM30");
  EXPECT_TRUE(WaitUntil([&] { return Lists(program, L"COM30"); }, 10000));

  // A change without a name: the unlisted ports are probed.
  PluggedPort com31(31);
  PostMessageW(program.window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
  EXPECT_TRUE(WaitUntil([&] { return Lists(program, L"COM31"); }, 10000));
  EXPECT_EQ(program.Items(Control::PortList),
            (std::vector<std::wstring>{L"COM1", L"COM3", L"COM12", L"COM25", L"COM30", L"COM31"}));

  com30.Pull();
  AnnouncePort(program.window(), DBT_DEVICEREMOVECOMPLETE, L"COM30");
  EXPECT_TRUE(WaitUntil([&] { return !Lists(program, L"COM30"); }, 10000));
  // The choice is the technician's: its text and port.ini stay.
  EXPECT_EQ(program.Text(Control::PortList), L"COM3");
  EXPECT_EQ(folder.Read(L"port.ini").value_or(""), std::string("\x03", 1));
}

TEST(OneCopyPerFolder, ASecondCopyBringsTheFirstToTheFrontAndEnds) {
  StagedFolder folder;
  Program first(folder.path());
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(first.WaitForWindow());
  ShowWindow(first.window(), SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(first.window()) != FALSE; }, 5000));

  Program second(folder.path());
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(first.window()); }, 5000)) << "restored";
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == first.window(); }, 5000));
  EXPECT_TRUE(first.Running());
}

// A copy that holds the folder but shows no window of ours (it is closing,
// or shows its start-up failure box): the second copy says so and ends.
TEST(OneCopyPerFolder, ASecondCopyThatFindsNoWindowOfTheFirstSaysSoAndFails) {
  StagedFolder folder;
  const FolderInstance first(folder.path());
  ASSERT_TRUE(first.first());
  Program second(folder.path());
  ASSERT_TRUE(second.Start());
  const auto box = second.WaitForMessageBox(15000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, L"Vardolin_VaZuvovev");
  EXPECT_EQ(box->text, L"Vardolin_VaZuvovev.exe: " + ErrorTextOrNumber(ERROR_BUSY));
  Program::Answer(*box, IDOK);
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_NE(second.ExitCode(), 0u);
  EXPECT_FALSE(second.window()) << "no window of its own either";
}

// Presses the upgrade button and answers the question with Yes; returns
// the box that follows, if any.
std::optional<MessageBoxSeen> StartAndConfirm(Program& program) {
  program.Press(Control::UpgradeButton);
  const auto question = program.WaitForMessageBox(5000);
  if (!question) return std::nullopt;
  Program::Answer(*question, IDYES);
  return program.WaitForMessageBox(5000);
}

bool Logs(const StagedFolder& folder, const std::string& text) {
  return folder.Read(L"memo_log.txt").value_or("").find(text) != std::string::npos;
}

TEST(RunChecks, APortAnotherProgramHoldsIsToldAndNothingIsStarted) {
  StagedFolder folder;
  folder.Write(L"write_ok.txt", "an earlier run's");
  Program program(folder.path());
  ASSERT_TRUE(OpenWithPort(program, folder, L"COM1"));
  {
    // A terminal program takes the port after it was chosen.
    const ScopedHandle held(CreateFileW(L"\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    const auto box = StartAndConfirm(program);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text.rfind(L"COM1: ", 0), 0u) << testing::PrintToString(box->text);
    Program::Answer(*box, IDOK);
    // The number depends on the system (Windows gives 5, Wine's stand-in 32).
    EXPECT_TRUE(Logs(folder, "Fw Upgrade: COM1 : not opened, "));
    EXPECT_TRUE(program.WaitForShown({{Control::UpgradeButton, true}}, 5000));
    EXPECT_TRUE(folder.Has(L"write_ok.txt")) << "nothing deleted";
    EXPECT_FALSE(program.UploaderRunning());
    EXPECT_TRUE(program.IsEnabled(Control::PortList)) << "the list is given back";
  }
  // Freed, the next start goes ahead.
  const auto next = StartAndConfirm(program);
  EXPECT_TRUE(WaitUntil([&] { return Logs(folder, "Timer_UL_Test: Up_Loader.exe : run"); }, 10000));
}

TEST(RunChecks, AProgramOpenedAgainDuringARunRefusesASecondStart) {
  StagedFolder folder;
  folder.Write(L"uploader-sim.ini", "scenario=success\r\nrun_seconds=120\r\n");
  Program first(folder.path());
  ASSERT_TRUE(OpenWithPort(first, folder, L"COM3"));
  EXPECT_FALSE(StartAndConfirm(first).has_value()) << "no box: the run goes on";
  ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"write_ok.txt"); }, 30000));
  EXPECT_FALSE(first.IsEnabled(Control::PortList)) << "locked during the run";
  PostMessageW(first.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  const auto warning = first.WaitForMessageBox(5000);  // the run goes on unseen: Yes
  ASSERT_TRUE(warning.has_value());
  Program::Answer(*warning, IDYES);
  ASSERT_TRUE(first.WaitForExit(5000));
  ASSERT_TRUE(first.UploaderRunning());

  Program again(folder.path());
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(again.WaitForWindow());
  // A pick writes nothing under the running uploader, and says why; the
  // list shows the port that uploader reads.
  again.Choose(Control::PortList, L"COM12");
  const auto held = again.WaitForMessageBox(5000);
  ASSERT_TRUE(held.has_value());
  EXPECT_EQ(held->text.rfind(L"Up_Loader.exe: ", 0), 0u) << testing::PrintToString(held->text);
  Program::Answer(*held, IDOK);
  EXPECT_EQ(folder.Read(L"port.ini").value_or(""), "\x03");
  EXPECT_EQ(again.Text(Control::PortList), L"COM3");
  // A start is refused before its question.
  again.Press(Control::UpgradeButton);
  const auto box = again.WaitForMessageBox(5000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text.rfind(L"Up_Loader.exe: ", 0), 0u) << testing::PrintToString(box->text);
  EXPECT_TRUE(Logs(folder, "Fw Upgrade: Up_Loader.exe : already running"));
  EXPECT_TRUE(folder.Has(L"write_ok.txt")) << "the first run's markers stay";
  EXPECT_FALSE(again.UploaderRunning()) << "no second uploader";
}

}  // namespace
}  // namespace vz::e2e
