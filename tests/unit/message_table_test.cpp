// Localisation: the message files and their loader, the language setting in
// Language.ini, and switching the language while the program runs.
#include "messages/message_table.h"

#include <gtest/gtest.h>

#include "testkit/fakes.h"
#include "testkit/release.h"
#include "i18n/language.h"
#include "i18n/language_switch.h"

namespace vz {
namespace {

using namespace std::string_literals;
using test::InDir;
const std::wstring kIni = InDir(L"Language.ini");

// What a text leaves in the slot of FRM_ALL_C_EXIT, which held "old".
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
        LineCase{L"FRM_ALL_C_EXIT=Exit   \r\n", L"Exit"},
        LineCase{L"FRM_ALL_C_EXIT=Exit\t \r\n", L"Exit\t"},
        LineCase{L"FRM_ALL_C_EXIT =Exit\r\n", L"old"}, LineCase{L" FRM_ALL_C_EXIT=Exit", L"old"},
        LineCase{L"FRM_ALL_C_EXIT=  Exit", L"  Exit"}, LineCase{L"=FRM_ALL_C_EXIT=Exit", L"old"},
        LineCase{L";FRM_ALL_C_EXIT=Exit", L"old"}, LineCase{L"[FRM_ALL_C_EXIT=Exit", L"old"},
        LineCase{L"FRM_ALL_C_EXIT Exit", L"old"}, LineCase{L"frm_all_c_exit=Exit", L"old"},
        LineCase{L"FRM_ALL_C_EXIT=A=B", L"A=B"}, LineCase{L"FRM_ALL_C_EXIT=\r\n", L""},
        LineCase{L"FRM_ALL_C_EXIT=   ", L""}, LineCase{L"", L"old"},
        LineCase{L"FRM_ALL_C_EXIT=One\u00A7Two\u00A7", L"One\rTwo\r"},
        LineCase{L"FRM_ALL_C_EXIT=A\r\nFRM_ALL_C_EXIT=B\r\n", L"B"},
        LineCase{L"FRM_ALL_C_EXIT=A\rFRM_ALL_C_EXIT=B", L"B"},
        LineCase{L"FRM_ALL_C_EXIT=A\r\r\n\r\nFRM_ALL_C_EXIT=B", L"B"}));

class Localisation : public ::testing::Test {
 protected:
  Localisation() { g.programDir = test::kDir; }
  bool Load(const std::string& bytes) {
    sys.Put(InDir(L"FrmDescFRA.txt"), bytes);
    return LoadMessageFile(g, sys, L"FrmDescFRA.txt");
  }
  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
};

// Files written on other systems: every kind of line end, and a mix.
TEST_F(Localisation, LfCrAndCrLfEachEndALine) {
  for (const std::string& text :
       {"; c\n[FrmDownload]\nFRM_ALL_C_EXIT=Exit\nFRM_FW_UPGRADE_TITLE=Title\n"s,
        "; c\r[FrmDownload]\rFRM_ALL_C_EXIT=Exit\rFRM_FW_UPGRADE_TITLE=Title\r"s,
        "; c\r\n[FrmDownload]\r\nFRM_ALL_C_EXIT=Exit\r\nFRM_FW_UPGRADE_TITLE=Title"s,
        "; c\r\n[FrmDownload]\nFRM_ALL_C_EXIT=Exit\n\rFRM_FW_UPGRADE_TITLE=Title\r\n"s}) {
    SCOPED_TRACE(text);
    g.messages = {};
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(g.messages[Msg::ExitCaption], L"Exit");
    EXPECT_EQ(g.messages[Msg::Title], L"Title");
  }
}

