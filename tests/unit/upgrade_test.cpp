// Upgrade supervision: the process lookup, the start of a run, and the
// monitor that launches the uploader and follows its marker files, driven
// tick by tick on the scripted clock.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/event_handlers.h"
#include "testkit/fakes.h"
#include "port/port_choice.h"
#include "upgrade/checksum_file.h"
#include "upgrade/monitor.h"
#include "upgrade/process_lookup.h"
#include "upgrade/upgrade_start.h"

namespace vz {
namespace {

using namespace std::string_literals;
using test::InDir;
using Calls = std::vector<std::string>;
using Names = std::vector<const wchar_t*>;

// The SHA-256 of "FW", of "x", and of 49152 bytes "Z".
constexpr char kFwSha256[] = "2b2e8e1a3cc3fb95ddd36fa2ce22d8f6189f997849e595ad1a79a7a763d8039b";
constexpr char kXSha256[] = "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881";
constexpr char kZSha256[] = "295f7f2021bfd167a6823d55f50524de28502e6ac64e61093304ee6906210c69";
Sha256Digest Digest(const char* hex) { return *ReadChecksumFile(hex); }

constexpr wchar_t kErasing[] = L"erasing.txt", kErase[] = L"erase.txt", kWrite[] = L"write.txt",
                  kWriting[] = L"writing.txt", kWriteOk[] = L"write_ok.txt";

class Upgrade : public ::testing::Test {
 protected:
  Upgrade() {
    g.programDir = g.downloadDir = test::kDir;
    ParseMessageText(
        L"FRM_ALL_NO_COM_SELECT=No port\rFRM_FW_UPGRADE_FILE_MISSED_MSG=Missing\r"
        L"FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG=Time-out\rFRM_FW_UPGRADE_END_MSG=Done\r"
        L"FRM_FW_UPGRADE_AVVISO_MSG=Sure?\rFRM_FW_UPGRADE_UPDATING_MSG=Sending\r"
        L"FRM_FW_UPGRADE_PROGRAMMING_MSG=Writing\rFRM_FW_UPGRADE_AVVISO1_MSG=Keep on\r"
        L"FRM_FW_UPGRADE_CLOSE_RUN_MSG=Close?\rFRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG=Hold on\r"
        L"FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG=Damaged\r",
        g.messages);
    Put({L"Up_Loader.exe", L"model.ini"});
    sys.Put(InDir(L"fw.bin"), "FW");
    sys.File(InDir(L"fw.bin")).digest = Digest(kFwSha256);
    sys.File(InDir(L"fw.bin")).lastWrite = {2026, 12, 1, 10, 22, 59, 0};
    // COM3 has been picked and saved; what the window saw of it is not
    // this test's business.
    w.portText = L"COM3";
    sys.serialPorts = {"COM3", "\\\\.\\COM12"};
    OnPortChoice(g, sys, w, PortWrite::Allowed);
    // The uploader runs from its launch until a test lets it finish.
    sys.onStart = [this] { sys.SetProcesses({"C:\\Tools\\Vz\\Up_Loader.exe"}); };
  }
  void Put(const Names& names) {
    for (const wchar_t* name : names) sys.Put(InDir(name), "");
  }
  void Start() { StartUpgrade(g, sys, w, m); }
  // One tick of the upgrade timer, if it is enabled; then 500 ms pass.
  bool Tick() {
    if (!w.timerEnabled || w.ended) return false;
    lastTickAt = static_cast<double>(sys.elapsedMs) / 1000;
    const Phase before = m.phase;
    UpgradeTick(g, sys, w, m);
    if (m.phase != before) phaseEnteredAt = lastTickAt;
    sys.Advance(0.5);
    return true;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) Tick();
  }
  // Ticks until a further message shows or the timer stops.
  void TickToMessage() {
    const std::size_t shown = w.messages.size();
    for (int i = 0; i < 1000 && w.messages.size() == shown && Tick(); ++i) {}
  }
  // Starts a run whose uploader ends at once, leaving these markers; the
  // monitor is then in phase 1.
  void RunUntilHandOver(const Names& markers) {
    Start();
    Tick();
    sys.SetProcesses({});
    Put(markers);
    Tick();
    ASSERT_EQ(m.phase, Phase::UploaderGone);
  }

  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
  MonitorState m;
  double lastTickAt = 0, phaseEnteredAt = 0;
  const Calls kRunLog{"Fw Upgrade START", "Fw Upgrade: COM3, fw.bin 2 bytes sha256 "s + kFwSha256,
                      "Timer_UL_Test: Up_Loader.exe : run"};
  // The log of a run: its first lines, then these.
  Calls RunLogThen(const Calls& more) const {
    Calls log = kRunLog;
    log.insert(log.end(), more.begin(), more.end());
    return log;
  }
  // The log as each box of the monitor found it.
  std::vector<Calls> logAtMessages;
  std::vector<int> attentionAtMessages;
  void NoteTheLogAtEachMessage() {
    w.onMessage = [this](const test::FakeWindow::Message&) {
      logAtMessages.push_back(test::LogTexts(sys));
      attentionAtMessages.push_back(w.attentionDrawn);
    };
  }
  // How often a box of this text was shown.
  int Told(const std::wstring& text) const {
    return static_cast<int>(
        std::count_if(w.messages.begin(), w.messages.end(),
                      [&](const test::FakeWindow::Message& m) { return m.text == text; }));
  }
  // The monitor has stopped and the start is offered again.
  void ExpectStartOfferedAgain() {
    EXPECT_FALSE(w.timerEnabled);
    EXPECT_EQ(w.run, test::FakeWindow::Run::Offered);
  }
};

// ---- Process lookup and timed wait ----------------------------------------

struct LookupCase {
  std::vector<std::string> names;
  bool running;
};
class Lookup : public Upgrade, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(Lookup, MatchesTheNameAsASuffixIgnoringCase) {
  sys.SetProcesses(GetParam().names);
  EXPECT_EQ(LookUpProcess(sys, L"Up_Loader.exe").state,
            GetParam().running ? ProcessState::Running : ProcessState::NotRunning);
}

INSTANTIATE_TEST_SUITE_P(Lists, Lookup,
                         ::testing::Values(LookupCase{{"explorer.exe", "UP_LOADER.EXE"}, true},
                                           LookupCase{{"C:\\x\\Up_Loader.exe"}, true},
                                           LookupCase{{"MyUp_Loader.exe"}, true},
                                           LookupCase{{"Loader.exe", "Up_Loader.ex", ""}, false},
                                           LookupCase{{"Up_Loader.exe.bak"}, false},
                                           LookupCase{{}, false}));

TEST_F(Upgrade, AListNotReadIsNeitherRunningNorEnded) {
  sys.processes = {false, {{1, "Up_Loader.exe"}}, test::kErrAccessDenied};
  ProcessLookup lookup = LookUpProcess(sys, L"Up_Loader.exe");
  EXPECT_EQ(lookup.state, ProcessState::Unknown);
  EXPECT_EQ(lookup.reason, L"5 Access denied.");
  EXPECT_FALSE(lookup.runtimeError);
  sys.throwOnProcessList = true;
  lookup = LookUpProcess(sys, L"Up_Loader.exe");
  EXPECT_EQ(lookup.state, ProcessState::Unknown);
  EXPECT_EQ(lookup.reason, L"Out of memory");
  EXPECT_TRUE(lookup.runtimeError);
}

// An uploader whose program cannot be read may be this folder's only when
// it runs in this Windows session and has not ended meanwhile.
TEST_F(Upgrade, AnUnreadableUploaderCountsOnlyInThisSessionAndWhileItRuns) {
  sys.SetProcesses({"Up_Loader.exe", "Up_Loader.exe"});  // ids 1 and 2, paths unreadable
  sys.otherSession = {1, 2};
  EXPECT_EQ(LookUpProcessIn(sys, L"Up_Loader.exe", test::kDir).state, ProcessState::NotRunning);
  sys.otherSession = {1};
  sys.endedSinceListed = {2};
  EXPECT_EQ(LookUpProcessIn(sys, L"Up_Loader.exe", test::kDir).state, ProcessState::NotRunning);
  sys.endedSinceListed.clear();
  EXPECT_EQ(LookUpProcessIn(sys, L"Up_Loader.exe", test::kDir).state, ProcessState::Running);
}

TEST_F(Upgrade, WaitSecondsPausesTheRoundedMilliseconds) {
  WaitSeconds(sys, 2);
  WaitSeconds(sys, 0.0015);
  EXPECT_EQ(sys.pauses, (std::vector<std::uint32_t>{2000, 2}));
}

// ---- Upgrade start ----------------------------------------------------------

struct RefusalCase {
  const wchar_t* port;
  MessageAnswer answer;
  Names removed;
  int questions;
  const wchar_t* error;  // the error box, if any
  bool ended;
  Calls log;
};
class Refusal : public Upgrade, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, StopsBeforeArmingTheMonitor) {
  w.portText = GetParam().port;
  w.answers = {GetParam().answer};
  for (const wchar_t* name : GetParam().removed) sys.Remove(InDir(name));
  Put({kWriteOk});
  Start();
  EXPECT_EQ(w.Shown(MessageKind::Question), GetParam().questions);
  EXPECT_EQ(w.Shown(MessageKind::Error), GetParam().error ? 1 : 0);
  if (GetParam().error) {
    EXPECT_EQ(w.messages.back().text, GetParam().error);
  }
  EXPECT_EQ(w.ended, GetParam().ended);
  if (!GetParam().ended) ExpectStartOfferedAgain();
  EXPECT_EQ(test::LogTexts(sys), GetParam().log);
  EXPECT_TRUE(sys.Has(InDir(kWriteOk))) << "no stale marker deleted";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    ::testing::Values(RefusalCase{L"", MessageAnswer::Yes, {}, 0, L"No port", false, {}},
                      RefusalCase{L"COM3x", MessageAnswer::Yes, {}, 0, L"No port", false, {}},
                      RefusalCase{L"COM0", MessageAnswer::Yes, {}, 0, L"No port", false, {}},
                      RefusalCase{L"COM3", MessageAnswer::No, {}, 1, nullptr, true, {}},
                      // Esc, the close box or a box not shown: nothing at all happens
                      RefusalCase{L"COM3", MessageAnswer::Neither, {}, 1, nullptr, false, {}},
                      RefusalCase{L"COM3",
                                  MessageAnswer::Yes,
                                  {L"fw.bin", L"Up_Loader.exe"},
                                  1,
                                  L"Missing",
                                  false,
                                  {"Fw Upgrade START", "File BIN to download missed"}},
                      RefusalCase{L"COM3",
                                  MessageAnswer::Yes,
                                  {L"Up_Loader.exe"},
                                  1,
                                  L"Missing",
                                  false,
                                  {"Fw Upgrade START", "Programm 'Up_Loader.exe' missed"}}));

