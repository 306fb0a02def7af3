// The language setting in Language.ini, the files chosen for a language, and
// switching the language while the program runs.
#include "i18n/language.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "i18n/language_switch.h"

namespace vz {
namespace {

using test::FakeSystem;
using test::FakeWindow;

constexpr wchar_t kDir[] = L"C:\\Tools\\Vz\\";
const std::wstring kIni = std::wstring(kDir) + L"Language.ini";

class LanguageSetting : public ::testing::Test {
 protected:
  LanguageSetting() { g.programDir = kDir; }
  FakeSystem sys;
  FakeWindow w;
  Globals g;
};

TEST_F(LanguageSetting, MissingFileIsCreatedInFrenchThenPumpedAndPaused) {
  g.currentLanguage = L"ENGLISH";
  w.onPump = [&] { EXPECT_TRUE(sys.pauses.empty()) << "pump comes first"; };
  ReadLanguageSetting(g, sys, &w);
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\n");
  EXPECT_EQ(w.pumps, 1);
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{100});
}

TEST_F(LanguageSetting, HiddenFileCountsAsMissing) {
  sys.Put(kIni, "ENGLISH\r\n");
  sys.File(kIni).hidden = true;
  ReadLanguageSetting(g, sys, nullptr);
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\n");
}

struct IniCase {
  const char* bytes;
  const wchar_t* language;  // SWEDEN beforehand
};
class LanguageIni : public LanguageSetting,
                    public ::testing::WithParamInterface<IniCase> {};

TEST_P(LanguageIni, FirstLineIsTakenUnchanged) {
  g.currentLanguage = L"SWEDEN";
  sys.Put(kIni, GetParam().bytes);
  ReadLanguageSetting(g, sys, &w);
  EXPECT_EQ(g.currentLanguage, GetParam().language);
  EXPECT_EQ(sys.Bytes(kIni), GetParam().bytes);  // never rewritten
  EXPECT_TRUE(sys.pauses.empty());
  EXPECT_EQ(w.pumps, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LanguageIni,
    ::testing::Values(IniCase{"ENGLISH\r\nITALIANO\r\n", L"ENGLISH"},
                      IniCase{"ENGLISH \r\n", L"ENGLISH "},
                      IniCase{"ITALIANO", L"ITALIANO"},
                      IniCase{"english\rFRANCAISE", L"english"},
                      IniCase{"\r\nENGLISH\r\n", L""},
                      IniCase{"", L"SWEDEN"}));

struct SelectCase {
  const wchar_t* language;
  const wchar_t* messageFile;
  const wchar_t* flag;
};
class SelectFiles : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectFiles, KnownNamesOnlyExactly) {
  Globals g;
  g.messageFileName = L"before.txt";
  g.flagImageName = L"before.gif";
  g.currentLanguage = GetParam().language;
  SelectLanguageFiles(g);
  EXPECT_EQ(g.messageFileName, GetParam().messageFile);
  EXPECT_EQ(g.flagImageName, GetParam().flag);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectFiles,
    ::testing::Values(
        SelectCase{L"ENGLISH", L"FrmDescEng.txt", L"UK.gif"},
        SelectCase{L"SWEDEN", L"FrmDescSve.txt", L"Sweden.gif"},
        SelectCase{L"FRANCAISE", L"FrmDescFRA.txt", L"France.gif"},
        SelectCase{L"ITALIANO", L"FrmDescITA.txt", L"Italia.gif"},
        SelectCase{L"English", L"before.txt", L"before.gif"},
        SelectCase{L"ENGLISH ", L"before.txt", L"before.gif"},
        SelectCase{L" ITALIANO", L"before.txt", L"before.gif"},
        SelectCase{L"", L"before.txt", L"before.gif"}));

// A program running in French, with the English message file lacking the
// exit button's text.
class LanguageSwitch : public LanguageSetting {
 protected:
  LanguageSwitch() {
    sys.Put(kIni, "FRANCAISE\r\n");
    sys.Put(std::wstring(kDir) + L"FrmDescFRA.txt",
            "FRM_ALL_C_EXIT=Sortie\r\nFRM_FW_UPGRADE_TITLE=Mise \xE0 jour\r\n"
            "FRM_FW_UPGRADE_C_UPGRADE=Lancer\r\nFRM_FW_UPGRADE_L_TITOLO=MAJ\r\n"
            "FRM_FW_UPGRADE_L_COM_PORT=Port:\r\nFRM_FW_UPGRADE_L_LINGUA=Langue:\r\n");
    sys.Put(std::wstring(kDir) + L"FrmDescEng.txt",
            "FRM_FW_UPGRADE_TITLE=Update\r\nFRM_FW_UPGRADE_C_UPGRADE=Start\r\n"
            "FRM_FW_UPGRADE_L_TITOLO=FW\r\nFRM_FW_UPGRADE_L_COM_PORT=Port:\r\n"
            "FRM_FW_UPGRADE_L_LINGUA=Language:\r\n");
    w.loadablePictures = {std::wstring(kDir) + L"UK.gif",
                          std::wstring(kDir) + L"France.gif"};
    ReadLanguageSetting(g, sys, nullptr);
    SelectLanguageFiles(g);
    EXPECT_TRUE(LoadMessageFile(g, sys, g.messageFileName));
  }
  void Choose(const wchar_t* language) {
    w.texts[Control::SelezioneLingua] = language;
    OnLanguageChoice(g, sys, w);
  }
};

TEST_F(LanguageSwitch, SameLanguageDoesNothing) {
  sys.Put(kIni, "FRANCAISE\r\nkept");
  Choose(L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\nkept");
  EXPECT_TRUE(w.calls.empty());
  EXPECT_TRUE(sys.pauses.empty());
}

TEST_F(LanguageSwitch, ToEnglishSavesReloadsAndRecaptions) {
  int pumpsBeforePause = -1;
  w.onPump = [&] {
    if (pumpsBeforePause < 0) pumpsBeforePause = static_cast<int>(sys.pauses.size());
  };
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");
  EXPECT_EQ(g.currentLanguage, L"ENGLISH");
  EXPECT_EQ(g.messageFileName, L"FrmDescEng.txt");
  EXPECT_EQ(w.pictures[Control::I_lingua], std::wstring(kDir) + L"UK.gif");
  EXPECT_EQ(w.texts[Control::C_Exit], L"Sortie");  // missing in English
  EXPECT_EQ(w.texts[Control::Form], L"Update  (Rel.2.2)");
  EXPECT_EQ(w.texts[Control::C_Upgrade0], L"Start");
  EXPECT_EQ(w.texts[Control::L_Titolo], L"FW");
  EXPECT_EQ(w.texts[Control::L_ComPort], L"Port:");
  EXPECT_EQ(w.texts[Control::L_Lingua], L"Language:");
  EXPECT_EQ(w.Count("text C_Upgrade1"), 0);
  EXPECT_EQ(w.pumps, 2);
  EXPECT_EQ(pumpsBeforePause, 0);
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{100});
  ASSERT_GE(w.calls.size(), 2u);
  EXPECT_EQ(w.calls[w.calls.size() - 2], "repaint Form");
  EXPECT_EQ(w.calls.back(), "pump");
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(LanguageSwitch, DoubleClickSwitchesOnce) {
  Choose(L"ENGLISH");
  const std::size_t callsAfterFirst = w.calls.size();
  sys.Put(kIni, "ENGLISH\r\nsecond run would rewrite this");
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\nsecond run would rewrite this");
  EXPECT_EQ(w.calls.size(), callsAfterFirst);
}

TEST_F(LanguageSwitch, ReadOnlyIniKeepsThePreviousLanguage) {
  sys.File(kIni).readOnly = true;
  Choose(L"ENGLISH");
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(g.messageFileName, L"FrmDescFRA.txt");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\n");
  EXPECT_EQ(w.texts[Control::SelezioneLingua], L"FRANCAISE");
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].kind, MessageKind::Error);
  EXPECT_EQ(w.Count("picture"), 0);
  EXPECT_EQ(w.Count("text C_Exit"), 0);
  EXPECT_EQ(g.messages[Msg::Title], L"Mise \u00E0 jour");
}

}  // namespace
}  // namespace vz
