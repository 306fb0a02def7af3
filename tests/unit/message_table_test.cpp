// The message files: line splitting, entry rules, code page, and the loader.
#include "i18n/message_table.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "i18n/language.h"

namespace vz {
namespace {

using test::FakeSystem;

constexpr wchar_t kDir[] = L"C:\\Tools\\Vz\\";

// Every key as the message files spell it, in the order of the slots.
const wchar_t* const kKeys[] = {
    L"FRM_ALL_NO_COM_SELECT", L"FRM_ALL_C_EXIT", L"FRM_FW_UPGRADE_TITLE",
    L"FRM_FW_UPGRADE_C_UPGRADE", L"FRM_FW_UPGRADE_L_COM_PORT",
    L"FRM_FW_UPGRADE_L_LINGUA", L"FRM_FW_UPGRADE_L_TITOLO",
    L"FRM_FW_UPGRADE_FILE_MISSED_MSG", L"FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG",
    L"FRM_FW_UPGRADE_ASK_OK_MSG", L"FRM_FW_UPGRADE_RESET_ECR_MSG",
    L"FRM_FW_UPGRADE_POWERON_ECR_MSG", L"FRM_FW_UPGRADE_UPDATING_MSG",
    L"FRM_FW_UPGRADE_PROGRAMMING_MSG", L"FRM_FW_UPGRADE_END_MSG",
    L"FRM_FW_UPGRADE_SAVING_MSG", L"FRM_FW_UPGRADE_FIRST_STRAT_MSG",
    L"FRM_FW_UPGRADE_ABORTED_MSG", L"FRM_FW_UPGRADE_FAILED_MSG",
    L"FRM_FW_UPGRADE_BAK_SD1_MSG", L"FRM_FW_UPGRADE_BAK_SD2_MSG",
    L"FRM_FW_UPGRADE_BAK_SD3_MSG", L"FRM_FW_UPGRADE_BAK_SD4_MSG",
    L"FRM_FW_UPGRADE_BAK_SD5_MSG", L"FRM_FW_UPGRADE_BAK_SD6_MSG",
    L"FRM_FW_UPGRADE_BAK_SD7_MSG", L"FRM_FW_UPGRADE_BAK_SD8_MSG",
    L"FRM_FW_UPGRADE_BAK_SD9_MSG", L"FRM_FW_UPGRADE_BAK_SD10_MSG",
    L"FRM_FW_UPGRADE_AVVISO1_MSG", L"FRM_FW_UPGRADE_AVVISO2_MSG",
    L"FRM_FW_UPGRADE_AVVISO3_MSG", L"FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG",
    L"FRM_FW_UPGRADE_AVVISO_MSG"};
static_assert(std::size(kKeys) == kMessageCount);

TEST(MessageTable, EachKeyFillsItsOwnSlot) {
  std::wstring text;
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    text += std::wstring(kKeys[i]) + L"=v" + std::to_wstring(i) + L"\r\n";
  }
  MessageTable t;
  ParseMessageText(text, t);
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    EXPECT_EQ(t[static_cast<Msg>(i)], L"v" + std::to_wstring(i)) << kKeys[i];
  }
}

