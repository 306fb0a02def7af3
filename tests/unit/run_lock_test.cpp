// What a run holds while it is under way: the port list, locked from the
// question until the start is refused or given back, and the probes of new
// ports; and the two checks made before anything is deleted or launched.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/event_handlers.h"
#include "testkit/fakes.h"
#include "port/port_choice.h"

namespace vz {
namespace {

using test::InDir;

class RunHold : public ::testing::Test {
 protected:
  RunHold() {
    g.programDir = g.downloadDir = test::kDir;
    ParseMessageText(
        L"FRM_FW_UPGRADE_FILE_MISSED_MSG=Missing\rFRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG=Time-out\r"
        L"FRM_FW_UPGRADE_END_MSG=Done\rFRM_FW_UPGRADE_AVVISO_MSG=Sure?\r",
        g.messages);
    for (const wchar_t* name : {L"fw.bin", L"Up_Loader.exe", L"model.ini", L"write_ok.txt"}) {
      sys.Put(InDir(name), "FW");
    }
    sys.serialPorts = {"COM3"};
    w.portText = L"COM3";
    handlers.OnPortPicked(w);
  }
  bool Logged(const std::string& line) {
    const std::vector<std::string> log = test::LogTexts(sys);
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  // Ticks the monitor, 500 ms apart, until the timer stops.
  void TickToTheEnd() {
    for (int i = 0; i < 200 && w.timerEnabled && !w.ended; ++i) {
      handlers.OnUpgradeTick(w);
      sys.Advance(0.5);
    }
  }
  // A start refused before the monitor was armed: nothing deleted or
  // launched, the list given back.
  void ExpectRefused() {
    EXPECT_TRUE(sys.Has(InDir(L"write_ok.txt")));
    EXPECT_TRUE(sys.started.empty());
    EXPECT_FALSE(w.timerEnabled);
    EXPECT_TRUE(w.PortListTakesChoices());
  }

  test::FakeSystem sys;
  test::FakeWindow w;
  Globals g;
  EventHandlers handlers{g, sys};
};

TEST_F(RunHold, ThePortListIsLockedFromTheQuestionUntilTheMonitorGivesTheStartBack) {
  bool heldAtQuestion = false;
  w.onMessage = [&](const test::FakeWindow::Message&) {
    heldAtQuestion = !w.PortListTakesChoices();
  };
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(heldAtQuestion);
  EXPECT_FALSE(w.PortListTakesChoices());
  ASSERT_TRUE(w.timerEnabled);

  // Ports announced meanwhile are not probed under the run.
  sys.serialPorts.insert("COM7");
  handlers.OnPortArrived(w, 7);
  EXPECT_TRUE(w.jobs.empty());

  TickToTheEnd();  // the uploader leaves no marker: a time-out
  ASSERT_EQ(w.messages.back().text, L"Time-out 3");
  EXPECT_TRUE(w.PortListTakesChoices());
  EXPECT_EQ(w.jobs.size(), 1u) << "the probe asked for during the run runs now";
}

TEST_F(RunHold, AStartRefusedAfterTheQuestionGivesTheListBackAndSuccessKeepsItLocked) {
  sys.Remove(InDir(L"fw.bin"));
  handlers.OnUpgradeClick(w);
  ExpectRefused();

  sys.Put(InDir(L"fw.bin"), "FW");
  sys.onStart = [this] {
    for (const wchar_t* m : {L"erase.txt", L"write.txt", L"writing.txt", L"write_ok.txt"}) {
      sys.Put(InDir(m), "");
    }
  };
  handlers.OnUpgradeClick(w);
  TickToTheEnd();
  EXPECT_TRUE(w.ended);
  EXPECT_FALSE(w.PortListTakesChoices()) << "the program ends with the list locked";
}

TEST_F(RunHold, ThisFoldersUploaderRefusesTheStartAndHoldsAPickUntilItHasEnded) {
  sys.SetProcesses({"c:\\tools\\vz\\UP_LOADER.EXE"});
  w.portText = L"COM12";  // typed over the saved COM3
  handlers.OnUpgradeClick(w);
  const std::wstring busy = L"Up_Loader.exe: " + sys.ErrorText(170, L"Up_Loader.exe");
  EXPECT_EQ(test::LogTexts(sys),
            std::vector<std::string>{"Fw Upgrade: Up_Loader.exe : already running"});
  ASSERT_EQ(w.messages.size(), 1u) << "refused before the question";
  EXPECT_EQ(w.messages[0].text, busy);
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x03") << "the running uploader's port stays";
  ExpectRefused();

  // A pick writes nothing either; the list shows the saved port again.
  w.portText = L"COM12";
  handlers.OnPortPicked(w);
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x03");
  EXPECT_EQ(w.portText, L"COM3");
  ASSERT_EQ(w.posted.size(), 1u);
  EXPECT_EQ(w.posted[0].text, busy);

  // One whose program cannot be read may be this folder's: it counts.
  sys.SetProcesses({"Up_Loader.exe"});
  handlers.OnUpgradeClick(w);
  EXPECT_FALSE(w.timerEnabled);

  sys.SetProcesses({});
  sys.serialPorts.insert("\\\\.\\COM12");
  w.portText = L"COM12";
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(w.timerEnabled) << "checked again, and now it goes";
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x0C");
}

TEST_F(RunHold, AnotherFoldersUploaderOrALookAlikeNameRefusesNothing) {
  sys.SetProcesses({"C:\\Other\\Up_Loader.exe", "C:\\Tools\\Vz\\Setup_Loader.exe"});
  sys.serialPorts.insert("\\\\.\\COM12");
  w.portText = L"COM12";
  handlers.OnPortPicked(w);
  EXPECT_EQ(sys.Bytes(InDir(L"port.ini")), "\x0C");
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(w.timerEnabled);
}

// A second click that comes through the start's own pumps or boxes.
class ClickDuringStart : public RunHold, public ::testing::WithParamInterface<MessageAnswer> {};

TEST_P(ClickDuringStart, IsDroppedWhateverItsQuestionWouldHaveBeenAnswered) {
  w.answers = {MessageAnswer::Yes, GetParam()};
  w.onPump = [this] { handlers.OnUpgradeClick(w); };
  handlers.OnUpgradeClick(w);
  EXPECT_EQ(w.Shown(MessageKind::Question), 1);
  const std::vector<std::string> log = test::LogTexts(sys);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Fw Upgrade START"), 1);
  EXPECT_FALSE(w.ended);
  EXPECT_TRUE(w.timerEnabled);
  EXPECT_FALSE(w.PortListTakesChoices()) << "the run still holds the list";
  handlers.OnPortArrived(w, 7);
  EXPECT_TRUE(w.jobs.empty()) << "and no port is probed beside it";
}

INSTANTIATE_TEST_SUITE_P(Answers, ClickDuringStart,
                         ::testing::Values(MessageAnswer::Yes, MessageAnswer::No,
                                           MessageAnswer::Neither));

TEST_F(RunHold, AProbeUnderWayStopsBeforeTheRunsPortCheckAndRunsAgainAfterTheRun) {
  sys.serialPorts.insert("COM7");
  handlers.OnDevicesChanged(w);
  sys.Advance(1);
  handlers.OnDeviceSettleTick(w);
  ASSERT_EQ(w.jobs.size(), 1u) << "a sweep on its way to the worker";

  handlers.OnUpgradeClick(w);  // the start waits for the worker, which stops
  EXPECT_EQ(sys.probed, std::vector<std::string>{"COM3"}) << "only the run's port was opened";
  w.FinishBackgroundJobs();
  EXPECT_TRUE(w.portEntries.empty());

  TickToTheEnd();  // a time-out gives the start back
  w.FinishBackgroundJobs();
  EXPECT_EQ(w.portEntries, std::vector<std::wstring>{L"COM7"});
}

// The start waits a while for an open of the port list's probe that does
// not return, answering the window meanwhile, then refuses, naming the port.
TEST_F(RunHold, AProbeStuckInAnOpenRefusesTheStartNamingItsPort) {
  sys.hangingPorts = {"COM7"};
  handlers.OnDevicesChanged(w);
  sys.Advance(1);
  handlers.OnDeviceSettleTick(w);
  w.StartBackgroundWork();  // the sweep reaches COM7 and stays in its open
  int pumpsInTheWait = 0;
  w.onPump = [&] { pumpsInTheWait = w.busy ? pumpsInTheWait + 1 : pumpsInTheWait; };
  handlers.OnUpgradeClick(w);
  EXPECT_EQ(pumpsInTheWait, 1) << "the window answers during the wait";
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[1].text, L"COM7: " + sys.ErrorText(1460, L"COM7"));
  EXPECT_TRUE(Logged("Fw Upgrade: COM7 : still being probed, 1460 " +
                     test::Narrow(sys.ErrorText(1460, L"COM7"))));
  ExpectRefused();
}

// From the question's Yes on, a close, or a click of Exit queued before it
// went, asks first, in each of the start's event pumps; Yes ends the run in
// the log, with nothing launched.
class CloseDuringStart : public RunHold, public ::testing::WithParamInterface<int> {};

TEST_P(CloseDuringStart, IsAskedAndAYesEndsTheRunInTheLogWithNothingLaunched) {
  w.answers = {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Yes};
  w.onPump = [this] {
    if (w.pumps != GetParam()) return;
    handlers.OnExitClick(w);  // No: the run goes on
    EXPECT_FALSE(w.ended);
    if (handlers.OnCloseAsked(w)) handlers.OnClosing(w);  // Yes: the window goes
  };
  handlers.OnUpgradeClick(w);
  EXPECT_EQ(w.Shown(MessageKind::Warning), 2);
  EXPECT_EQ(test::LogTexts(sys).back(), "Fw Upgrade END: window closed");
  EXPECT_TRUE(sys.started.empty());
  EXPECT_FALSE(w.timerEnabled);
  EXPECT_FALSE(w.pcHeld);
}

// Pump 1: the wait for the probe; 2: the arming.
INSTANTIATE_TEST_SUITE_P(Pumps, CloseDuringStart, ::testing::Values(1, 2));

TEST_F(RunHold, AProcessListThatCannotBeReadDoesNotRefuseTheStartAndIsToldOnce) {
  sys.processes = {false, {}, 5};
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(w.timerEnabled);
  for (int i = 0; i < 4; ++i) {
    handlers.OnUpgradeTick(w);
    sys.Advance(0.5);
  }
  const std::vector<std::string> log = test::LogTexts(sys);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) {
                            return l.rfind("Timer_UL_Test: process list not read, 5 ", 0) == 0;
                          }),
            1);
}

TEST_F(RunHold, ARunPortThatDoesNotOpenRefusesTheStartUntilItOpens) {
  sys.serialPortErrors = {{"COM3", 5}};  // another program holds it
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(Logged("Fw Upgrade: COM3 : not opened, 5 " + test::Narrow(sys.ErrorText(5, L""))));
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[1].text, L"COM3: " + sys.ErrorText(5, L""));
  ExpectRefused();

  sys.serialPortErrors.clear();
  handlers.OnUpgradeClick(w);
  EXPECT_TRUE(w.timerEnabled);
}

}  // namespace
}  // namespace vz