struct PresenceCase {
  const wchar_t* replaced;  // the file this case stands in for
  const wchar_t* name;
  bool hidden, directory, armed;
};
class Presence : public Upgrade, public ::testing::WithParamInterface<PresenceCase> {};

TEST_P(Presence, OnlyOrdinaryFilesCountWhateverTheCase) {
  sys.Remove(InDir(GetParam().replaced));
  test::FakeSystem::Entry& e = sys.File(InDir(GetParam().name));
  e.bytes = "F";
  e.hidden = GetParam().hidden;
  e.directory = GetParam().directory;
  Start();
  EXPECT_EQ(w.timerEnabled, GetParam().armed);
  EXPECT_EQ(Told(L"Missing"), GetParam().armed ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Presence,
    ::testing::Values(PresenceCase{L"fw.bin", L"FIRMWARE.BIN", false, false, true},
                      PresenceCase{L"fw.bin", L"x.bin", true, false, false},
                      PresenceCase{L"fw.bin", L"a.bin", false, true, false},
                      PresenceCase{L"fw.bin", L"fw.bin.old", false, false, false},
                      PresenceCase{L"Up_Loader.exe", L"UP_LOADER.EXE", false, false, true},
                      PresenceCase{L"Up_Loader.exe", L"Up_Loader.exe", true, false, false}));

// Only a *.bin of more than 0 bytes is an image. The question names the
// port and each image; the log names every *.bin beside the program with
// the digest of each image, once all checks have passed.
TEST_F(Upgrade, TheQuestionNamesEachImageAndTheLogFingerprintsIt) {
  sys.Put(InDir(L"fw.bin"), "");
  Start();
  EXPECT_EQ(w.messages.at(0).text, L"Sure?\r\n\r\nCOM3");
  EXPECT_EQ(Told(L"Missing"), 1);
  EXPECT_FALSE(w.timerEnabled);
  EXPECT_EQ(test::LogTexts(sys), (Calls{kRunLog[0], "File BIN to download missed"}));

  sys.Put(InDir(L"b.BIN"), std::string(49152, '\x5A'));
  sys.File(InDir(L"b.BIN")).lastWrite = {2026, 12, 1, 10, 22, 0, 0};
  sys.File(InDir(L"b.BIN")).digest = Digest(kZSha256);
  sys.Put(InDir(L"A.bin"), "x");
  sys.File(InDir(L"A.bin")).lastWrite = {2027, 1, 9, 8, 5, 30, 0};
  sys.File(InDir(L"A.bin")).digest = Digest(kXSha256);
  Start();
  EXPECT_EQ(w.messages.at(2).text,
            L"Sure?\r\n\r\nCOM3\r\nA.bin   1   09-01-27 08:05\r\nb.BIN   49152   01-12-26 10:22");
  EXPECT_TRUE(w.timerEnabled);
  EXPECT_EQ(test::LogTexts(sys).back(), "Fw Upgrade: COM3, A.bin 1 bytes sha256 "s + kXSha256 +
                                            ", b.BIN 49152 bytes sha256 " + kZSha256 +
                                            ", fw.bin 0 bytes");
}

// A checksum file beside an image is read after Yes; a refusal deletes
// and launches nothing.
struct ChecksumCase {
  std::string content;
  std::uint32_t openError;
  const wchar_t* box;  // the error box, nullptr when the run is armed
  std::string logLine;
};
class Checksum : public Upgrade, public ::testing::WithParamInterface<ChecksumCase> {};

TEST_P(Checksum, BesideTheImageMustMatchIt) {
  sys.Put(InDir(L"fw.bin.sha256"), GetParam().content);
  sys.File(InDir(L"fw.bin.sha256")).openError = GetParam().openError;
  // A checksum file without its image, or of an empty image, is not read.
  sys.Put(InDir(L"gone.bin.sha256"), "");
  sys.Put(InDir(L"empty.bin"), "");
  sys.Put(InDir(L"empty.bin.sha256"), "");
  Put({kWriteOk});
  Start();
  if (!GetParam().box) {
    EXPECT_TRUE(w.timerEnabled);
    return;
  }
  EXPECT_EQ(w.messages.back().text, GetParam().box);
  ExpectStartOfferedAgain();
  EXPECT_EQ(test::LogTexts(sys), (Calls{kRunLog[0], GetParam().logLine}));
  EXPECT_TRUE(sys.Has(InDir(kWriteOk))) << "no stale marker deleted";
  EXPECT_TRUE(sys.started.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, Checksum,
    ::testing::Values(ChecksumCase{"\xEF\xBB\xBF"s + kFwSha256 + " *fw.bin\r\n", 0, nullptr, ""},
                      ChecksumCase{kXSha256 + "  fw.bin\n"s, 0, L"Damaged\r\nfw.bin",
                                   "Fw Upgrade: fw.bin : damaged, sha256 "s + kFwSha256 +
                                       ", fw.bin.sha256 " + kXSha256},
                      ChecksumCase{"", 0, L"fw.bin.sha256: The data is invalid.",
                                   "Fw Upgrade: fw.bin.sha256 : holds no checksum"},
                      ChecksumCase{kFwSha256, test::kErrAccessDenied,
                                   L"fw.bin.sha256: Access denied.",
                                   "Fw Upgrade: fw.bin.sha256 : not read, 5 Access denied."}));

TEST_F(Upgrade, AnImageThatCannotBeReadIsRefusedWithTheSystemsReason) {
  sys.File(InDir(L"fw.bin")).busyOpens = -1;
  Put({kWriteOk});
  Start();
  EXPECT_EQ(w.messages.back().text, L"fw.bin: Sharing violation.");
  EXPECT_FALSE(w.busy);
  ExpectStartOfferedAgain();
  EXPECT_EQ(test::LogTexts(sys),
            (Calls{kRunLog[0], "Fw Upgrade: fw.bin : not read, 32 Sharing violation."}));
  EXPECT_TRUE(sys.Has(InDir(kWriteOk)));
}

TEST_F(Upgrade, TheRunsLineNamesThePortsDeviceWhenItHasOne) {
  g.port.listed = {{3, L"USB-SERIAL CH340"}};
  Start();
  EXPECT_EQ(test::LogTexts(sys).at(1),
            "Fw Upgrade: COM3 (USB-SERIAL CH340), fw.bin 2 bytes sha256 "s + kFwSha256);
}

TEST_F(Upgrade, StaleMarkersGoOtherFilesStay) {
  const Names markers{kErasing, kErase, kWrite, kWriting, kWriteOk};
  const Names kept{L"memo_log.txt", L"FrmDescFRA.txt", L"Language.ini", L"erase.txt.bak"};
  Put(markers);
  Put(kept);
  Start();
  for (const wchar_t* name : markers) EXPECT_FALSE(sys.Has(InDir(name))) << test::Narrow(name);
  for (const wchar_t* name : kept) EXPECT_TRUE(sys.Has(InDir(name))) << test::Narrow(name);
  EXPECT_TRUE(w.timerEnabled);
}

// A marker that stays: its delete is refused (another program holds it),
// or it succeeds and the file is still there (held with delete sharing).
struct StayingMarkerCase {
  bool deleteSucceeds;
  const wchar_t* told;
};
class StayingMarker : public Upgrade, public ::testing::WithParamInterface<StayingMarkerCase> {};

TEST_P(StayingMarker, RefusesTheStart) {
  Put({kErase, kWrite});
  test::FakeSystem::Entry& held = sys.File(InDir(kWrite));
  if (GetParam().deleteSucceeds) {
    held.staysAfterDelete = true;
  } else {
    held.busyOpens = -1;
  }
  Start();
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[1].kind, MessageKind::Error);
  EXPECT_EQ(w.messages[1].text, GetParam().told);
  ExpectStartOfferedAgain();
  EXPECT_FALSE(w.ended);
  EXPECT_EQ(test::LogTexts(sys), Calls{"Fw Upgrade START"});
}

INSTANTIATE_TEST_SUITE_P(
    Ways, StayingMarker,
    ::testing::Values(StayingMarkerCase{false, L"write.txt: Sharing violation."},
                      StayingMarkerCase{true, L"write.txt: The file exists."}));

TEST_F(Upgrade, ArmingShowsTheRunStartingAndResetsTheMonitor) {
  m.phase = Phase::Erased;
  g.uploaderStarted = true;
  Start();
  EXPECT_EQ(w.messages.at(0).text, L"Sure?\r\n\r\nCOM3\r\nfw.bin   2   01-12-26 10:22");
  EXPECT_EQ(w.run, test::FakeWindow::Run::Starting);
  EXPECT_EQ(w.progressSteps, -1) << "the bar is hidden";
  EXPECT_FALSE(w.busy);
  EXPECT_TRUE(w.timerEnabled);
  EXPECT_EQ(m.phase, Phase::UploaderRunning);
  EXPECT_FALSE(g.uploaderStarted);
  EXPECT_EQ(test::LogTexts(sys), (Calls{kRunLog[0], kRunLog[1]}));
}

TEST_F(Upgrade, AClickOfTheWindowStartsARunThatLaunches) {
  for (std::size_t run = 1; run <= 2; ++run) {
    sys.SetProcesses({});  // the last run's uploader has ended
    EventHandlers handlers(g, sys);
    handlers.OnUpgradeClick(w);
    EXPECT_TRUE(w.timerEnabled);
    handlers.OnUpgradeTick(w);
    EXPECT_EQ(sys.started.size(), run);
  }
}

// ---- The port the start reads from the screen -------------------------------

TEST_F(Upgrade, NoPortOnScreenIsRefusedBeforeAnythingIsTouched) {
  Put({kErase});
  for (const wchar_t* text : {L"", L"COM3x", L"COM0", L"COM 5", L"COM256"}) {
    w.portText = text;
    w.portValid = true;
    Start();
    EXPECT_FALSE(w.portValid) << test::Narrow(text);
  }
  EXPECT_EQ(Told(L"No port"), 5);
  EXPECT_EQ(w.Shown(MessageKind::Question), 0);
  EXPECT_TRUE(sys.Has(InDir(kErase))) << "nothing deleted";
  EXPECT_FALSE(sys.Has(InDir(L"memo_log.txt")));
  EXPECT_EQ(sys.writeFirstByteCalls, 1) << "only the pick's";
  EXPECT_FALSE(w.timerEnabled);
}

TEST_F(Upgrade, TypedPortAboveTheListIsSavedBeforeTheQuestion) {
  g.downloadDir = L"D:\\Up\\";
  w.portText = L"COM25";  // typed; the list was never left
  w.answers = {MessageAnswer::No};
  Start();
  // No ends the program at the question, so the save came before it.
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x19");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\port.ini"), "\x19");
  EXPECT_EQ(sys.Bytes(L"D:\\Up\\model.ini"), "");
  EXPECT_TRUE(sys.Has(L"D:\\Up\\model.ini"));
  EXPECT_TRUE(w.portValid);
  EXPECT_TRUE(w.ended);
}

