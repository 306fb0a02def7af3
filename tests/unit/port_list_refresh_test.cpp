// The port list follows the ports that come and go while the window is
// open: probes run in the background, one at a time, never during a run.
#include "port/port_list_refresh.h"

#include <gtest/gtest.h>

#include "port/port_devices.h"
#include "testkit/fakes.h"

namespace vz {
namespace {

using Items = std::vector<std::wstring>;

class PortListFollowsDevices : public ::testing::Test {
 protected:
  PortListFollowsDevices() {
    g.port.listed = {{1, L""}, {3, L""}, {12, L""}};
    w.ShowPorts(Listings(g.port.listed));
    w.portText = g.port.handledText = L"COM3";
    w.portValid = true;
    sys.Put(test::InDir(L"port.ini"), "\x03");
    sys.serialPorts = {"COM1", "COM3", "\\\\.\\COM12"};
  }
  // The list's text, its colour and port.ini: what a refresh never touches.
  void ExpectChoiceUntouched() {
    EXPECT_EQ(w.portText, L"COM3");
    EXPECT_TRUE(w.portValid);
    EXPECT_EQ(sys.Bytes(test::InDir(L"port.ini")), "\x03");
  }
  // Lets the broadcasts settle, ticking as the window's timer does.
  void Settle() {
    for (int i = 0; i < 10 && w.settleTimerEnabled; ++i) {
      sys.Advance(0.1);
      refresh.SettleTick(w);
    }
  }

