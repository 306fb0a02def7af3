// The start-up sequence: directories, language, window, lists, flag.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace vz {
namespace {

using test::InDir;

class Startup : public ::testing::Test {
 protected:
  // Runs Main and notes what the window had been given when it was made.
  void Run() {
    Main(g, sys, [this]() -> MainWindow& {
      callsAtLoad = w.calls.size();
      return w;
    });
  }
  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
  std::size_t callsAtLoad = 0;
};

struct DirCase { const wchar_t* exeDir; const wchar_t* programDir; const wchar_t* currentDir; };
class StartupDirs : public Startup, public ::testing::WithParamInterface<DirCase> {};

TEST_P(StartupDirs, ProgramDirEndsWithOneBackslash) {
  sys.exeDir = GetParam().exeDir;
  Run();
  EXPECT_EQ(g.programDir, GetParam().programDir);
  EXPECT_EQ(g.downloadDir, GetParam().programDir);
  // A network path has no drive to change to; its directory is still set.
  if (GetParam().exeDir[0] == L'C') {
    EXPECT_EQ(sys.currentDrives, std::vector<wchar_t>{L'C'});
  }
  EXPECT_EQ(sys.currentDirs, std::vector<std::wstring>{GetParam().currentDir});
  EXPECT_EQ(sys.Bytes(g.programDir + L"Language.ini"), "FRANCAISE\r\n");
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{100});
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StartupDirs,
    ::testing::Values(DirCase{L"C:\\Tools\\Vz", L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz"},
                      DirCase{L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz\\", L"C:\\Tools\\Vz"},
                      DirCase{L"C:", L"C:\\", L"C:\\"},
                      DirCase{L"C:\\", L"C:\\", L"C:\\"},
                      DirCase{L"\\\\srv\\vz", L"\\\\srv\\vz\\", L"\\\\srv\\vz"}));

TEST_F(Startup, ProbesEveryPortAndListsEachThatOpensInNumberOrder) {
  sys.serialPorts = {"COM3", "\\\\.\\COM12", "\\\\.\\COM20", "\\\\.\\COM21", "\\\\.\\COM255",
                     "COM11"};  // a name that only opens without the device prefix
  sys.serialPortErrors = {{"COM1", 5}};  // held by another program
  Run();
  ASSERT_EQ(sys.probed.size(), 255u);
  for (int n = 1; n <= 255; ++n) {
    const std::string name = "COM" + std::to_string(n);
    EXPECT_EQ(sys.probed[n - 1], n < 10 ? name : "\\\\.\\" + name);
  }
  EXPECT_EQ(w.items[Control::PortList],
            (std::vector<std::wstring>{L"COM3", L"COM12", L"COM20", L"COM21", L"COM255"}));
  EXPECT_EQ(w.texts[Control::PortList], L"");
}

TEST_F(Startup, ItalianSettingIsShownButNotOffered) {
  sys.Put(InDir(L"Language.ini"), "ITALIANO\r\n");
  sys.Put(InDir(L"FrmDescITA.txt"), "FRM_FW_UPGRADE_TITLE=Aggiornamento\r\n");
  w.loadablePictures = {InDir(L"Italia.gif")};
  Run();
  EXPECT_EQ(sys.Bytes(InDir(L"Language.ini")), "ITALIANO\r\n");
  EXPECT_EQ(w.items[Control::LanguageList],
            (std::vector<std::wstring>{L"FRANCAISE", L"ENGLISH"}));
  EXPECT_EQ(w.texts[Control::LanguageList], L"ITALIANO");
  EXPECT_EQ(w.pictures[Control::Flag], InDir(L"Italia.gif"));
  EXPECT_EQ(w.texts[Control::Window], L"Aggiornamento  (Rel.2.2)");  // set at load
}

TEST_F(Startup, ASettingThatNamesNoLanguageStartsInFrenchAndIsKept) {
  const std::string garbage("\x81\xFF\x00\x9D\xD0\xE9\x1B[2J\r\n", 12);
  sys.Put(InDir(L"Language.ini"), garbage);
  sys.Put(InDir(L"FrmDescFRA.txt"), "FRM_FW_UPGRADE_TITLE=Titre\r\n");
  w.loadablePictures = {InDir(L"France.gif")};
  Run();
  EXPECT_EQ(w.texts[Control::LanguageList], L"FRANCAISE");
  EXPECT_EQ(w.pictures[Control::Flag], InDir(L"France.gif"));
  EXPECT_EQ(w.texts[Control::Window], L"Titre  (Rel.2.2)");
  EXPECT_EQ(sys.Bytes(InDir(L"Language.ini")), garbage);
}

TEST_F(Startup, WindowIsLoadedWithItsTextsFilledAndShownLast) {
  sys.Put(InDir(L"FrmDescFRA.txt"), "FRM_FW_UPGRADE_TITLE=Titre\r\n");
  Run();
  EXPECT_EQ(callsAtLoad, 0u);  // made untouched
  EXPECT_EQ(w.calls[1], "text Window=Titre  (Rel.2.2)");  // captions first
  EXPECT_TRUE(w.items[Control::PortList].empty());  // no port: shown all the same
  EXPECT_EQ(w.Count("show"), 1);
  // Centred, top first, just before it is shown.
  const std::vector<std::string> last(w.calls.end() - 3, w.calls.end());
  EXPECT_EQ(last[0].rfind("top=", 0), 0u) << last[0];
  EXPECT_EQ(last[1].rfind("left=", 0), 0u) << last[1];
  EXPECT_EQ(last[2], "show");
  // The missing flag is tried and simply not shown.
  EXPECT_EQ(w.calls[w.calls.size() - 4], "picture Flag=C:\\Tools\\Vz\\France.gif");
  EXPECT_EQ(w.pictures.count(Control::Flag), 0u);
}

}  // namespace
}  // namespace vz