TEST_F(Upgrade, OnlyAPortOtherThanTheOneLastSavedIsWrittenAtTheStart) {
  Start();  // COM3, saved by the pick
  EXPECT_EQ(sys.writeFirstByteCalls, 1);
  EXPECT_TRUE(w.portValid);
  EXPECT_TRUE(w.timerEnabled);

  // The later starts end at their question (Esc), so that each is a start
  // of its own rather than a click during a run.
  m = MonitorState{};
  w.answers.assign(3, MessageAnswer::Neither);

  w.portText = L"COM12";  // typed over the item since
  Start();
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x0C");
  Start();
  EXPECT_EQ(sys.writeFirstByteCalls, 2);

  // A new run of the program has saved nothing yet, whatever port.ini holds.
  g.port = Globals::PortState{};
  Start();
  EXPECT_EQ(sys.writeFirstByteCalls, 3);
}

TEST_F(Upgrade, StartIsRefusedWhilePortIniCannotBeWrittenAndSavesOnceItIsFree) {
  sys.File(InDir(L"port.ini")).busyOpens = -1;
  OnPortChoice(g, sys, w, PortWrite::Allowed);  // COM3 picked again: this save fails
  w.DeliverPosted();
  Start();
  Start();
  EXPECT_FALSE(w.portValid);
  EXPECT_EQ(w.Shown(MessageKind::Question), 0);
  ASSERT_EQ(w.posted.size(), 2u) << "told at every start, after the click";
  for (const auto& box : w.posted) EXPECT_EQ(box.text, L"port.ini: Sharing violation.");
  EXPECT_EQ(test::LogTexts(sys), Calls(3, "Write_rs232_fw: Superati 3 tentativi di lettura"));
  EXPECT_FALSE(w.timerEnabled);

  sys.File(InDir(L"port.ini")).busyOpens = 0;
  Start();
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x03");
  EXPECT_TRUE(w.portValid);
  EXPECT_EQ(w.Shown(MessageKind::Question), 1);
  EXPECT_TRUE(w.timerEnabled);
  EXPECT_EQ(test::LogTexts(sys).back(), kRunLog[1]);
}

