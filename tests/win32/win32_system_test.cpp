// The system seam against real files, serial ports and processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <vector>

#include "app/startup.h"
#include "platform/win32_system.h"
#include "port/port_devices.h"
#include "testkit/device_registry.h"
#include "testkit/fakes.h"
#include "i18n/language.h"
#include "i18n/language_switch.h"
#include "log/event_log.h"
#include "platform/win32_instance.h"
#include "port/port_choice.h"
#include "upgrade/checksum_file.h"
#include "testkit/wait.h"
#include "ui/window_identity.h"
#include "upgrade/process_lookup.h"
#include "win32_support.h"

namespace vz::test {
namespace {

TEST(SerialProbe, ListsPortsThatOpenAndSkipsOneHeldByAnotherProgram) {
  Win32System sys;
  std::vector<bool> free;
  ProbeComPorts(sys, free);
  ASSERT_EQ(free.size(), 256u);
  EXPECT_TRUE(free[1]) << "COM1 opens while nobody holds it";
  EXPECT_TRUE(free[3]);
  EXPECT_TRUE(free[12]) << "ports from 10 on need the \\\\.\\ prefix";
  EXPECT_TRUE(free[25]);

  FileHold hold(L"\\\\.\\COM1");
  ASSERT_TRUE(hold.held());
  ProbeComPorts(sys, free);
  // The reason a held port does not open, for the check before a run.
  const IoResult held = sys.ProbeSerialPort("COM1");
  hold.Release();
  EXPECT_FALSE(free[0]);
  EXPECT_FALSE(free[1]) << "a port another program holds is not available";
  EXPECT_FALSE(held.ok);
  EXPECT_TRUE(held.error == ERROR_SHARING_VIOLATION || held.error == ERROR_ACCESS_DENIED)
      << held.error;
  for (int n = 2; n <= 255; ++n) {
    EXPECT_EQ(free[n], n == 3 || n == 12 || n == 25) << "COM" << n;
  }
}

// What SetupAPI gives for the devices a technician's PC has, as Wine lists
// them from the registry.
TEST(DeviceInventory, ReadsAPortsNameAndPortAndAnAdapterWithoutADriver) {
  const RegisteredDevice port(
      SerialPortRecord(L"ROOT\\PORTS\\VZTEST41", L"USB-SERIAL CH340 (COM41)", L"COM41"));
  const RegisteredDevice driverless(
      DriverlessUsbRecord(L"USB\\VID_1A86&PID_7523\\VZTEST", L"USB\\VID_1A86&PID_7523&REV_0254"));
  ASSERT_TRUE(port.ok() && driverless.ok());
  const DeviceInventory devices = ReadDeviceInventory();
  EXPECT_EQ(NamesByPort(devices)[41], L"USB-SERIAL CH340");
  EXPECT_TRUE(BluetoothPorts(devices).empty());
  EXPECT_EQ(DriverlessBridges(devices), std::vector<std::wstring>{L"CH340"});
}

class LogOnDisk : public ::testing::Test {
 protected:
  TempDir dir{L"vzlog"};
  Win32System sys;
  std::wstring log = dir / L"memo_log.txt";
};

TEST_F(LogOnDisk, FirstLineCreatesTheFileWithOneStampedLine) {
  WriteLog(sys, dir.path(), L"Fw Upgrade START");
  const std::string text = ReadFileBytes(log);
  EXPECT_TRUE(
      std::regex_match(text, std::regex(R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d Fw Upgrade START\r\n)")))
      << text;
}

TEST_F(LogOnDisk, LineWaitsForAShortHoldAndIsDroppedAfterALongOne) {
  WriteLog(sys, dir.path(), L"first");
  {
    // A hold of 300 ms, counted by the holder: the line waits it out.
    FileHold shortHold(log, 300);
    WriteLog(sys, dir.path(), L"during a short hold");
  }
  EXPECT_NE(ReadFileBytes(log).find("during a short hold\r\n"), std::string::npos)
      << "the line should have waited for the holder";

  // A hold that lasts until the log has given up: the line is dropped.
  FileHold longHold(log);
  ASSERT_TRUE(longHold.held());
  WriteLog(sys, dir.path(), L"during a long hold");
  longHold.Release();
  WriteLog(sys, dir.path(), L"after");
  const std::string text = ReadFileBytes(log);
  EXPECT_EQ(text.find("during a long hold"), std::string::npos);
  EXPECT_NE(text.find("first\r\n"), std::string::npos);
  EXPECT_NE(text.find("after\r\n"), std::string::npos);
}

TEST_F(LogOnDisk, ALogThatCannotBeOpenedAtAllCannotTakeItsOwnReport) {
  TempDir gone(L"vzgone");
  const std::wstring missing = gone / L"sub\\";
  WriteLog(sys, missing, L"nowhere");
  EXPECT_FALSE(Exists(missing));
}

class PortFileOnDisk : public ::testing::Test {
 protected:
  void Choose(const std::wstring& text) {
    window.portText = text;
    OnPortChoice(g, sys, window, PortWrite::Allowed);
  }
  TempDir dir{L"vzport"};
  Win32System sys;
  Globals g = Dirs(dir.path());
  FakeWindow window;
  static Globals Dirs(const std::wstring& d) {
    Globals g;
    g.programDir = g.downloadDir = d;
    return g;
  }
};

TEST_F(PortFileOnDisk, NewFileHoldsExactlyThePortByte) {
  Choose(L"COM3");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x03", 1));
  Choose(L"COM12");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), std::string("\x0C", 1));
  EXPECT_TRUE(window.portValid);
}

TEST_F(PortFileOnDisk, ExistingBytesAfterTheFirstStay) {
  WriteFileBytes(dir / L"port.ini",
                 "\x09"
                 "ABCD");
  Choose(L"COM3");
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"),
            "\x03"
            "ABCD");
}

// A read-only file is the fake file system's business: Wine, run as root
// here, writes to it all the same. A file another program holds is refused
// on every system.
TEST_F(PortFileOnDisk, HeldFileGivesOneLogLineNoCopiesAndTheSystemsReason) {
  TempDir download(L"vzdl");
  g.downloadDir = download.path();
  WriteFileBytes(dir / L"model.ini", "[Model]\r\n");
  WriteFileBytes(dir / L"port.ini", "\x07");
  FileHold hold(dir / L"port.ini");
  ASSERT_TRUE(hold.held());
  Choose(L"COM4");
  hold.Release();
  EXPECT_EQ(ReadFileBytes(dir / L"port.ini"), "\x07");
  EXPECT_TRUE(std::regex_match(
      ReadFileBytes(dir / L"memo_log.txt"),
      std::regex(
          R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d Write_rs232_fw: Superati 3 tentativi di lettura\r\n)")));
  EXPECT_FALSE(Exists(download / L"port.ini"));
  EXPECT_FALSE(Exists(download / L"model.ini"));
  EXPECT_FALSE(window.portValid);
  ASSERT_EQ(window.posted.size(), 1u);
  EXPECT_EQ(window.posted[0].text,
            L"port.ini: " + sys.ErrorText(ERROR_SHARING_VIOLATION, L"port.ini"));

  Choose(L"COM5");  // free again: both files reach the download folder
  EXPECT_EQ(ReadFileBytes(download / L"port.ini"), "\x05");
  EXPECT_EQ(ReadFileBytes(download / L"model.ini"), "[Model]\r\n");
}

TEST_F(PortFileOnDisk, CopyOntoItselfLeavesTheFileIntact) {
  WriteFileBytes(dir / L"model.ini", "[Model]\r\nName=VZ-200\r\n");
  g.downloadDir = dir.path().substr(0, 3) + L".\\" + dir.path().substr(3);  // same folder
  Choose(L"COM3");
  EXPECT_EQ(ReadFileBytes(dir / L"model.ini"), "[Model]\r\nName=VZ-200\r\n");
  EXPECT_TRUE(sys.CopyOver(dir / L"model.ini", dir / L"MODEL.INI").ok);
  EXPECT_EQ(ReadFileBytes(dir / L"model.ini"), "[Model]\r\nName=VZ-200\r\n");
}

TEST(LanguageOnDisk, AHeldLanguageIniKeepsThePreviousLanguageAndSaysWhy) {
  TempDir dir(L"vzlang");
  Win32System sys;
  Globals g;
  g.programDir = g.downloadDir = dir.path();
  g.currentLanguage = L"FRANCAISE";
  WriteFileBytes(dir / L"Language.ini", "FRANCAISE\r\n");
  WriteFileBytes(dir / L"FrmDescEng.txt", "FRM_ALL_C_EXIT=EXIT\r\n");
  FakeWindow window;
  window.languageText = L"ENGLISH";
  FileHold hold(dir / L"Language.ini");
  ASSERT_TRUE(hold.held());
  OnLanguageChoice(g, sys, window);
  hold.Release();
  EXPECT_EQ(g.currentLanguage, L"FRANCAISE");
  EXPECT_EQ(window.languageText, L"FRANCAISE") << "the list shows it again";
  ASSERT_EQ(window.posted.size(), 1u);
  // Moving over a file that is held open is refused as access denied.
  EXPECT_EQ(window.posted[0].text,
            L"Language.ini: " + sys.ErrorText(ERROR_ACCESS_DENIED, L"Language.ini"));
  EXPECT_EQ(window.captions.exit, L"") << "nothing reloaded";
  EXPECT_EQ(ReadFileBytes(dir / L"Language.ini"), "FRANCAISE\r\n");
  EXPECT_FALSE(Exists(dir / L"Language.ini.new"));
}

// Language.ini is replaced whole or not at all, through Language.ini.new.
TEST(LanguageOnDisk, AFailedReplaceKeepsTheOldFileAndALeftoverChangesNothing) {
  TempDir dir(L"vzreplace");
  TestSystem sys(dir.path());
  const std::wstring ini = dir / L"Language.ini", temporary = dir / L"Language.ini.new";
  WriteFileBytes(ini, "ITALIANO\r\n");
  {
    FileHold hold(ini);  // the move is refused
    ASSERT_TRUE(hold.held());
    const IoResult moved = sys.ReplaceWhole(ini, "ENGLISH\r\n");
    EXPECT_FALSE(moved.ok);
    EXPECT_NE(moved.error, 0u);
    EXPECT_FALSE(Exists(temporary)) << "the temporary file is removed";
  }
  WriteFileBytes(temporary, "ENGLISH\r\n");
  {
    FileHold hold(temporary);  // the write is refused
    ASSERT_TRUE(hold.held());
    EXPECT_FALSE(sys.ReplaceWhole(ini, "ENGLISH\r\n").ok);
  }
  EXPECT_EQ(ReadFileBytes(ini), "ITALIANO\r\n");

  // A leftover from a crash is neither read nor in the way.
  Globals g;
  g.programDir = dir.path();
  ReadLanguageSetting(g, sys);
  EXPECT_EQ(g.currentLanguage, L"ITALIANO");
  ASSERT_TRUE(sys.ReplaceWhole(ini, "ENGLISH\r\n").ok);
  EXPECT_EQ(ReadFileBytes(ini), "ENGLISH\r\n");
  EXPECT_FALSE(Exists(temporary));

  // A hidden file is a setting like any other: read, and still hidden
  // once replaced.
  SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN);
  ReadLanguageSetting(g, sys);
  EXPECT_EQ(g.currentLanguage, L"ENGLISH");
  ASSERT_TRUE(sys.ReplaceWhole(ini, "ITALIANO\r\n").ok);
  EXPECT_EQ(ReadFileBytes(ini), "ITALIANO\r\n");
  EXPECT_NE(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(FileExistence, OnlyOrdinaryFilesCountAndCaseDoesNotMatter) {
  TempDir dir(L"vzexist");
  Win32System sys;
  CreateDirectoryW((dir / L"erase.txt").c_str(), nullptr);
  WriteFileBytes(dir / L"write.txt", "x");
  SetFileAttributesW((dir / L"write.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteFileBytes(dir / L"writing.txt", "x");
  SetFileAttributesW((dir / L"writing.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
  WriteFileBytes(dir / L"image.binary", "x");
  EXPECT_FALSE(sys.FileExists(dir.path(), L"erase.txt")) << "a directory";
  EXPECT_FALSE(sys.FileExists(dir.path(), L"write.txt")) << "a hidden file";
  EXPECT_FALSE(sys.FileExists(dir.path(), L"writing.txt")) << "a system file";
  EXPECT_FALSE(sys.FileExists(dir.path(), L"*.bin")) << "only .binary there";
  WriteFileBytes(dir / L"FIRMWARE.BIN", "");
  EXPECT_TRUE(sys.FileExists(dir.path(), L"*.bin")) << "an empty image counts too";
  WriteFileBytes(dir / L"b.bin", std::string(70000, 'x'));
  std::vector<FileEntry> images = sys.ListFiles(dir.path(), L"*.bin");
  std::sort(images.begin(), images.end(),
            [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
  ASSERT_EQ(images.size(), 2u) << "the same files as the existence test";
  EXPECT_EQ(images[0].name + L" " + std::to_wstring(images[0].size), L"FIRMWARE.BIN 0");
  EXPECT_EQ(images[1].name + L" " + std::to_wstring(images[1].size), L"b.bin 70000");
  WriteFileBytes(dir / L"Write_OK.TXT", "");
  EXPECT_TRUE(sys.FileExists(dir.path(), L"write_ok.txt"));
}

TEST(Files, UnreadableFileReadsAsMissing) {
  TempDir dir(L"vzread");
  Win32System sys;
  WriteFileBytes(dir / L"FrmDescEng.txt", "FRM_ALL_C_EXIT=Exit\r\n");
  FileHold hold(dir / L"FrmDescEng.txt");
  ASSERT_TRUE(hold.held());
  std::uint32_t error = 0;
  EXPECT_FALSE(sys.ReadBytes(dir / L"FrmDescEng.txt", &error).has_value());
  EXPECT_EQ(error, 32u) << "a sharing violation";
  EXPECT_FALSE(sys.ReadBytes(dir / L"FrmDescSve.txt", &error).has_value());
  EXPECT_EQ(error, 2u) << "not found";
  hold.Release();
  EXPECT_EQ(sys.ReadBytes(dir / L"FrmDescEng.txt").value_or(""), "FRM_ALL_C_EXIT=Exit\r\n");
}

// The platform's SHA-256 over several pieces and a short last one; a file
// another program is writing cannot be read.
TEST(Files, TheDigestOfAnImageIsItsSha256) {
  TempDir dir(L"vzhash");
  Win32System sys;
  std::string bytes((3u << 20) + 7, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  WriteFileBytes(dir / L"fw.bin", bytes);
  const FileDigest read = sys.Sha256OfFile(dir / L"fw.bin");
  ASSERT_TRUE(read.result.ok) << read.result.error;
  EXPECT_EQ(DigestHex(read.digest),
            L"f578a61853ca2f4272dba551bd868420e22302fbb6d6dfc0cc80da1d2c7b779f");
  EXPECT_EQ(DigestHex(sys.Sha256OfFile(dir / L"empty.bin").digest).size(), 64u);
  EXPECT_EQ(sys.Sha256OfFile(dir / L"none.bin").result.error, 2u) << "not found";
  const ScopedHandle writer(CreateFileW((dir / L"fw.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer.valid());
  EXPECT_EQ(sys.Sha256OfFile(dir / L"fw.bin").result.error, 32u) << "a sharing violation";
}

// The listing gives the local time Explorer shows as the last write.
TEST(Files, TheListingGivesTheLastWriteInLocalTime) {
  TempDir dir(L"vzwritten");
  Win32System sys;
  WriteFileBytes(dir / L"fw.bin", "FW");
  const SYSTEMTIME local{2026, 7, 0, 14, 10, 22, 41, 0};
  SYSTEMTIME utc{};
  FILETIME written{};
  ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &written));
  {
    const ScopedHandle file(CreateFileW((dir / L"fw.bin").c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
  }
  const std::vector<FileEntry> images = sys.ListFiles(dir.path(), L"*.bin");
  ASSERT_EQ(images.size(), 1u);
  const LocalTime& t = images[0].lastWrite;
  EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
            std::vector<int>({2026, 7, 14, 10, 22, 41}));
}

TEST(ProcessLookup, SuffixMatchWithoutRegardToCase) {
  TempDir dir(L"vzproc");
  Win32System sys;
  const auto running = [&sys](const wchar_t* name) {
    const ProcessLookup lookup = LookUpProcess(sys, name);
    EXPECT_NE(lookup.state, ProcessState::Unknown) << "the whole list is read";
    return lookup.state == ProcessState::Running;
  };
  const std::wstring helper = ExeDir() + L"vz_testhelper.exe";
  ASSERT_TRUE(CopyFileW(helper.c_str(), (dir / L"MYVZ_PROBE.EXE").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(helper.c_str(), (dir / L"obe.exe").c_str(), FALSE));
  EXPECT_FALSE(running(L"Vz_Probe.exe"));
  HelperProcess a = StartHelper(L"sleep 20000", dir / L"MYVZ_PROBE.EXE");
  HelperProcess b = StartHelper(L"sleep 20000", dir / L"obe.exe");
  ASSERT_TRUE(a.started() && b.started());
  EXPECT_TRUE(running(L"Vz_Probe.exe"));
  EXPECT_TRUE(running(L"yvz_probe.EXE"));
  EXPECT_FALSE(running(L"Vz_Probe.ex")) << "name without its last letter";
  EXPECT_FALSE(running(L"XMYVZ_PROBE.EXE")) << "the running name is only a shorter tail";
  a.End();
  b.End();
  EXPECT_FALSE(running(L"Vz_Probe.exe"));
}

TEST(Launch, UploaderStartsByItsQuotedFullPathInAFolderWithBlanks) {
  TempDir dir(L"vz launch dir");
  Win32System sys;
  const std::wstring uploader = dir / L"Up_Loader.exe";
  ASSERT_TRUE(CopyFileW((ExeDir() + L"vz_testhelper.exe").c_str(), uploader.c_str(), FALSE));
  ASSERT_EQ(sys.StartProgram(uploader).error, 0u);
  // The helper writes its command line and directory, two lines, at once.
  std::wstring text;
  WaitUntil(
      [&] {
        const std::string raw = ReadFileBytes(dir / L"launched.txt");
        text.assign(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2);
        return std::count(text.begin(), text.end(), L'\n') >= 2;
      },
      10000, 10);
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  EXPECT_EQ(text, L"\"" + uploader + L"\"\n" + cwd + L"\n")
      << "no arguments, inherited current directory";
}

TEST(Launch, TheStartedProgramTellsItsExitCodeOnceItHasEnded) {
  TempDir dir(L"vz launch code");
  Win32System sys;
  const std::wstring uploader = dir / L"Up_Loader.exe";
  ASSERT_TRUE(CopyFileW((ExeDir() + L"vz_testhelper.exe").c_str(), uploader.c_str(), FALSE));
  // The helper cannot write launched.txt where a folder of that name is,
  // and ends with exit code 3.
  ASSERT_TRUE(CreateDirectoryW((dir / L"launched.txt").c_str(), nullptr));
  const StartResult started = sys.StartProgram(uploader);
  ASSERT_EQ(started.error, 0u);
  ASSERT_TRUE(started.program);
  std::optional<std::uint32_t> code;
  WaitUntil([&] { return (code = started.program->ExitCode()).has_value(); }, 10000, 10);
  EXPECT_EQ(code, std::optional<std::uint32_t>(3));
}

TEST(Launch, AProgramThatCannotStartGivesTheSystemsErrorNumber) {
  TempDir dir(L"vz launch fail");
  Win32System sys;
  EXPECT_EQ(sys.StartProgram(dir / L"Up_Loader.exe").error,
            static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND))
      << "a missing file";
  WriteFileBytes(dir / L"Up_Loader.exe", "this is no program\r\n");
  const std::uint32_t error = sys.StartProgram(dir / L"Up_Loader.exe").error;
  EXPECT_EQ(error, static_cast<std::uint32_t>(ERROR_BAD_EXE_FORMAT)) << "a file that is no program";
  const std::wstring text = sys.ErrorText(error, L"Up_Loader.exe");
  EXPECT_NE(text, L"Unknown error") << "the system has a text for it";
  EXPECT_EQ(text.find(L"%1"), std::wstring::npos) << "its place for the name is filled: " << text;
}

TEST(ErrorTexts, TheSystemsTextOrTheNumber) {
  Win32System sys;
  EXPECT_EQ(ErrorTextOrNumber(ERROR_SHARING_VIOLATION),
            sys.ErrorText(ERROR_SHARING_VIOLATION, L"x"));
  EXPECT_NE(ErrorTextOrNumber(ERROR_SHARING_VIOLATION).rfind(L"error ", 0), 0u);
  EXPECT_EQ(ErrorTextOrNumber(0x20001234), L"error 536875572")
      << "a number the system has no text for";
  EXPECT_EQ(ErrorTextOrNumber(0), L"error 0") << "no error number at all";
}

// A crashed program's exit code is a system status, told through the error
// it stands for: Wine has no text for the status itself.
TEST(ErrorTexts, AStatusGivesTheErrorItStandsFor) {
  Win32System sys;
  EXPECT_EQ(sys.ErrorOfStatus(0xC0000005), static_cast<std::uint32_t>(ERROR_NOACCESS));
  EXPECT_EQ(sys.ErrorOfStatus(0xC0DE0001), 0u) << "a status of no known error";
}

std::wstring Environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

// The test script reaches one folder by its own path, a link beside it and
// a drive letter of its own.
TEST(OneCopyPerFolder, EveryPathToTheFolderGivesItsOneMutex) {
  const std::wstring real = Environment(L"VZ_FOLDER_REAL");
  ASSERT_FALSE(real.empty()) << "run by with-ports.sh";
  for (const wchar_t* other : {L"VZ_FOLDER_LINK", L"VZ_FOLDER_DRIVE"}) {
    EXPECT_EQ(FolderMutexName(Environment(other)), FolderMutexName(real)) << other;
  }
  TempDir elsewhere(L"vzcopy");
  EXPECT_NE(FolderMutexName(elsewhere.path()), FolderMutexName(real));

  FolderInstance first(real + L"\\");
  EXPECT_TRUE(first.first());
  FolderInstance second(Environment(L"VZ_FOLDER_LINK"));
  EXPECT_FALSE(second.first());
  EXPECT_TRUE(FolderInstance(elsewhere.path()).first());
}

// A first copy whose window is not shown yet (its start-up probe still
// runs) is waited for, not taken for one that cannot come forward.
TEST(OneCopyPerFolder, ASecondCopyWaitsForAFirstWindowNotShownYet) {
  const std::wstring folder = ExeDir();
  FolderInstance first(folder);
  FolderInstance second(folder);
  ASSERT_FALSE(second.first());
  const HelperProcess starting =
      StartHelper(std::wstring(L"window ") + kMainWindowClass + L" 60000");
  ASSERT_TRUE(
      WaitUntil([] { return FindWindowW(kMainWindowClass, nullptr) != nullptr; }, 10000, 10));
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(WaitForFirstCopy(second, kMainWindowClass, folder, 1500), FirstCopy::NotReached);
  EXPECT_GE(GetTickCount64() - start, 1500u) << "the whole wait";
  EXPECT_FALSE(IsWindowVisible(FindWindowW(kMainWindowClass, nullptr))) << "left as it was";
}

// A copy run as administrator, or by another user, makes a mutex this one
// may not open.
TEST(OneCopyPerFolder, AMutexThisCopyMayNotOpenCountsAsTaken) {
  TempDir dir(L"vzdacl");
  SECURITY_DESCRIPTOR descriptor;
  ACL empty;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(InitializeAcl(&empty, sizeof(empty), ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  const std::wstring name = FolderMutexName(dir.path());
  ScopedHandle other(CreateMutexW(&attributes, FALSE, name.c_str()));
  ASSERT_TRUE(other.valid());
  const ScopedHandle again(CreateMutexW(nullptr, FALSE, name.c_str()));
  EXPECT_FALSE(again.valid());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  FolderInstance copy(dir.path());
  EXPECT_FALSE(copy.first());
  other.Close();
  EXPECT_TRUE(copy.TryTake()) << "the other copy has ended";
}

}  // namespace
}  // namespace vz::test
