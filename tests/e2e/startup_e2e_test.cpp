// The shipped program, started from a staged folder and driven from outside.
#include <gtest/gtest.h>

#include <cstdio>

#include "driver.h"
#include "messages/message_table.h"

namespace vz::e2e {
namespace {

TEST(Startup, WindowIsFoundByItsCaptionAndTheExitButtonEndsTheProgram) {
  StagedFolder folder;
  Program program(folder.path());
  const DWORD start = GetTickCount();
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  std::printf("window shown %lu ms after launch\n", GetTickCount() - start);

  const MessageTable french = folder.Texts(L"FrmDescFRA.txt");
  const std::wstring caption = french[Msg::Title] + L"  (Rel.2.2)";
  EXPECT_EQ(FindWindowW(nullptr, caption.c_str()), program.window());
  EXPECT_EQ(program.Text(Control::ExitButton), french[Msg::ExitCaption]);
  EXPECT_EQ(folder.Read(L"Language.ini").value_or(""), "FRANCAISE\r\n");
  EXPECT_EQ(program.Items(Control::PortList),
            (std::vector<std::wstring>{L"COM1", L"COM3", L"COM12"}));

  program.Press(Control::ExitButton);
  ASSERT_TRUE(program.WaitForExit(5000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_FALSE(folder.Has(L"memo_log.txt")) << "leaving logs nothing";
}

TEST(Startup, TheCloseBoxEndsTheProgram) {
  StagedFolder folder;
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  PostMessageW(program.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(program.WaitForExit(5000));
}

TEST(PortChoice, ARealClickOnCom3WritesTheByteForTheUploader) {
  StagedFolder folder;
  const std::string model = folder.Read(L"model.ini").value_or("");
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  ASSERT_TRUE(program.ChooseWithMouse(Control::PortList, L"COM3"));
  EXPECT_TRUE(WaitUntil([&] { return folder.Read(L"port.ini") == std::string("\x03", 1); }, 5000))
      << "port.ini: " << folder.Read(L"port.ini").value_or("<missing>").size() << " bytes";
  EXPECT_EQ(program.Text(Control::PortList), L"COM3");
  EXPECT_EQ(folder.Read(L"model.ini").value_or(""), model) << "copied onto itself intact";
}

TEST(LanguageSwitch, EnglishIsShownAtOnceAndKeptForTheNextStart) {
  StagedFolder folder;
  const MessageTable english = folder.Texts(L"FrmDescEng.txt");
  {
    Program program(folder.path());
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
    ASSERT_TRUE(program.ChooseWithMouse(Control::LanguageList, L"ENGLISH"));
    // The whole switch: the setting saved and every caption in English.
    const auto switched = [&] {
      return folder.Read(L"Language.ini") == std::string("ENGLISH\r\n") &&
             program.Text(Control::ExitButton) == english[Msg::ExitCaption] &&
             program.Text(Control::Window) == english[Msg::Title] + L"  (Rel.2.2)" &&
             program.Text(Control::PortLabel) == english[Msg::ComPortLabel];
    };
    EXPECT_TRUE(WaitUntil(switched, 5000))
        << "Language.ini: " << folder.Read(L"Language.ini").value_or("<missing>");
    EXPECT_EQ(program.Text(Control::InteractiveUpgradeButton), L"Upgrade Interattivo");
    program.Press(Control::ExitButton);
    ASSERT_TRUE(program.WaitForExit(5000));
  }
  Program again(folder.path());
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(again.WaitForWindow());
  EXPECT_EQ(again.Text(Control::LanguageList), L"ENGLISH");
  EXPECT_EQ(again.Text(Control::UpgradeButton), english[Msg::UpgradeCaption]);
}

}  // namespace
}  // namespace vz::e2e