  Globals g;
  test::FakeSystem sys;
  test::FakeWindow w;
  std::shared_ptr<std::atomic<bool>> runUnderWay = std::make_shared<std::atomic<bool>>(false);
  PortListRefresh refresh{g, sys, runUnderWay, std::make_shared<std::atomic<int>>(0)};
};

TEST_F(PortListFollowsDevices, ArrivalsRemovalsAndChangesLeaveTheChoiceAlone) {
  sys.serialPorts.insert("COM7");
  refresh.PortArrived(w, 7);
  EXPECT_TRUE(sys.probed.empty()) << "probed on the worker, not in the broadcast";
  w.FinishBackgroundJobs();
  EXPECT_EQ(sys.probed, std::vector<std::string>{"COM7"});
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM3", L"COM7", L"COM12"}));

  // The chosen port goes: out of the list, nothing opened, the text stays.
  refresh.PortRemoved(w, 3);
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM7", L"COM12"}));
  EXPECT_EQ(sys.probed.size(), 1u);

  // Devices changed: every unlisted port is probed, never a listed one nor
  // the one the text names.
  sys.probed.clear();
  sys.serialPorts.insert("\\\\.\\COM200");
  refresh.DevicesChanged(w);
  Settle();
  w.FinishBackgroundJobs();
  EXPECT_EQ(sys.probed.size(), 255u - 4u);
  for (const char* untouched : {"COM1", "COM3", "COM7", "\\\\.\\COM12"}) {
    EXPECT_EQ(std::count(sys.probed.begin(), sys.probed.end(), untouched), 0) << untouched;
  }
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM7", L"COM12", L"COM200"}));
  ExpectChoiceUntouched();
}

TEST_F(PortListFollowsDevices, ABurstOfChangesGivesOneProbeHalfASecondAfterTheLast) {
  for (int i = 0; i < 4; ++i) {
    refresh.DevicesChanged(w);
    sys.Advance(0.2);
    refresh.SettleTick(w);
    EXPECT_TRUE(w.jobs.empty()) << "still settling after event " << i;
  }
  sys.Advance(0.2);
  refresh.SettleTick(w);
  EXPECT_TRUE(w.jobs.empty()) << "400 ms after the last";
  sys.Advance(0.1);
  refresh.SettleTick(w);
  EXPECT_EQ(w.jobs.size(), 1u);
  EXPECT_FALSE(w.settleTimerEnabled);
  EXPECT_EQ(w.settleTimerStarts, 1);
}

TEST_F(PortListFollowsDevices, NoProbeRunsDuringARunAndOnlyOneAtATimeAfterIt) {
  *runUnderWay = true;
  refresh.PortArrived(w, 7);
  refresh.DevicesChanged(w);
  Settle();
  refresh.PortRemoved(w, 12);  // a removal opens nothing: it is made at once
  EXPECT_TRUE(w.jobs.empty());
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM3"}));

  *runUnderWay = false;
  refresh.ResumeAfterRun(w);
  ASSERT_EQ(w.jobs.size(), 1u) << "the arrival first";
  auto arrival = std::move(w.jobs.front());
  w.jobs.pop_front();
  arrival.work();
  EXPECT_TRUE(w.jobs.empty()) << "the next waits for the first to report";
  arrival.done(w);
  EXPECT_EQ(w.jobs.size(), 1u) << "then the sweep";
  w.FinishBackgroundJobs();
  EXPECT_TRUE(w.jobs.empty());
}

TEST_F(PortListFollowsDevices, AnOpenDropDownIsChangedOnlyOnceItCloses) {
  sys.serialPorts.insert("COM7");
  sys.devices.serialPorts = {{L"COM3", L"", L"Communications Port", false}};
  w.portListOpen = true;
  refresh.PortArrived(w, 7);
  w.FinishBackgroundJobs();
  refresh.PortRemoved(w, 1);
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM3", L"COM12"}));
  EXPECT_EQ(w.PortDevice(L"COM3"), L"") << "a new name waits too";
  w.portListOpen = false;
  refresh.DropDownClosed(w);
  EXPECT_EQ(w.portEntries, (Items{L"COM3", L"COM7", L"COM12"}));
  EXPECT_EQ(w.PortDevice(L"COM3"), L"Communications Port");
  EXPECT_EQ(w.statusLine1, L"Communications Port");
  ExpectChoiceUntouched();
}

TEST_F(PortListFollowsDevices, NamesAreReadAgainWithEachProbeAndShownBesideTheirPorts) {
  sys.serialPorts.insert("COM7");
  sys.devices.serialPorts = {{L"COM3", L"Prolific USB-to-Serial Comm Port (COM3)", L"", false},
                             {L"COM7", L"", L"USB-SERIAL CH340", false}};
  refresh.PortArrived(w, 7);
  w.FinishBackgroundJobs();
  EXPECT_EQ(w.ports, (std::vector<PortListing>{{L"COM1", L""},
                                               {L"COM3", L"Prolific USB-to-Serial Comm Port"},
                                               {L"COM7", L"USB-SERIAL CH340"},
                                               {L"COM12", L""}}));
  // The chosen port's device, in view while idle.
  EXPECT_EQ(w.statusLine1, L"Prolific USB-to-Serial Comm Port");
  EXPECT_TRUE(w.statusShown);

  // The adapter on COM3 now has no device node: its name goes at the next
  // reading, its row stays until Windows says the port went.
  sys.devices.serialPorts.erase(sys.devices.serialPorts.begin());
  refresh.DevicesChanged(w);
  Settle();
  w.FinishBackgroundJobs();
  EXPECT_EQ(w.PortDevice(L"COM3"), L"");
  EXPECT_EQ(w.PortDevice(L"COM7"), L"USB-SERIAL CH340");
  EXPECT_EQ(w.statusLine1, L"");
  EXPECT_FALSE(w.statusShown);
  ExpectChoiceUntouched();
}

TEST_F(PortListFollowsDevices, ABluetoothLinkIsListedFromItsDeviceNodeWithoutAnOpen) {
  sys.devices.serialPorts = {{L"COM9", L"Standard Serial over Bluetooth link (COM9)", L"", true}};
  refresh.DevicesChanged(w);
  Settle();
  w.FinishBackgroundJobs();
  EXPECT_EQ(std::count(sys.probed.begin(), sys.probed.end(), "COM9"), 0);
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM3", L"COM9", L"COM12"}));
  EXPECT_EQ(w.PortDevice(L"COM9"), L"Standard Serial over Bluetooth link");
}

TEST_F(PortListFollowsDevices, AnAdapterWithoutADriverIsToldUntilItIsPulledOut) {
  (void)g.messages.Store(L"FRM_FW_UPGRADE_NO_DRIVER_MSG", L"No driver:");
  sys.devices.usbWithoutDriver = {L"USB\\VID_1A86&PID_7523&REV_0254"};
  refresh.DevicesChanged(w);
  Settle();
  w.FinishBackgroundJobs();
  EXPECT_EQ(w.statusLine2, L"No driver: CH340");
  EXPECT_TRUE(w.statusShown);

  sys.devices.usbWithoutDriver.clear();
  refresh.PortRemoved(w, 12);  // a removal alone reads nothing
  EXPECT_EQ(w.statusLine2, L"No driver: CH340");
  refresh.DevicesChanged(w);
  Settle();
  w.FinishBackgroundJobs();
  EXPECT_EQ(w.statusLine2, L"");
  EXPECT_FALSE(w.statusShown);
}

TEST_F(PortListFollowsDevices, APortPulledOutWhileItIsProbedIsNotListed) {
  sys.serialPorts.insert("COM7");
  refresh.PortArrived(w, 7);
  w.jobs.front().work();      // the probe opened it ...
  refresh.PortRemoved(w, 7);  // ... and then it went
  w.jobs.front().done(w);
  w.jobs.clear();
  EXPECT_EQ(w.portEntries, (Items{L"COM1", L"COM3", L"COM12"}));
}

}  // namespace
}  // namespace vz