TEST_F(Localisation, DecodesTheCodePage) {
  ASSERT_TRUE(
      Load("FRM_ALL_C_EXIT=Sortie \xA7"
           "caf\xE9 \x80"
           "5\r\n"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Sortie \rcaf\u00E9 \u20AC5");
}

TEST_F(Localisation, SlotKeepsItsTextWhenALaterFileLacksTheKey) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Sortie\r\nFRM_FW_UPGRADE_TITLE=Titre\r\n"));
  ASSERT_TRUE(Load("FRM_FW_UPGRADE_TITLE=Title\r\n"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Sortie");
  EXPECT_EQ(g.messages[Msg::Title], L"Title");
}

TEST_F(Localisation, TheProgramCarriesEveryTextOfEachShippedFile) {
  for (const wchar_t* file :
       {L"FrmDescFRA.txt", L"FrmDescEng.txt", L"FrmDescITA.txt", L"FrmDescSve.txt"}) {
    const MessageTable* texts = BuiltInMessages(file);
    ASSERT_NE(texts, nullptr);
    for (std::size_t i = 0; i < kMessageCount; ++i) {
      const std::wstring& text = (*texts)[static_cast<Msg>(i)];
      EXPECT_FALSE(text.empty()) << test::Narrow(std::wstring(MessageKey(static_cast<Msg>(i))));
      EXPECT_EQ(text.find(L'\u00A7'), std::wstring::npos) << "a line break, as read";
    }
  }
  EXPECT_EQ((*BuiltInMessages(L"FrmDescEng.txt"))[Msg::ExitCaption], L"EXIT");
  EXPECT_EQ(BuiltInMessages(L"FrmDescDeu.txt"), nullptr);
}

// Read at start-up or at a switch: a file held by another program or gone
// gives its language's own texts in every slot, and says so in the log.
TEST_F(Localisation, AFileThatCannotBeReadGivesEveryBuiltInTextOfItsLanguage) {
  ASSERT_TRUE(Load("FRM_ALL_C_EXIT=Sortie\r\nFRM_FW_UPGRADE_TITLE=\r\n"));
  sys.Put(InDir(L"FrmDescEng.txt"), "FRM_ALL_C_EXIT=Exit\r\n");
  sys.File(InDir(L"FrmDescEng.txt")).busyOpens = -1;
  EXPECT_FALSE(LoadMessageFile(g, sys, L"FrmDescEng.txt"));
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const Msg m = static_cast<Msg>(i);
    EXPECT_EQ(g.messages[m], (*BuiltInMessages(L"FrmDescEng.txt"))[m]);
  }
  EXPECT_FALSE(LoadMessageFile(g, sys, L"FrmDescSve.txt"));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"AVSLUTA");
  EXPECT_FALSE(LoadMessageFile(g, sys, L""));
  EXPECT_EQ(test::LogTexts(sys),
            (std::vector<std::string>{"Language: FrmDescEng.txt : not read, 32 Sharing violation.",
                                      "Language: FrmDescSve.txt : not read, 2 Error 2."}));
}

// A site's own file wins wherever it names a key, even with an empty text;
// a key it lacks shows the program's own text and is not logged.
TEST_F(Localisation, AKeyTheFileLacksGetsTheBuiltInTextOneItNamesKeepsTheFiles) {
  ASSERT_TRUE(Load("FRM_FW_UPGRADE_TITLE=Mon titre\r\nFRM_ALL_C_EXIT=\r\n"));
  EXPECT_EQ(g.messages[Msg::Title], L"Mon titre");
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"");
  const std::wstring question = g.messages[Msg::Confirmation];
  EXPECT_EQ(question, (*BuiltInMessages(L"FrmDescFRA.txt"))[Msg::Confirmation]);
  EXPECT_NE(question.find(L"continuer ?"), std::wstring::npos);
  EXPECT_FALSE(sys.Has(InDir(L"memo_log.txt")));
}

TEST_F(Localisation, GarbageDoesNotStopTheValidLines) {
  std::string bytes = "\0\0\xFF\x81=\x9D\r\n"s;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 131 + 7) % 256);
  bytes += "\r\nFRM_ALL_C_EXIT=Ex\0it\r\nFRM_FW_UPGRADE_TITLE=T\r\n\0"s;
  ASSERT_TRUE(Load(bytes));
  EXPECT_EQ(g.messages[Msg::ExitCaption], L"Ex\0it"s);
  EXPECT_EQ(g.messages[Msg::Title], L"T");
}

struct IniCase {
  const char* bytes;        // nullptr: no Language.ini
  const wchar_t* language;  // SWEDEN beforehand
};
class LanguageIni : public Localisation, public ::testing::WithParamInterface<IniCase> {};

TEST_P(LanguageIni, NamesAKnownLanguageLenientlyOrGivesFrenchAndIsLeftAsItIs) {
  if (GetParam().bytes) sys.Put(kIni, GetParam().bytes);
  g.currentLanguage = L"SWEDEN";
  ReadLanguageSetting(g, sys);
  EXPECT_EQ(g.currentLanguage, GetParam().language);
  EXPECT_EQ(sys.Bytes(kIni), GetParam().bytes ? GetParam().bytes : "FRANCAISE\r\n");
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>(GetParam().bytes ? 0 : 1, 100));
  EXPECT_EQ(sys.Paths(), std::vector<std::wstring>{kIni});
}