// ---- Monitor ----------------------------------------------------------------

TEST_F(Upgrade, PhaseZeroLaunchesOnceAndWaitsWithoutLimit) {
  Start();
  Tick();
  EXPECT_EQ(sys.started, std::vector<std::wstring>{InDir(L"Up_Loader.exe")});
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{2000});
  EXPECT_EQ(test::LogTexts(sys), kRunLog);
  const std::size_t boxes = w.messages.size();  // the question
  // Five minutes: no second launch, box or log line.
  Ticks(600);
  EXPECT_EQ(m.phase, Phase::UploaderRunning);
  EXPECT_EQ(sys.started.size(), 1u);
  EXPECT_EQ(w.messages.size(), boxes);
  EXPECT_EQ(test::LogTexts(sys), kRunLog);
  sys.SetProcesses({});
  Tick();
  EXPECT_EQ(m.phase, Phase::UploaderGone);
  EXPECT_EQ(sys.started.size(), 1u);
}

// The process list cannot be taken or read (an error number), or the
// lookup fails at run time (a text, also shown once in a plain box).
struct UnreadListCase {
  bool runtimeError;
  const char* logged;
  std::size_t boxes;
};
class UnreadList : public Upgrade, public ::testing::WithParamInterface<UnreadListCase> {};

TEST_P(UnreadList, KeepsPhaseZeroWaitingAndIsToldOncePerRun) {
  const std::string told =
      std::string("Timer_UL_Test: process list not read, ") + GetParam().logged;
  const auto unreadable = [this] {
    sys.processes = {false, {}, 24};
    sys.throwOnProcessList = GetParam().runtimeError;
  };
  const auto readableWithoutTheUploader = [this] {
    sys.throwOnProcessList = false;
    sys.SetProcesses({"explorer.exe"});
  };
  Start();
  Tick();  // launched; the uploader runs
  unreadable();
  Ticks(600);  // five minutes of a list that cannot be read
  EXPECT_EQ(m.phase, Phase::UploaderRunning);
  EXPECT_TRUE(w.timerEnabled);
  EXPECT_EQ(w.run, test::FakeWindow::Run::Starting) << "no start offered meanwhile";
  EXPECT_EQ(test::LogTexts(sys), RunLogThen({told}));
  ASSERT_EQ(w.messages.size(), 1 + GetParam().boxes);
  if (GetParam().boxes) {
    EXPECT_EQ(w.messages[1].text, L"Out of memory");
    EXPECT_EQ(w.messages[1].kind, MessageKind::Plain);
  }
  // Read again, without the uploader: this run fails for want of markers.
  readableWithoutTheUploader();
  TickToMessage();
  EXPECT_EQ(w.messages.back().text, L"Time-out 3");

  // The next run tells it again, and completes once the list is read.
  Start();
  Tick();
  unreadable();
  Ticks(3);
  const Calls log = test::LogTexts(sys);
  EXPECT_EQ(std::count(log.begin(), log.end(), told), 2);
  readableWithoutTheUploader();
  Put({kErasing, kErase, kWrite, kWriting, kWriteOk});
  TickToMessage();
  EXPECT_EQ(w.messages.back().text, L"Done");
  EXPECT_TRUE(w.ended);
}

