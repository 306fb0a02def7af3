// The start-up sequence: directories, language, window, lists, flag.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "app_version.h"
#include "port/port_choice.h"
#include "testkit/fakes.h"
#include "testkit/release.h"

namespace vz {
namespace {

using test::InDir;

class Startup : public ::testing::Test {
 protected:
  // Runs Main and notes the title the texts held when the window was made.
  void Run() {
    RunProgram(g, sys, [this]() -> MainWindow& {
      titleAtLoad = g.messages[Msg::Title];
      return w;
    });
  }
  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
  std::wstring titleAtLoad;
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
                      DirCase{L"C:", L"C:\\", L"C:\\"}, DirCase{L"C:\\", L"C:\\", L"C:\\"},
                      DirCase{L"\\\\srv\\vz", L"\\\\srv\\vz\\", L"\\\\srv\\vz"}));

TEST_F(Startup, ProbesEveryPortAndListsEachThatOpensInNumberOrder) {
  sys.serialPorts = {"COM3",          "\\\\.\\COM12", "\\\\.\\COM20", "\\\\.\\COM21",
                     "\\\\.\\COM255", "COM11"};  // a name that only opens without the device prefix
  sys.serialPortErrors = {{"COM1", 5}};          // held by another program
  Run();
  ASSERT_EQ(sys.probed.size(), 255u);
  for (int n = 1; n <= 255; ++n) {
    const std::string name = "COM" + std::to_string(n);
    EXPECT_EQ(sys.probed[n - 1], n < 10 ? name : "\\\\.\\" + name);
  }
  EXPECT_EQ(w.portEntries,
            (std::vector<std::wstring>{L"COM3", L"COM12", L"COM20", L"COM21", L"COM255"}));
  EXPECT_EQ(w.portText, L"");
  EXPECT_FALSE(w.portValid);
}

TEST_F(Startup, EveryShippedLanguageIsOfferedAndTheSettingShown) {
  sys.Put(InDir(L"Language.ini"), "ITALIANO\r\n");
  sys.Put(InDir(L"FrmDescITA.txt"), "FRM_FW_UPGRADE_TITLE=Aggiornamento\r\n");
  w.loadablePictures = {InDir(L"Italia.gif")};
  Run();
  EXPECT_EQ(sys.Bytes(InDir(L"Language.ini")), "ITALIANO\r\n");
  EXPECT_EQ(w.languages,
            (std::vector<std::wstring>{L"FRANCAISE", L"ENGLISH", L"ITALIANO", L"SWEDEN"}));
  EXPECT_EQ(w.languageText, L"ITALIANO");
  EXPECT_EQ(w.flag, InDir(L"Italia.gif"));
  EXPECT_EQ(w.captions.title, L"Aggiornamento  (Rel." VZ_RELEASE ")");
}

TEST_F(Startup, ASettingThatNamesNoLanguageStartsInFrenchAndIsKept) {
  const std::string garbage("\x81\xFF\x00\x9D\xD0\xE9\x1B[2J\r\n", 12);
  sys.Put(InDir(L"Language.ini"), garbage);
  sys.Put(InDir(L"FrmDescFRA.txt"), "FRM_FW_UPGRADE_TITLE=Titre\r\n");
  w.loadablePictures = {InDir(L"France.gif")};
  Run();
  EXPECT_EQ(w.languageText, L"FRANCAISE");
  EXPECT_EQ(w.flag, InDir(L"France.gif"));
  EXPECT_EQ(w.captions.title, std::wstring(L"Titre") + test::kTitleRelease);
  EXPECT_EQ(sys.Bytes(InDir(L"Language.ini")), garbage);
}

TEST_F(Startup, TheWindowIsMadeOnceTheTextsAreLoadedAndShownWithoutAPortOrAFlag) {
  sys.Put(InDir(L"FrmDescFRA.txt"), "FRM_FW_UPGRADE_TITLE=Titre\r\n");
  Run();
  EXPECT_EQ(titleAtLoad, L"Titre");
  EXPECT_EQ(w.captions.title, std::wstring(L"Titre") + test::kTitleRelease);
  EXPECT_TRUE(w.portEntries.empty());  // no port: shown all the same
  EXPECT_TRUE(w.flag.empty()) << "a missing flag is simply not shown";
  EXPECT_TRUE(w.shown);
}

TEST_F(Startup, DeviceNamesAreReadWithTheProbeAndABluetoothLinkIsListedUnopened) {
  sys.serialPorts = {"COM1", "COM3"};
  sys.devices.serialPorts = {{L"COM3", L"USB-SERIAL CH340 (COM3)", L"", false},
                             {L"COM5", L"Standard Serial over Bluetooth link (COM5)", L"", true},
                             {L"LPT1", L"Printer Port (LPT1)", L"", false}};
  Run();
  EXPECT_EQ(std::count(sys.probed.begin(), sys.probed.end(), "COM5"), 0);
  EXPECT_EQ(w.ports, (std::vector<PortListing>{{L"COM1", L""},
                                               {L"COM3", L"USB-SERIAL CH340"},
                                               {L"COM5", L"Standard Serial over Bluetooth link"}}));
  EXPECT_FALSE(w.statusShown) << "no port chosen, no adapter without a driver";
}

TEST_F(Startup, ThePortInPortIniIsOfferedAgainWhenItIsListedAndNothingIsWritten) {
  sys.serialPorts = {"COM3", "COM4"};
  sys.devices.serialPorts = {{L"COM3", L"USB-SERIAL CH340 (COM3)", L"", false}};
  sys.Put(InDir(L"port.ini"), "\x03\x7F");
  Run();
  EXPECT_EQ(w.portText, L"COM3");
  EXPECT_TRUE(w.portValid);
  EXPECT_EQ(w.statusLine1, L"USB-SERIAL CH340");
  EXPECT_TRUE(w.statusShown);
  // Leaving the list at once finds nothing new either.
  CommitPortText(g, sys, w, PortWrite::Allowed);
  EXPECT_EQ(sys.writeFirstByteCalls, 0);
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x03\x7F");
}

TEST_F(Startup, APortInPortIniThatIsNotListedLeavesTheListRedAndEmpty) {
  sys.serialPorts = {"COM3"};
  sys.Put(InDir(L"port.ini"), "\x07");
  Run();
  EXPECT_EQ(w.portText, L"");
  EXPECT_FALSE(w.portValid);
}

}  // namespace
}  // namespace vz
