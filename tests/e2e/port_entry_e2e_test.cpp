// The port typed into the list with real key strokes, and a port.ini that
// cannot be written, told at once. (An uploader that cannot be started:
// the unit tests with the real system's error in the Win32 tests.)
#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "messages/message_table.h"
#include "platform/win32_owned.h"
#include "platform/win32_system.h"
#include "testkit/driver.h"

namespace vz::e2e {
namespace {

constexpr char kSaveFailed[] = "Write_rs232_fw: Superati 3 tentativi di lettura";
constexpr std::size_t kStampLength = 18;  // "dd-mm-yy hh:mm:ss " before each text

class PortEntry : public ::testing::Test {
 protected:
  PortEntry() : program(folder.path()) {}

  void SetUp() override {
    texts = folder.Texts(L"FrmDescFRA.txt");
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
  }

  // Types into the port list, then leaves it with Tab.
  void TypePort(const std::wstring& text) {
    ASSERT_TRUE(FocusControl(program, Control::PortList));
    TypeText(text);
    PressKey(VK_TAB);
  }

  // Tab has moved the focus on to the control after the port list.
  bool LeftForTheNextControl() {
    return WaitUntil([&] { return FocusedControl(program) == program.Handle(Control::ExitButton); },
                     5000);
  }

  // Clicks Upgrade and returns the first box it brings.
  std::optional<MessageBoxSeen> PressUpgrade() {
    program.Press(Control::UpgradeButton);
    return program.WaitForMessageBox(5000);
  }

  // Answers a box and waits until it has gone.
  static void Close(const MessageBoxSeen& box) { EXPECT_TRUE(Program::Answer(box, IDOK)); }

  std::string Log() { return folder.Read(L"memo_log.txt").value_or(""); }
  // How many lines of the log say `text` after their time stamp.
  long Logged(const std::string& text) {
    std::istringstream lines(Log());
    long n = 0;
    for (std::string line; std::getline(lines, line);) {
      n += line.size() > kStampLength &&
           line.compare(kStampLength, std::string::npos, text + "\r") == 0;
    }
    return n;
  }

  Win32System sys;
  StagedFolder folder;
  Program program;
  MessageTable texts;
};

TEST_F(PortEntry, ATypedCom25GivesAWholeSuccessfulRunOnThatPort) {
  TypePort(L"COM25");
  ASSERT_TRUE(WaitUntil([&] { return folder.Read(L"port.ini") == std::string("\x19", 1); }, 5000))
      << "COM25 is probed but not listed; typing reaches it";
  EXPECT_TRUE(LeftForTheNextControl());
  EXPECT_EQ(program.Text(Control::PortList), L"COM25");
  auto question = PressUpgrade();
  ASSERT_TRUE(question.has_value());
  EXPECT_EQ(question->text.rfind(ForDisplay(texts[Msg::Confirmation]) + L"\r\n\r\nCOM25\r\n", 0),
            0u);
  Program::Answer(*question, IDYES);
  auto end = program.WaitForMessageBox(60000);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ(end->text, ForDisplay(texts[Msg::End]));
  Program::Answer(*end, IDOK);
  EXPECT_TRUE(program.WaitForExit(5000));
  const std::string simLog = folder.Read(L"uploader-sim.log").value_or("");
  EXPECT_NE(simLog.find("port.ini names COM25"), std::string::npos) << simLog;
  EXPECT_NE(simLog.find("port COM25 opened"), std::string::npos) << simLog;
  EXPECT_EQ(folder.Read(L"port.ini").value_or(""), std::string("\x19", 1));
}

TEST_F(PortEntry, ATypedTextThatNamesNoPortIsRefusedWithTheNoPortMessage) {
  TypePort(L"COM3x");
  ASSERT_TRUE(LeftForTheNextControl());
  EXPECT_EQ(program.Text(Control::PortList), L"COM3x");
  auto box = PressUpgrade();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, L"Vardolin_VaZuvovev");
  EXPECT_EQ(box->text, ForDisplay(texts[Msg::NoComSelect]));
  Close(*box);
  EXPECT_TRUE(program.NoMessageBoxWithin(1000)) << "no question follows";
  EXPECT_TRUE(program.Visible(Control::UpgradeButton));
  EXPECT_FALSE(folder.Has(L"port.ini"));
  EXPECT_FALSE(folder.Has(L"memo_log.txt"));
}

TEST_F(PortEntry, APortIniHeldByAnotherProgramIsToldWithTheSystemsReason) {
  folder.Write(L"port.ini", "\x07");
  // Held with no sharing until freed below, or until the test ends if a
  // check stops it first.
  ScopedHandle held(CreateFileW((folder / L"port.ini").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  const std::wstring told = L"port.ini: " + sys.ErrorText(ERROR_SHARING_VIOLATION, L"port.ini");
  TypePort(L"COM25");
  auto box = program.WaitForMessageBox(5000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, L"Vardolin_VaZuvovev");
  EXPECT_EQ(box->text, told);
  Close(*box);
  EXPECT_TRUE(program.NoMessageBoxWithin(1000)) << "told once";
  EXPECT_EQ(Logged(kSaveFailed), 1);

  // Changed to COM26, and the list left by a real click on Upgrade: the
  // failed save of the leave is told after the click, which still starts
  // (and is refused for the same reason, told in the same box).
  ASSERT_TRUE(FocusControl(program, Control::PortList));
  PressKey(VK_END);
  PressKey(VK_BACK);
  TypeText(L"6");
  const RECT upgrade = program.ScreenRect(Control::UpgradeButton);
  Program::ClickAt((upgrade.left + upgrade.right) / 2, (upgrade.top + upgrade.bottom) / 2);
  box = program.WaitForMessageBox(5000);
  // What the log and the window say tells a lost click from a box not shown.
  ASSERT_TRUE(box.has_value()) << "failed saves logged: " << Logged(kSaveFailed) << ", list shows "
                               << program.Text(Control::PortList).size() << " characters, focus on "
                               << FocusedControl(program) << " (Upgrade "
                               << program.Handle(Control::UpgradeButton) << ")";
  EXPECT_EQ(box->text, told);
  Close(*box);
  EXPECT_TRUE(program.NoMessageBoxWithin(1000)) << "no question while the save fails";
  EXPECT_EQ(Logged(kSaveFailed), 3) << "the leave's save and the start's: the click was not lost";
  EXPECT_EQ(Logged("Fw Upgrade START"), 0);

  held.Close();
  EXPECT_EQ(folder.Read(L"port.ini").value_or(""), "\x07");
  auto question = PressUpgrade();
  ASSERT_TRUE(question.has_value());
  EXPECT_EQ(question->text.rfind(ForDisplay(texts[Msg::Confirmation]) + L"\r\n\r\nCOM26\r\n", 0),
            0u)
      << "saved now that the file is free";
  EXPECT_EQ(folder.Read(L"port.ini").value_or(""), std::string("\x1A", 1));
  Program::Answer(*question, IDNO);
  EXPECT_TRUE(program.WaitForExit(5000));
}

}  // namespace
}  // namespace vz::e2e