INSTANTIATE_TEST_SUITE_P(Ways, UnreadList,
                         ::testing::Values(UnreadListCase{false, "24 Error 24.", 0},
                                           UnreadListCase{true, "Out of memory", 1}));

TEST_F(Upgrade, ClosingTheWindowDuringARunEndsItInTheLogOnly) {
  EventHandlers handlers(g, sys);
  handlers.OnUpgradeClick(w);
  handlers.OnUpgradeTick(w);  // launched; the uploader runs
  handlers.OnClosing(w);
  handlers.OnClosing(w);
  EXPECT_EQ(test::LogTexts(sys), RunLogThen({"Fw Upgrade END: window closed"}));
  EXPECT_EQ(w.messages.size(), 1u) << "the uploader is left to run, the window to close";
  EXPECT_FALSE(w.ended);

  // Before any run, closing logs nothing.
  EventHandlers fresh(g, sys);
  fresh.OnClosing(w);
  EXPECT_EQ(test::LogTexts(sys).size(), 4u);
}

TEST_F(Upgrade, AllMarkersEndTheProgramOnTheSeventhTick) {
  sys.exitCode = std::nullopt;  // the system could not tell
  NoteTheLogAtEachMessage();
  RunUntilHandOver({kErasing, kErase, kWrite, kWriting, kWriteOk});
  Ticks(6);
  EXPECT_EQ(m.phase, Phase::Done);
  EXPECT_FALSE(w.ended);
  EXPECT_EQ(w.progressSteps, 0) << "the bar shows, still empty";
  EXPECT_FALSE(sys.Has(InDir(kErasing)));  // stale at hand-over
  Tick();
  EXPECT_TRUE(w.ended);
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[1].text, L"Done");
  EXPECT_EQ(w.messages[1].kind, MessageKind::Information);
  const Calls log =
      RunLogThen({"Timer_UL_Test: Up_Loader.exe : ended, exit code unknown", "Fw Upgrade END: OK"});
  ASSERT_EQ(logAtMessages.size(), 2u);
  EXPECT_EQ(logAtMessages[1], log) << "the end line comes before the end message";
  EXPECT_EQ(attentionAtMessages, (std::vector<int>{0, 1})) << "the taskbar flashes before the box";
  EXPECT_EQ(test::LogTexts(sys), log);
}

