// The window by the keyboard alone: the focus where a dialog puts it when
// the window appears, back where it was after a message box, and an
// upgrade started with Down, Tab, Space and Enter.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "messages/message_table.h"
#include "platform/win32_system.h"
#include "testkit/driver.h"

namespace vz::e2e {
namespace {

class Keyboard : public ::testing::Test {
 protected:
  Keyboard() : program(folder.path()) {}

  void SetUp() override {
    texts = folder.Texts(L"FrmDescFRA.txt");
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
  }

  // The control that takes the keys: a combo box's text field for a combo.
  HWND KeyTarget(Control c) const {
    HWND h = program.Handle(c);
    if (HWND field = FindWindowExW(h, nullptr, L"Edit", nullptr)) return field;
    return h;
  }
  bool FocusComesTo(Control c) {
    return WaitUntil([&] { return FocusedControl(program) == KeyTarget(c); }, 5000);
  }
  // Key strokes go to the window in front. (A local helper: the driver's
  // FocusControl clicks into a control, which would move the focus itself.)
  bool InFront() {
    return WaitUntil(
        [&] {
          if (GetForegroundWindow() != program.window()) SetForegroundWindow(program.window());
          return GetForegroundWindow() == program.window();
        },
        5000);
  }
  // Presses a key and waits until the focus has moved to `c`.
  bool KeyMovesFocusTo(WORD key, Control c) {
    PressKey(key);
    return FocusComesTo(c);
  }

  Win32System sys;
  StagedFolder folder;
  Program program;
  MessageTable texts;
};

TEST_F(Keyboard, TheWindowAppearsWithTheFocusInThePortList) {
  EXPECT_TRUE(FocusComesTo(Control::PortList))
      << "focus on " << FocusedControl(program) << ", the window is " << program.window();
}

TEST_F(Keyboard, TabOutOfTheUntouchedPortListSavesNothingAndTellsNothing) {
  ASSERT_TRUE(FocusComesTo(Control::PortList));
  ASSERT_TRUE(InFront());
  EXPECT_TRUE(KeyMovesFocusTo(VK_TAB, Control::ExitButton)) << "the first Tab is not lost";
  EXPECT_TRUE(program.NoMessageBoxWithin(1000));
  EXPECT_FALSE(folder.Has(L"port.ini"));
  EXPECT_EQ(program.Text(Control::PortList), L"");
}

TEST_F(Keyboard, DownInThePortListPicksTheFirstPortAndSavesIt) {
  const std::vector<std::wstring> ports = program.Items(Control::PortList);
  ASSERT_FALSE(ports.empty());
  const std::string byte(1, static_cast<char>(std::stoi(ports[0].substr(3))));
  ASSERT_TRUE(FocusComesTo(Control::PortList));
  ASSERT_TRUE(InFront());
  PressKey(VK_DOWN);
  EXPECT_TRUE(WaitUntil([&] { return folder.Read(L"port.ini") == byte; }, 5000))
      << "port.ini holds " << folder.Read(L"port.ini").value_or("nothing");
  EXPECT_EQ(program.Text(Control::PortList), ports[0]);
  // Leaving the list with what was picked saves and tells nothing more.
  EXPECT_TRUE(KeyMovesFocusTo(VK_TAB, Control::ExitButton));
  EXPECT_TRUE(program.NoMessageBoxWithin(1000));
}

TEST_F(Keyboard, AfterAMessageBoxTheFocusIsBackOnTheControlThatHadIt) {
  ASSERT_TRUE(FocusComesTo(Control::PortList));
  ASSERT_TRUE(InFront());
  ASSERT_TRUE(KeyMovesFocusTo(VK_TAB, Control::ExitButton));
  ASSERT_TRUE(KeyMovesFocusTo(VK_TAB, Control::UpgradeButton));
  PressKey(VK_SPACE);  // no port chosen: the box says so
  auto box = program.WaitForMessageBox(5000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, ForDisplay(texts[Msg::NoComSelect]));
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box->hwnd); }, 5000)) << "Enter closes the box";
  EXPECT_TRUE(FocusComesTo(Control::UpgradeButton));

  // The keys go on from there, and nothing was saved on the way.
  EXPECT_TRUE(KeyMovesFocusTo(VK_TAB, Control::LanguageList));
  EXPECT_TRUE(KeyMovesFocusTo(VK_TAB, Control::PortList));
  EXPECT_TRUE(KeyMovesFocusTo(VK_TAB, Control::ExitButton));
  EXPECT_TRUE(program.NoMessageBoxWithin(1000));
  EXPECT_FALSE(folder.Has(L"port.ini"));
}

TEST_F(Keyboard, DownTabSpaceAndEnterStartAnUpgradeOnThePickedPort) {
  const std::vector<std::wstring> ports = program.Items(Control::PortList);
  ASSERT_GE(ports.size(), 2u);
  ASSERT_TRUE(FocusComesTo(Control::PortList));
  ASSERT_TRUE(InFront());
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);  // COM1 is no terminal: the second port, COM3
  ASSERT_TRUE(WaitUntil([&] { return program.Text(Control::PortList) == ports[1]; }, 5000));
  ASSERT_TRUE(KeyMovesFocusTo(VK_TAB, Control::ExitButton));
  ASSERT_TRUE(KeyMovesFocusTo(VK_TAB, Control::UpgradeButton));
  PressKey(VK_SPACE);
  auto question = program.WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  EXPECT_EQ(question->text.rfind(ForDisplay(texts[Msg::Confirmation]) + L"\r\n\r\n" + ports[1], 0),
            0u);
  PressKey(VK_RETURN);  // Yes
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question->hwnd); }, 5000));
  // The run has started on the port picked with the keys; the rest of a
  // run is the same whatever started it.
  const std::string opened = "port " + sys.ToAnsi(ports[1]) + " opened";
  EXPECT_TRUE(WaitUntil(
      [&] {
        return folder.Read(L"uploader-sim.log").value_or("").find(opened) != std::string::npos;
      },
      30000))
      << folder.Read(L"uploader-sim.log").value_or("no uploader log");
}

}  // namespace
}  // namespace vz::e2e