INSTANTIATE_TEST_SUITE_P(
    Files, LanguageIni,
    ::testing::Values(
        IniCase{nullptr, L"FRANCAISE"}, IniCase{"ENGLISH\r\nITALIANO\r\n", L"ENGLISH"},
        IniCase{"ENGLISH \r\n", L"ENGLISH"}, IniCase{"ITALIANO", L"ITALIANO"},
        IniCase{"english\rFRANCAISE", L"ENGLISH"}, IniCase{" \tSweden\t \r\n", L"SWEDEN"},
        IniCase{"francaise\n", L"FRANCAISE"},  // LF alone ends a line too
        IniCase{"Italiano\n\n", L"ITALIANO"}, IniCase{"ENGLISH\nSWEDEN\n", L"ENGLISH"},
        IniCase{"\r\nENGLISH\r\n", L"FRANCAISE"}, IniCase{"", L"FRANCAISE"},
        IniCase{"DEUTSCH\r\n", L"FRANCAISE"}, IniCase{"ENG LISH\r\n", L"FRANCAISE"},
        IniCase{"\x81\xFF\x00\x9D\xE9\r\n", L"FRANCAISE"},
        IniCase{"\xEF\xBB\xBF english\r\n", L"ENGLISH"}));  // UTF-8 mark

TEST_F(Localisation, LanguageIniThatCannotBeReadGivesFrenchAndAHiddenOneIsRead) {
  sys.Put(kIni, "ENGLISH\r\n");
  sys.File(kIni).busyOpens = -1;
  g.currentLanguage = L"SWEDEN";
  ReadLanguageSetting(g, sys);
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");

  // A hidden file is a setting like any other: read, kept, and still
  // hidden once the technician picks another language.
  sys.File(kIni) = {};
  sys.Put(kIni, "ENGLISH\r\n");
  sys.File(kIni).hidden = true;
  ReadLanguageSetting(g, sys);
  EXPECT_EQ(g.currentLanguage, L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");
  ASSERT_TRUE(WriteLanguageSetting(g, sys, L"ITALIANO").ok);
  EXPECT_EQ(sys.Bytes(kIni), "ITALIANO\r\n");
  EXPECT_TRUE(sys.File(kIni).hidden);
}

struct SelectCase {
  const wchar_t* language;
  const wchar_t* messageFile;
  const wchar_t* flag;
};
class SelectFiles : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectFiles, KnownNamesOnlyExactly) {
  Globals g;
  g.messageFileName = g.flagImageName = L"-";  // kept when nothing is selected
  g.currentLanguage = GetParam().language;
  SelectLanguageFiles(g);
  EXPECT_EQ(g.messageFileName, GetParam().messageFile);
  EXPECT_EQ(g.flagImageName, GetParam().flag);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectFiles,
    ::testing::Values(SelectCase{L"ENGLISH", L"FrmDescEng.txt", L"UK.gif"},
                      SelectCase{L"SWEDEN", L"FrmDescSve.txt", L"Sweden.gif"},
                      SelectCase{L"FRANCAISE", L"FrmDescFRA.txt", L"France.gif"},
                      SelectCase{L"ITALIANO", L"FrmDescITA.txt", L"Italia.gif"},
                      SelectCase{L"English", L"-", L"-"}, SelectCase{L"ENGLISH ", L"-", L"-"},
                      SelectCase{L"", L"-", L"-"}));

// A program running in French; the English file lacks the exit caption.
class LanguageSwitch : public Localisation {
 protected:
  LanguageSwitch() {
    sys.Put(kIni, "FRANCAISE\r\n");
    Load("FRM_ALL_C_EXIT=Sortie\r\nFRM_FW_UPGRADE_TITLE=Mise \xE0 jour");
    sys.Put(InDir(L"FrmDescEng.txt"),
            "FRM_FW_UPGRADE_TITLE=Update\r\nFRM_FW_UPGRADE_C_UPGRADE=Start\r\n"
            "FRM_FW_UPGRADE_L_TITOLO=FW\r\nFRM_FW_UPGRADE_L_COM_PORT=Port:\r\n"
            "FRM_FW_UPGRADE_L_LINGUA=Language:\r\n");
    w.loadablePictures = {InDir(L"UK.gif"), InDir(L"France.gif")};
    ReadLanguageSetting(g, sys);
    SelectLanguageFiles(g);
  }
  void Choose(const wchar_t* language) {
    w.languageText = language;
    OnLanguageChoice(g, sys, w);
  }
};

TEST_F(LanguageSwitch, SameLanguageDoesNothing) {
  sys.Put(kIni, "FRANCAISE\r\nkept");
  Choose(L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\nkept");
  EXPECT_TRUE(w.captions.title.empty()) << "not captioned again";
  EXPECT_TRUE(sys.pauses.empty());
}

TEST_F(LanguageSwitch, ToEnglishSavesReloadsAndRecaptions) {
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");
  EXPECT_EQ(g.currentLanguage, L"ENGLISH");
  EXPECT_EQ(w.flag, InDir(L"UK.gif"));
  EXPECT_EQ(w.captions.exit, L"Sortie");  // missing in English
  EXPECT_EQ(w.captions.title, std::wstring(L"Update") + test::kTitleRelease);
  EXPECT_EQ(w.captions.upgrade, L"Start");
  EXPECT_EQ(w.captions.titleLabel, L"FW");
  EXPECT_EQ(w.captions.portLabel, L"Port:");
  EXPECT_EQ(w.captions.languageLabel, L"Language:");
  EXPECT_EQ(w.pumps, 2);
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{100});
}

