// The serial ports as Windows announces them while the window is open, the
// checks of the run's port and of a running uploader before a start, and
// one copy of the program per folder.
#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/win32_owned.h"

namespace vz::e2e {
namespace {

// A serial port made while the program runs: Wine opens COMn through the
// prefix's dosdevices/comN, here a plain file.
class PluggedPort {
 public:
  explicit PluggedPort(int n) {
    const char* prefix = std::getenv("WINEPREFIX");
    path_ = L"Z:";
    for (const char* c = prefix ? prefix : ""; *c; ++c) path_ += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    path_ += L"\\dosdevices\\com" + std::to_wstring(n);
    ScopedHandle made(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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

bool Lists(Program& program, const std::wstring& entry) {
  const std::vector<std::wstring> items = program.Items(Control::PortList);
  return std::find(items.begin(), items.end(), entry) != items.end();
}

TEST(DeviceBroadcasts, PortsPluggedInAreListedInOrderAndPortsPulledOutGo) {
  StagedFolder folder;
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  program.Choose(Control::PortList, L"COM3");
  ASSERT_TRUE(WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000));

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

}  // namespace
}  // namespace vz::e2e
