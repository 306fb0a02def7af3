// Keeps the port list in step with the serial ports that come and go while
// the window is open: a USB adapter plugged in or pulled out. Windows tells
// every top-level window; the window hands each broadcast on here.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system.h"
#include "state/globals.h"
#include "window/main_window.h"

namespace vz {

// Quiet time after the last "devices changed" broadcast before the
// unlisted ports are probed, so that a burst gives one probe.
inline constexpr std::uint64_t kDeviceSettleMs = 500;

class PortListRefresh {
 public:
  // `runUnderWay` is true while a run holds the port list (from the
  // question until the start is refused or given back): no probe starts
  // then, and a probe under way stops before its next open, since no port
  // may be opened beside the run's port check or the uploader. A probe
  // cut short runs again once the run is over. The probe publishes the
  // port it is opening in `portInProbe` (0 between opens).
  // The ports listed are kept in g.port.listed, with their device names;
  // each probe reads the names and the adapters without a driver again.
  PortListRefresh(Globals& g, System& sys, std::shared_ptr<const std::atomic<bool>> runUnderWay,
                  std::shared_ptr<std::atomic<int>> portInProbe)
      : g_(g),
        sys_(sys),
        runUnderWay_(std::move(runUnderWay)),
        portInProbe_(std::move(portInProbe)) {}

  // A port named in the broadcast arrived: probed, and listed if it opens
  // (a Bluetooth link is listed unopened).
  void PortArrived(MainWindow& w, int port);
  // A port named in the broadcast went: taken out of the list, unopened.
  void PortRemoved(MainWindow& w, int port);
  // Some device changed, no name given: once the broadcasts have settled,
  // every unlisted port is probed, and those that open are listed; a
  // Bluetooth link is listed unopened.
  void DevicesChanged(MainWindow& w);
  void SettleTick(MainWindow& w);
  // The drop-down closed: changes held back while it was open are made.
  void DropDownClosed(MainWindow& w);

  // A probe asked for during a run starts once the run is over.
  void ResumeAfterRun(MainWindow& w) { StartNextJob(w); }

 private:
  struct Job {
    int port;  // 0: every port that is not listed
  };
  // What a probe found: the ports to list and the devices read before;
  // `cutShort` when a run began before its last open.
  struct Finding {
    std::vector<int> opened;
    DeviceInventory devices;
    bool cutShort = false;
  };
  bool Queued(int port) const;  // port 0: a sweep
  void StartNextJob(MainWindow& w);
  void ProbeDone(MainWindow& w, const Job& job, const Finding& finding);
  void ApplyChanges(MainWindow& w);
  std::vector<int> PortsToProbe(MainWindow& w, const Job& job);

  Globals& g_;
  System& sys_;
  std::deque<Job> jobs_;
  bool probing_ = false;
  std::shared_ptr<const std::atomic<bool>> runUnderWay_;
  std::shared_ptr<std::atomic<int>> portInProbe_;
  bool settling_ = false;
  std::uint64_t lastChangeMs_ = 0;
  // Changes to the list not yet made (the drop-down was open).
  std::set<int> toAdd_, toRemove_;
  // The device names last read, by port; none read since start-up yet.
  std::optional<std::map<std::uint8_t, std::wstring>> names_;
  // Ports that went while a probe ran: its finding for them is stale.
  std::set<int> removedWhileProbing_;
};

}  // namespace vz