TEST_F(LanguageSwitch, ToSwedishAndBackToFrench) {
  sys.Put(InDir(L"FrmDescSve.txt"),
          "\xEF\xBB\xBF"
          "FRM_ALL_C_EXIT=AVSLUTA\r\nFRM_FW_UPGRADE_TITLE=\xC3\x96verf\xC3\xB6ring\r\n");
  w.loadablePictures.insert(InDir(L"Sweden.gif"));
  Choose(L"SWEDEN");
  EXPECT_EQ(sys.Bytes(kIni), "SWEDEN\r\n");
  EXPECT_EQ(g.currentLanguage, L"SWEDEN");
  EXPECT_EQ(w.flag, InDir(L"Sweden.gif"));
  EXPECT_EQ(w.captions.title, L"\u00D6verf\u00F6ring  (Rel." VZ_RELEASE ")");
  EXPECT_EQ(w.captions.exit, L"AVSLUTA");

  Choose(L"FRANCAISE");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\n");
  EXPECT_EQ(w.flag, InDir(L"France.gif"));
  EXPECT_EQ(w.captions.title, L"Mise \u00E0 jour  (Rel." VZ_RELEASE ")");
  EXPECT_EQ(w.captions.exit, L"Sortie");
}

TEST_F(LanguageSwitch, ALanguageIniHeldBeforeItIsReadBackGivesFrenchInTheListToo) {
  w.onPump = [this] { sys.File(kIni).busyOpens = -1; };  // from the pause on
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(w.languageText, L"FRANCAISE");
  EXPECT_EQ(w.captions.title, std::wstring(L"Mise \u00E0 jour") + test::kTitleRelease);
  EXPECT_EQ(w.flag, InDir(L"France.gif"));
}

TEST_F(LanguageSwitch, DoubleClickSwitchesOnce) {
  Choose(L"ENGLISH");
  sys.Put(kIni, "ENGLISH\r\nnot rewritten");
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\nnot rewritten");
  EXPECT_EQ(sys.pauses.size(), 1u) << "one switch";
}

TEST_F(LanguageSwitch, ReplacesTheFileWholeOverALeftoverTemporaryFile) {
  sys.Put(kIni + L".new", "left by a crash");
  Choose(L"ENGLISH");
  EXPECT_EQ(sys.Bytes(kIni), "ENGLISH\r\n");
  EXPECT_FALSE(sys.Has(kIni + L".new"));
}

// Why Language.ini cannot be replaced: the file is read-only or held by
// another program, or another program holds the temporary file.
enum class IniRefusal { ReadOnly, Held, TemporaryHeld };
class RefusedIni : public LanguageSwitch, public ::testing::WithParamInterface<IniRefusal> {};

TEST_P(RefusedIni, KeepsThePreviousLanguageAndTheFileWhole) {
  switch (GetParam()) {
    case IniRefusal::ReadOnly:
      sys.File(kIni).readOnly = true;
      break;
    case IniRefusal::Held:
      sys.File(kIni).busyOpens = -1;
      break;
    case IniRefusal::TemporaryHeld:
      sys.File(kIni + L".new").busyOpens = -1;
      break;
  }
  Choose(L"ENGLISH");
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(w.languageText, L"FRANCAISE");
  EXPECT_TRUE(w.messages.empty()) << "no box while the list takes the choice";
  ASSERT_EQ(w.posted.size(), 1u);
  EXPECT_EQ(w.posted[0].kind, MessageKind::Error);
  EXPECT_EQ(w.posted[0].text.rfind(L"Language.ini: ", 0), 0u);
  EXPECT_TRUE(w.flag.empty() && w.captions.title.empty()) << "nothing shown again";
  EXPECT_EQ(g.messages[Msg::Title], L"Mise \u00E0 jour");
  EXPECT_EQ(sys.Bytes(kIni), "FRANCAISE\r\n");
  EXPECT_EQ(sys.Has(kIni + L".new"), GetParam() == IniRefusal::TemporaryHeld)
      << "only another program's temporary file stays";
}

INSTANTIATE_TEST_SUITE_P(Causes, RefusedIni,
                         ::testing::Values(IniRefusal::ReadOnly, IniRefusal::Held,
                                           IniRefusal::TemporaryHeld));

}  // namespace
}  // namespace vz
