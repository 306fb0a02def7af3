// The shipped message files on a Windows whose ANSI code page is not
// Western European. ctest runs this with a Polish locale (code page 1250);
// the other end-to-end tests run on code page 1252.
#include <windows.h>

#include <gtest/gtest.h>

#include "testkit/driver.h"

namespace vz::e2e {
namespace {

TEST(CodePage, ThePolishCodePageShowsTheShippedFrenchTextsRight) {
  ASSERT_EQ(GetACP(), 1250u) << "this test must run with LC_ALL=pl_PL.UTF-8 (ctest: e2e_code_page)";
  StagedFolder folder;
  Program program(folder.path());
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForWindow());
  EXPECT_EQ(program.Text(Control::TitleLabel), L"MISE \u00C0 JOUR DU FIRMWARE");

  // No port chosen: the message keeps its line break.
  program.Press(Control::UpgradeButton);
  const auto box = program.WaitForMessageBox(5000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text.rfind(L"Aucun port s\u00E9rie s\u00E9lectionn\u00E9.\r\nChoisissez", 0), 0u)
      << "shown: " << testing::PrintToString(box->text);
  EXPECT_TRUE(Program::Answer(*box, IDOK));
}

}  // namespace
}  // namespace vz::e2e
