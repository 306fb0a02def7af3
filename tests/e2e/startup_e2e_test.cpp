// The shipped program, started from a staged folder and driven from outside.
#include <gtest/gtest.h>

#include <cstdio>

#include "messages/message_table.h"
#include "testkit/driver.h"
#include "testkit/release.h"

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
  const std::wstring caption = french[Msg::Title] + test::kTitleRelease;
  EXPECT_EQ(FindWindowW(nullptr, caption.c_str()), program.window());
  EXPECT_EQ(program.Text(Control::ExitButton), french[Msg::ExitCaption]);
  EXPECT_EQ(folder.Read(L"Language.ini").value_or(""), "FRANCAISE\r\n");
  EXPECT_EQ(program.Items(Control::PortList),
            (std::vector<std::wstring>{L"COM1", L"COM3", L"COM12", L"COM25"}))
      << "every port that opens, above COM20 too";

  program.Press(Control::ExitButton);
  ASSERT_TRUE(program.WaitForExit(5000));
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_FALSE(folder.Has(L"memo_log.txt")) << "leaving logs nothing";
}

// An English program whose message file is gone speaks English all the
// same, and asks a question the technician can read before anything runs.
TEST(Startup, AnEnglishWindowWithoutItsMessageFileShowsItsOwnEnglishTexts) {
  StagedFolder folder;
  const MessageTable english = folder.Texts(L"FrmDescEng.txt");
  folder.Remove(L"FrmDescEng.txt");
  folder.Write(L"Language.ini", "ENGLISH\r\n");
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  EXPECT_EQ(program.Text(Control::Window), english[Msg::Title] + test::kTitleRelease);
  EXPECT_EQ(
      folder.Read(L"memo_log.txt").value_or("").find("Language: FrmDescEng.txt : not read, 2 "),
      18u)
      << "after the time stamp";

  program.Choose(Control::PortList, L"COM3");
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  ASSERT_TRUE(question.has_value());
  EXPECT_FALSE(english[Msg::Confirmation].empty());
  EXPECT_EQ(question->text.rfind(ForDisplay(english[Msg::Confirmation]) + L"\r\n\r\nCOM3\r\n", 0),
            0u)
      << "the question, then the port it names";
  ASSERT_TRUE(Program::Answer(*question, IDNO));
  EXPECT_TRUE(program.WaitForExit(5000)) << "No ends the program; nothing was started";
}

TEST(Startup, TheCloseBoxEndsTheProgram) {
  StagedFolder folder;
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  PostMessageW(program.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(program.WaitForExit(5000));
}

TEST(LanguageSwitch, TheLastEntrySwedishIsShownAtOnceAndKeptForTheNextStart) {
  StagedFolder folder;
  const MessageTable swedish = folder.Texts(L"FrmDescSve.txt");
  {
    Program program(folder.path());
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitForWindow());
    ASSERT_TRUE(program.ChooseWithMouse(Control::LanguageList, L"SWEDEN"));
    // The whole switch: the setting saved and every caption in Swedish.
    const auto switched = [&] {
      return folder.Read(L"Language.ini") == std::string("SWEDEN\r\n") &&
             program.Text(Control::ExitButton) == swedish[Msg::ExitCaption] &&
             program.Text(Control::Window) == swedish[Msg::Title] + test::kTitleRelease &&
             program.Text(Control::PortLabel) == swedish[Msg::ComPortLabel];
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
  EXPECT_EQ(again.Text(Control::LanguageList), L"SWEDEN");
  EXPECT_EQ(again.Text(Control::UpgradeButton), swedish[Msg::UpgradeCaption]);
}

// The language the program runs in when Language.ini is held: French, the
// list's first entry, or Italian, its third: the refused choice puts that
// entry back.
struct HeldIniCase {
  const char* setting;
  const wchar_t* language;
  const wchar_t* messageFile;
  LRESULT entry;
};
class HeldLanguageIni : public ::testing::TestWithParam<HeldIniCase> {};

TEST_P(HeldLanguageIni, IsToldAndTheWindowStaysAsItWas) {
  StagedFolder folder;
  if (GetParam().setting) folder.Write(L"Language.ini", GetParam().setting);
  const MessageTable texts = folder.Texts(GetParam().messageFile);
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  const std::optional<std::string> before = folder.Read(L"Language.ini");
  ASSERT_TRUE(before.has_value());
  // Held with no sharing by this test, another program to the one tested.
  ScopedHandle held(CreateFileW((folder / L"Language.ini").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.valid());
  ASSERT_TRUE(program.ChooseWithMouse(Control::LanguageList, L"ENGLISH"));
  auto box = program.WaitForMessageBox(5000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text.rfind(L"Language.ini: ", 0), 0u) << "names the file and the reason";
  ASSERT_TRUE(Program::Answer(*box, IDOK));
  EXPECT_EQ(program.Text(Control::LanguageList), GetParam().language);
  EXPECT_EQ(SendMessageW(program.Handle(Control::LanguageList), CB_GETCURSEL, 0, 0),
            GetParam().entry);
  EXPECT_EQ(program.Text(Control::Window), texts[Msg::Title] + test::kTitleRelease);
  EXPECT_EQ(program.Text(Control::ExitButton), texts[Msg::ExitCaption]);
  EXPECT_TRUE(program.NoMessageBoxWithin(500)) << "told once";
  held.Close();
  EXPECT_EQ(folder.Read(L"Language.ini"), before);
  EXPECT_FALSE(folder.Has(L"Language.ini.new"));
}

INSTANTIATE_TEST_SUITE_P(Languages, HeldLanguageIni,
                         ::testing::Values(HeldIniCase{nullptr, L"FRANCAISE", L"FrmDescFRA.txt", 0},
                                           HeldIniCase{"ITALIANO\r\n", L"ITALIANO",
                                                       L"FrmDescITA.txt", 2}));

}  // namespace
}  // namespace vz::e2e