struct TimeoutCase {
  Names markers;
  int phase;
  double secondsInPhase;  // from entering the phase to the failure
  int barSteps;           // -1: the bar is hidden
};
class Timeout : public Upgrade, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(Timeout, NamesTheFirstMissingPhase) {
  sys.exitCode = 0xC0000005;  // the uploader crashed
  NoteTheLogAtEachMessage();
  RunUntilHandOver(GetParam().markers);
  TickToMessage();
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(lastTickAt - phaseEnteredAt, GetParam().secondsInPhase);
  // The crash is named under the phase, in the system's words.
  EXPECT_EQ(w.messages[1].text,
            L"Time-out " + std::to_wstring(GetParam().phase) +
                L"\rUp_Loader.exe: exit code 0xC0000005 Invalid access to memory location.");
  EXPECT_EQ(w.messages[1].kind, MessageKind::Error);
  ExpectStartOfferedAgain();
  EXPECT_EQ(w.progressSteps, GetParam().barSteps);
  EXPECT_FALSE(Tick());  // the monitor has stopped
  const Calls log =
      RunLogThen({"Timer_UL_Test: Up_Loader.exe : ended, exit code 3221225477",
                  "Fw Upgrade END: time-out, phase " + std::to_string(GetParam().phase)});
  ASSERT_EQ(logAtMessages.size(), 2u);
  EXPECT_EQ(logAtMessages[1], log) << "the end line comes before the time-out message";
  EXPECT_EQ(attentionAtMessages, (std::vector<int>{0, 1})) << "the taskbar flashes before the box";
  EXPECT_EQ(test::LogTexts(sys), log);
  // Closing the window now, the run already ended, adds nothing.
  OnWindowClosing(g, sys, w, m);
  EXPECT_EQ(test::LogTexts(sys), log);
}

INSTANTIATE_TEST_SUITE_P(Markers, Timeout,
                         ::testing::Values(TimeoutCase{{}, 3, 10.5, -1},
                                           TimeoutCase{{kErase}, 4, 10.5, -1},
                                           TimeoutCase{{kErase, kWrite}, 5, 10.5, -1},
                                           TimeoutCase{{kErase, kWrite, kWriting}, 6, 11.0, 2}));

// An uploader that failed names itself under the time-out; one that ended
// well, or whose end the system could not tell, adds nothing.
TEST_F(Upgrade, TheTimeOutNamesTheUploadersExitCode) {
  for (const std::optional<std::uint32_t> code :
       {std::optional<std::uint32_t>(2), std::optional<std::uint32_t>(0),
        std::optional<std::uint32_t>()}) {
    sys.exitCode = code;
    w.messages.clear();
    RunUntilHandOver({});
    TickToMessage();
    ASSERT_EQ(w.messages.size(), 2u);
    EXPECT_EQ(w.messages[1].text,
              code == 2u ? L"Time-out 3\rUp_Loader.exe: exit code 2" : L"Time-out 3");
  }
}

struct HeartbeatCase {
  Names markers;
  const wchar_t* heartbeat;
  int phase;
};
class Heartbeat : public Upgrade, public ::testing::WithParamInterface<HeartbeatCase> {};

TEST_P(Heartbeat, KeepsTheRunAliveUntilItStops) {
  RunUntilHandOver(GetParam().markers);
  while (static_cast<int>(m.phase) < GetParam().phase) Tick();
  w.onPump = [this] { EXPECT_FALSE(w.timerEnabled) << "tick re-entered"; };
  double lastBeat = 0;
  for (int i = 0; i < 80; ++i) {  // 40 s, a heartbeat every 8 s
    const bool beat = i % 16 == 0;
    if (beat) sys.Put(InDir(GetParam().heartbeat), "");
    Tick();
    if (beat) lastBeat = lastTickAt;
  }
  EXPECT_EQ(w.messages.size(), 1u);  // alive after 40 s
  EXPECT_FALSE(sys.Has(InDir(GetParam().heartbeat)));
  TickToMessage();
  EXPECT_EQ(lastTickAt - lastBeat, 10.5);
  EXPECT_EQ(w.messages.back().text, L"Time-out " + std::to_wstring(GetParam().phase));
}

INSTANTIATE_TEST_SUITE_P(Phases, Heartbeat,
                         ::testing::Values(HeartbeatCase{{}, kErasing, 3},
                                           HeartbeatCase{{kErase, kWrite, kWriting}, kWriting, 6}));

TEST_F(Upgrade, FinishedMarkerWinsOverTheHeartbeat) {
  RunUntilHandOver({});
  Ticks(2);
  Put({kErase, kErasing});
  Tick();
  EXPECT_EQ(m.phase, Phase::Erased);
  EXPECT_TRUE(sys.Has(InDir(kErasing)));
  Put({kWrite, kWriting});
  Ticks(2);
  Put({kWriteOk});
  Tick();
  EXPECT_EQ(m.phase, Phase::Done);
  EXPECT_TRUE(sys.Has(InDir(kWriting)));
  EXPECT_EQ(m.progressSteps, 1);
}

TEST_F(Upgrade, ProgressFillsThePanelAndTheCountStopsAt255) {
  RunUntilHandOver({kErase, kWrite, kWriting});
  Ticks(5);
  ASSERT_EQ(m.phase, Phase::Writing);
  for (int beat = 1; beat <= 300; ++beat) {
    sys.Put(InDir(kWriting), "");
    Tick();
    if (beat == 25) {
      EXPECT_EQ(w.progressSteps, w.progressStepsToFill) << "the panel is full";
    }
  }
  EXPECT_EQ(m.progressSteps, 255);
  EXPECT_EQ(w.progressSteps, 255) << "drawn beyond a full panel, as the count goes on";
  EXPECT_EQ(w.messages.size(), 1u);
}

TEST_F(Upgrade, UploaderThatCannotStartIsToldAtOnceAndTheNextStartLaunchesAgain) {
  // The system's text names the file where it leaves a place for it.
  sys.startError = test::kErrBadExe;
  Start();
  Tick();
  EXPECT_EQ(
      test::LogTexts(sys),
      (Calls{kRunLog[0], kRunLog[1],
             "Timer_UL_Test: Up_Loader.exe : not started, 193 Bad EXE format for Up_Loader.exe."}));
  EXPECT_EQ(w.messages.back().text, L"Up_Loader.exe: Bad EXE format for Up_Loader.exe.");
  EXPECT_EQ(w.messages.back().kind, MessageKind::Error);
  ExpectStartOfferedAgain();
  EXPECT_TRUE(sys.pauses.empty()) << "no pause after a launch that did not happen";
  EXPECT_EQ(m.phase, Phase::UploaderRunning);
  EXPECT_FALSE(g.uploaderStarted);
  EXPECT_FALSE(Tick()) << "the monitor has stopped: no time-out follows";

  sys.startError = 0;
  Start();
  Tick();
  EXPECT_EQ(sys.started.size(), 2u);
  EXPECT_EQ(test::LogTexts(sys).back(), "Timer_UL_Test: Up_Loader.exe : run");
  EXPECT_EQ(sys.pauses, std::vector<std::uint32_t>{2000});
  EXPECT_TRUE(g.uploaderStarted);
}

