// The start-up sequence: directories, language, window, lists, flag.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "ui/form_download.h"

namespace vz {
namespace {

using test::FakeSystem;
using test::FakeWindow;

class Startup : public ::testing::Test {
 protected:
  // Runs Main with a window whose load handler is the real one; records
  // what the window saw when it was loaded.
  void Run() {
    Main(g, sys, [this]() -> MainWindow& {
      frm.Attach(w);
      frm.OnLoad();
      titleAtLoad = g.messages[Msg::Title];
      callsAtLoad = w.calls.size();
      return w;
    });
  }
  std::wstring Dir(const wchar_t* name) { return L"C:\\Tools\\Vz\\" + std::wstring(name); }

  FakeSystem sys;
  FakeWindow w;
  Globals g;
  FrmDownload frm{g, sys};
  std::wstring titleAtLoad;
  std::size_t callsAtLoad = 0;
};

struct DirCase {
  const wchar_t* exeDir;
  const wchar_t* programDir;
  const wchar_t* currentDir;
};
class StartupDirs : public Startup, public ::testing::WithParamInterface<DirCase> {};

TEST_P(StartupDirs, ProgramDirEndsWithOneBackslash) {
  sys.exeDir = GetParam().exeDir;
  Run();
  EXPECT_EQ(g.programDir, GetParam().programDir);
  EXPECT_EQ(g.downloadDir, GetParam().programDir);
  EXPECT_EQ(sys.currentDrives, std::vector<wchar_t>{L'C'});
  EXPECT_EQ(sys.currentDirs, std::vector<std::wstring>{GetParam().currentDir});
  // Language.ini went to the program directory.
  EXPECT_EQ(sys.Bytes(g.programDir + L"Language.ini"), "FRANCAISE\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StartupDirs,
    ::testing::Values(DirCase{L"C:\\Tools\\Vz", L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz"},
                      DirCase{L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz"},
                      DirCase{L"C:", L"C:\\", L"C:\\"},
                      DirCase{L"C:\\", L"C:\\", L"C:\\"}));

TEST_F(Startup, ProbesNinetyNinePortsAndListsOnlyTheFirstTwenty) {
  sys.serialPorts = {"COM3", "\\\\.\\COM12", "\\\\.\\COM20", "\\\\.\\COM21",
                     "\\\\.\\COM25",
                     "COM11"};  // opens only without the device prefix
  Run();
  ASSERT_EQ(sys.probed.size(), 99u);
  for (int n = 1; n <= 99; ++n) {
    const std::string name = "COM" + std::to_string(n);
    EXPECT_EQ(sys.probed[n - 1], n < 10 ? name : "\\\\.\\" + name);
  }
  EXPECT_EQ(w.items[Control::E_ComPort],
            (std::vector<std::wstring>{L"COM3", L"COM12", L"COM20"}));
  EXPECT_EQ(w.texts[Control::E_ComPort], L"");
}

TEST_F(Startup, NoPortStillShowsTheWindow) {
  Run();
  EXPECT_TRUE(w.items[Control::E_ComPort].empty());
  EXPECT_TRUE(w.shown);
}

TEST_F(Startup, ItalianSettingIsShownButNotOffered) {
  sys.Put(Dir(L"Language.ini"), "ITALIANO\r\n");
  sys.Put(Dir(L"FrmDescITA.txt"), "FRM_FW_UPGRADE_TITLE=Aggiornamento\r\n");
  w.loadablePictures = {Dir(L"Italia.gif")};
  Run();
  EXPECT_EQ(sys.Bytes(Dir(L"Language.ini")), "ITALIANO\r\n");
  EXPECT_EQ(w.items[Control::SelezioneLingua],
            (std::vector<std::wstring>{L"FRANCAISE", L"ENGLISH"}));
  EXPECT_EQ(w.texts[Control::SelezioneLingua], L"ITALIANO");
  EXPECT_EQ(w.pictures[Control::I_lingua], Dir(L"Italia.gif"));
  EXPECT_EQ(titleAtLoad, L"Aggiornamento");
  EXPECT_EQ(w.texts[Control::Form], L"Aggiornamento  (Rel.2.2)");
  EXPECT_TRUE(sys.pauses.empty());
}

TEST_F(Startup, WindowIsLoadedFirstFilledThenShownLast) {
  sys.Put(Dir(L"FrmDescFRA.txt"), "FRM_FW_UPGRADE_TITLE=Titre\r\n");
  Run();
  EXPECT_EQ(titleAtLoad, L"Titre");
  EXPECT_EQ(callsAtLoad, 6u);  // only the captions before the lists
  EXPECT_EQ(w.Count("item SelezioneLingua"), 2);
  EXPECT_EQ(w.Count("show"), 1);
  EXPECT_EQ(w.calls.back(), "show");
  // The flag of a missing picture is tried, and the window comes anyway.
  EXPECT_EQ(w.calls[w.calls.size() - 2], "picture I_lingua=C:\\Tools\\Vz\\France.gif");
  EXPECT_EQ(w.pictures.count(Control::I_lingua), 0u);
}

TEST_F(Startup, UnknownLanguageLeavesEveryTextEmpty) {
  sys.Put(Dir(L"Language.ini"), "ENGLISH \r\n");
  sys.Put(Dir(L"FrmDescEng.txt"), "FRM_FW_UPGRADE_TITLE=Update\r\n");
  Run();
  EXPECT_EQ(w.texts[Control::SelezioneLingua], L"ENGLISH ");
  EXPECT_EQ(w.texts[Control::Form], L"  (Rel.2.2)");
  EXPECT_EQ(w.texts[Control::C_Exit], L"");
  EXPECT_TRUE(w.shown);
}

}  // namespace
}  // namespace vz