// What one message text leaves in the slot of FRM_ALL_C_EXIT, which holds
// "old" before it.
struct LineCase {
  const wchar_t* text;
  const wchar_t* exitText;
};
class MessageLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(MessageLine, LeavesExpectedText) {
  MessageTable t;
  t.Store(L"FRM_ALL_C_EXIT", L"old");
  ParseMessageText(GetParam().text, t);
  EXPECT_EQ(t[Msg::ExitCaption], GetParam().exitText);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MessageLine,
    ::testing::Values(
        LineCase{L"FRM_ALL_C_EXIT=Exit\r\n", L"Exit"},
        LineCase{L"FRM_ALL_C_EXIT=Exit   \r\n", L"Exit"},
        LineCase{L"FRM_ALL_C_EXIT=Exit\t \r\n", L"Exit\t"},
        LineCase{L"FRM_ALL_C_EXIT =Exit\r\n", L"old"},
        LineCase{L" FRM_ALL_C_EXIT=Exit\r\n", L"old"},
        LineCase{L"FRM_ALL_C_EXIT=  Exit\r\n", L"  Exit"},
        LineCase{L"=FRM_ALL_C_EXIT=Exit\r\n", L"old"},
        LineCase{L";FRM_ALL_C_EXIT=Exit\r\n", L"old"},
        LineCase{L"[FRM_ALL_C_EXIT=Exit\r\n", L"old"},
        LineCase{L"FRM_ALL_C_EXIT Exit\r\n", L"old"},
        LineCase{L"frm_all_c_exit=Exit\r\n", L"old"},
        LineCase{L"FRM_ALL_C_EXIT=A=B\r\n", L"A=B"},
        LineCase{L"FRM_ALL_C_EXIT=\r\n", L""},
        LineCase{L"FRM_ALL_C_EXIT=   ", L""},
        LineCase{L"FRM_ALL_C_EXIT=One\u00A7Two\u00A7", L"One\rTwo\r"},
        LineCase{L"FRM_ALL_C_EXIT=A\r\nFRM_ALL_C_EXIT=B\r\n", L"B"},
        LineCase{L"FRM_ALL_C_EXIT=A\rFRM_ALL_C_EXIT=B", L"B"},
        LineCase{L"FRM_ALL_C_EXIT=A\r\r\n\r\nFRM_ALL_C_EXIT=B", L"B"},
        LineCase{L"", L"old"}));

class MessageFile : public ::testing::Test {
 protected:
  MessageFile() { g.programDir = kDir; }
  bool Load(const std::string& bytes) {
    sys.Put(std::wstring(kDir) + L"FrmDescFRA.txt", bytes);
    return LoadMessageFile(g, sys, L"FrmDescFRA.txt");
  }
  FakeSystem sys;
  Globals g;
};

TEST_F(MessageFile, LfOnlyFileIsOneLineGivingTheFirstEntryTheRest) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Exit\nFRM_FW_UPGRADE_TITLE=Title\n"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Exit\nFRM_FW_UPGRADE_TITLE=Title\n");
  EXPECT_EQ(g.messages[Msg::Title], L"");
}

TEST_F(MessageFile, DecodesTheCodePage) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Sortie \xA7" "caf\xE9 \x80" "5\r\n"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Sortie \rcaf\u00E9 \u20AC5");
}

TEST_F(MessageFile, SlotKeepsItsTextWhenALaterFileLacksTheKey) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Sortie\r\nFRM_FW_UPGRADE_TITLE=Titre\r\n"));
  ASSERT_TRUE(Load("FRM_FW_UPGRADE_TITLE=Title\r\n"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Sortie");
  EXPECT_EQ(g.messages[Msg::Title], L"Title");
}

TEST_F(MessageFile, UnopenableFileReturnsFalseAndKeepsTheTable) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Sortie\r\n"));
  sys.Put(std::wstring(kDir) + L"FrmDescEng.txt", "FRM_ALL_C_EXIT=Exit\r\n");
  sys.File(std::wstring(kDir) + L"FrmDescEng.txt").busyOpens = -1;

  EXPECT_FALSE(LoadMessageFile(g, sys, L"FrmDescEng.txt"));  // busy
  EXPECT_FALSE(LoadMessageFile(g, sys, L"FrmDescSve.txt"));  // missing
  EXPECT_FALSE(LoadMessageFile(g, sys, L""));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Sortie");
}

TEST_F(MessageFile, GarbageDoesNotStopTheValidLines) {
  using namespace std::string_literals;
  std::string bytes = "\0\0\xFF\x81=\x9D\r\n"s;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 131 + 7) % 256);
  bytes += "\r\nFRM_ALL_C_EXIT=Ex\0it\r\nFRM_FW_UPGRADE_TITLE=T\r\n\0"s;
  ASSERT_TRUE(Load(bytes));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Ex\0it"s);
  EXPECT_EQ(g.messages[Msg::Title], L"T");
}

}  // namespace
}  // namespace vz