// ---- What the window tells during a run ------------------------------------------

TEST_F(Upgrade, TheStatusLinesSayWhatTheRunDoesInTheLanguageOfTheMoment) {
  Start();
  EXPECT_TRUE(w.statusShown);
  EXPECT_EQ(w.statusLine1, L"Sending") << "from the arming on";
  EXPECT_EQ(w.statusLine2, L"Keep on");
  Tick();  // launched: the uploader runs
  ParseMessageText(L"FRM_FW_UPGRADE_UPDATING_MSG=Envoi\r", g.messages);  // a language switch
  Tick();
  EXPECT_EQ(w.statusLine1, L"Envoi");
  sys.SetProcesses({});
  Tick();  // phase 0 sees the uploader gone
  EXPECT_EQ(w.statusLine1, L"Writing");
  EXPECT_EQ(w.statusLine2, L"Keep on");
  TickToMessage();  // no marker: a time-out gives the start back
  EXPECT_FALSE(w.statusShown);
  EXPECT_TRUE(w.statusLine1.empty() && w.statusLine2.empty());
}

TEST_F(Upgrade, ClosingDuringARunAsksAndHoldsTheTicksWhileTheQuestionIsOpen) {
  EXPECT_TRUE(MayCloseWindow(g, w, m)) << "no run, no question";
  EXPECT_TRUE(w.messages.empty());
  RunUntilHandOver({});
  while (m.phase != Phase::Erasing) Tick();
  // The question stays open 15 s, past the phase's time-out; the erase
  // marker comes meanwhile, and is seen before the time is judged.
  w.answers = {MessageAnswer::No, MessageAnswer::Neither, MessageAnswer::Yes};
  w.onMessage = [this](const test::FakeWindow::Message&) {
    if (sys.Has(InDir(kErase))) return;
    for (int i = 0; i < 30; ++i) Tick();
    Put({kErase});
  };
  EXPECT_FALSE(MayCloseWindow(g, w, m));
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[1].text, L"Close?");
  EXPECT_EQ(w.messages[1].kind, MessageKind::Warning);
  EXPECT_EQ(m.phase, Phase::Erasing) << "no tick ran under the question";
  Tick();
  EXPECT_EQ(m.phase, Phase::Erased);
  EXPECT_EQ(w.messages.size(), 2u) << "no time-out";
  EXPECT_FALSE(MayCloseWindow(g, w, m)) << "Esc keeps the window too";
  EXPECT_TRUE(MayCloseWindow(g, w, m));
  EXPECT_TRUE(w.timerEnabled) << "the run itself goes on until the window goes";
}

// A close question opened by the bar's event pump, in a heartbeat's tick,
// and kept open 15 s while the helper goes on writing: no time-out, and a
// second request meanwhile opens no second question. Yes ends the run once.
TEST_F(Upgrade, AQuestionInTheBarsPumpMakesNoTimeOutAndIsAskedOnce) {
  RunUntilHandOver({kErase, kWrite, kWriting});
  Ticks(5);
  ASSERT_EQ(m.phase, Phase::Writing);
  const auto closeInThePump = [this](MessageAnswer answer) {
    w.answers = {answer};
    w.onPump = [this] {
      w.onPump = nullptr;
      w.onMessage = [this](const test::FakeWindow::Message&) {
        w.onMessage = nullptr;
        EXPECT_FALSE(MayCloseWindow(g, w, m)) << "a second request is dropped";
        sys.Advance(15);
        Put({kWriting});
      };
      if (MayCloseWindow(g, w, m)) OnWindowClosing(g, sys, w, m);
    };
    Put({kWriting});
    Tick();
  };
  closeInThePump(MessageAnswer::No);
  Tick();  // the heartbeat written under the question
  EXPECT_EQ(w.Shown(MessageKind::Warning), 1);
  EXPECT_EQ(w.Shown(MessageKind::Error), 0) << "no time-out";
  EXPECT_EQ(m.phase, Phase::Writing);
  EXPECT_EQ(w.progressSteps, 3);

  closeInThePump(MessageAnswer::Yes);
  EXPECT_EQ(w.Shown(MessageKind::Error), 0);
  const Calls log = test::LogTexts(sys);
  EXPECT_EQ(log.back(), "Fw Upgrade END: window closed");
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) { return l.rfind("Fw Upgrade END", 0) == 0; }),
            1);
  EXPECT_FALSE(w.pcHeld);
}

// What a run holds and shows outside the window: Windows held off shutdown
// and sleep from the question's Yes until the end line; the taskbar busy,
// then the bar's fraction, then failed under the time-out box.
TEST_F(Upgrade, ARunHoldsThePcUntilItsEndLineAndShowsItsStateOnTheTaskbar) {
  EXPECT_TRUE(MaySessionEnd(m));
  std::vector<bool> heldAtBoxes;
  std::vector<TaskbarState> taskbarAtBoxes;
  w.onMessage = [&](const test::FakeWindow::Message&) {
    heldAtBoxes.push_back(w.pcHeld);
    taskbarAtBoxes.push_back(w.taskbar);
  };
  RunUntilHandOver({kErase, kWrite, kWriting});
  EXPECT_TRUE(w.pcHeld);
  EXPECT_EQ(w.pcHeldReason, L"Hold on");
  EXPECT_FALSE(MaySessionEnd(m));
  EXPECT_EQ(w.taskbar, TaskbarState::Busy);
  Ticks(5);
  ASSERT_EQ(m.phase, Phase::Writing);
  EXPECT_EQ(w.taskbar, TaskbarState::Progress);
  EXPECT_EQ(w.taskbarSteps, 0);
  Put({kWriting});
  Tick();
  EXPECT_EQ(w.taskbarSteps, 2);
  EXPECT_EQ(w.taskbarStepsToFill, 26);
  TickToMessage();
  EXPECT_EQ(heldAtBoxes, (std::vector<bool>{false, false}))
      << "held from Yes on, not at the question";
  EXPECT_EQ(taskbarAtBoxes, (std::vector<TaskbarState>{TaskbarState::None, TaskbarState::Failed}));
  EXPECT_EQ(w.taskbar, TaskbarState::None);
  EXPECT_TRUE(MaySessionEnd(m));
}

// The other ends of a run let the PC go too: a refusal before its box, a
// window closed once the firmware is loaded (logged as loaded), Windows
// ending its session.
TEST_F(Upgrade, EveryOtherEndOfARunLetsThePcGo) {
  sys.Remove(InDir(L"fw.bin"));
  w.onMessage = [this](const test::FakeWindow::Message& box) {
    if (box.kind == MessageKind::Error) {
      EXPECT_FALSE(w.pcHeld) << "refused before its box";
    }
  };
  Start();
  EXPECT_FALSE(w.pcHeld);
  w.onMessage = nullptr;
  sys.Put(InDir(L"fw.bin"), "FW");

  Start();
  Tick();
  OnSessionEnding(g, sys, w, m);
  OnWindowClosing(g, sys, w, m);
  EXPECT_EQ(test::LogTexts(sys).back(), "Fw Upgrade END: Windows session ended");
  EXPECT_FALSE(w.pcHeld);
  EXPECT_TRUE(MaySessionEnd(m));

  m = MonitorState{};  // the program opened again, its uploader gone
  sys.SetProcesses({});
  RunUntilHandOver({kErasing, kErase, kWrite, kWriting, kWriteOk});
  Ticks(6);
  ASSERT_EQ(m.phase, Phase::Done);
  const std::size_t boxes = w.messages.size();
  EXPECT_TRUE(MayCloseWindow(g, w, m)) << "loaded: nothing to ask";
  EXPECT_EQ(w.messages.size(), boxes);
  OnWindowClosing(g, sys, w, m);
  EXPECT_EQ(test::LogTexts(sys).back(), "Fw Upgrade END: OK");
  EXPECT_FALSE(w.pcHeld);
}

// The run's adapter pulled out: logged at once, and named in the time-out
// box, before the uploader's exit code; a port coming back is logged too.
TEST_F(Upgrade, APulledRunPortIsLoggedAndNamedUnderTheTimeOut) {
  sys.exitCode = 2;
  RunUntilHandOver({});
  OnRunPortChange(g, sys, m, 12, false);  // another port
  OnRunPortChange(g, sys, m, 3, false);
  OnRunPortChange(g, sys, m, 3, true);
  TickToMessage();
  const Calls log = test::LogTexts(sys);
  EXPECT_EQ(Calls(log.end() - 3, log.end() - 1),
            (Calls{"Fw Upgrade: COM3 removed", "Fw Upgrade: COM3 arrived"}));
  EXPECT_EQ(w.messages.back().text,
            L"Time-out 3\rCOM3: " + sys.ErrorText(1617, L"COM3") + L"\rUp_Loader.exe: exit code 2");
  // The next run starts with its port in place.
  RunUntilHandOver({});
  TickToMessage();
  EXPECT_EQ(w.messages.back().text, L"Time-out 3\rUp_Loader.exe: exit code 2");
}

// ---- The phase clock ------------------------------------------------------------

struct WallClockCase {
  Names markers;
  const wchar_t* heartbeat;
  int phase;
  double shift;
};
class WallClockSet : public Upgrade, public ::testing::WithParamInterface<WallClockCase> {};

TEST_P(WallClockSet, DuringAPhaseChangesNothing) {
  RunUntilHandOver(GetParam().markers);
  while (static_cast<int>(m.phase) < GetParam().phase) Tick();
  Put({GetParam().heartbeat});
  Tick();
  const double lastBeat = lastTickAt;
  Ticks(4);
  sys.SetSecondsSinceMidnight(sys.SecondsSinceMidnight() + GetParam().shift);
  TickToMessage();
  EXPECT_EQ(w.messages.back().text, L"Time-out " + std::to_wstring(GetParam().phase));
  EXPECT_EQ(lastTickAt - lastBeat, 10.5);
}

INSTANTIATE_TEST_SUITE_P(
    HourForwardOrBack, WallClockSet,
    ::testing::Values(WallClockCase{{}, kErasing, 3, 3600}, WallClockCase{{}, kErasing, 3, -3600},
                      WallClockCase{{kErase, kWrite, kWriting}, kWriting, 6, 3600},
                      WallClockCase{{kErase, kWrite, kWriting}, kWriting, 6, -3600}));

TEST_F(Upgrade, RunAcrossMidnightTimesOutTenSecondsAfterItsLastSignOfLife) {
  sys.SetSecondsSinceMidnight(86400 - 12);
  Start();
  Tick();
  sys.SetProcesses({});
  while (m.phase < Phase::Erasing) Tick();
  Put({kErasing});
  Tick();
  const double lastBeat = lastTickAt;
  ASSERT_EQ(sys.clock.day, 6) << "the last sign of life comes before midnight";
  TickToMessage();
  EXPECT_EQ(w.messages.back().text, L"Time-out 3");
  EXPECT_EQ(lastTickAt - lastBeat, 10.5);
  EXPECT_EQ(sys.clock.day, 7);
  // The log keeps the local date and time.
  EXPECT_EQ(test::Lines(sys.Bytes(InDir(L"memo_log.txt")))[0],
            "06-12-26 23:59:48 Fw Upgrade START");
}

}  // namespace
}  // namespace vz
