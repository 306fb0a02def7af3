#include "port/port_list_refresh.h"

#include <algorithm>
#include <memory>

#include "port/port_choice.h"
#include "port/port_devices.h"

namespace vz {

void PortListRefresh::PortArrived(MainWindow& w, int port) {
  if (port < 1 || port > kHighestPort || Queued(port)) return;
  jobs_.push_back({port});
  StartNextJob(w);
}

void PortListRefresh::PortRemoved(MainWindow& w, int port) {
  if (port < 1 || port > kHighestPort) return;
  toAdd_.erase(port);
  toRemove_.insert(port);
  if (probing_) removedWhileProbing_.insert(port);
  ApplyChanges(w);
  ShowIdleLines(g_, w);
}

void PortListRefresh::DevicesChanged(MainWindow& w) {
  lastChangeMs_ = sys_.ElapsedMilliseconds();
  if (!settling_) {
    settling_ = true;
    w.SetDeviceSettleTimer(true);
  }
}

void PortListRefresh::SettleTick(MainWindow& w) {
  if (!settling_ || sys_.ElapsedMilliseconds() - lastChangeMs_ < kDeviceSettleMs) return;
  settling_ = false;
  w.SetDeviceSettleTimer(false);
  if (Queued(0)) return;  // a sweep is waiting already
  jobs_.push_back({0});
  StartNextJob(w);
}

void PortListRefresh::DropDownClosed(MainWindow& w) {
  ApplyChanges(w);
  ShowIdleLines(g_, w);
}

bool PortListRefresh::Queued(int port) const {
  return std::any_of(jobs_.begin(), jobs_.end(), [port](const Job& j) { return j.port == port; });
}

std::vector<int> PortListRefresh::PortsToProbe(MainWindow& w, const Job& job) {
  std::set<int> skip(toAdd_.begin(), toAdd_.end());
  for (const auto& listed : g_.port.listed) {
    if (!toRemove_.count(listed.first)) skip.insert(listed.first);
  }
  std::vector<int> ports;
  if (job.port != 0) {
    if (!skip.count(job.port)) ports.push_back(job.port);
    return ports;
  }
  // The port the list's text names may be in use by this program's own
  // run: it is never opened by a sweep.
  if (const std::optional<std::uint8_t> named = ParsePortText(w.PortText())) {
    skip.insert(*named);
  }
  for (int n = 1; n <= kHighestPort; ++n) {
    if (!skip.count(n)) ports.push_back(n);
  }
  return ports;
}

void PortListRefresh::StartNextJob(MainWindow& w) {
  while (!probing_ && !*runUnderWay_ && !jobs_.empty()) {
    const Job job = jobs_.front();
    jobs_.pop_front();
    // Run even with no port to probe: the names are read again.
    const std::vector<int> ports = PortsToProbe(w, job);
    probing_ = true;
    removedWhileProbing_.clear();
    // The probe runs on the window's worker thread: an open can take
    // seconds. The work owns all it uses, so that it may outlive this
    // object; only the finding comes back.
    auto finding = std::make_shared<Finding>();
    w.RunInBackground(
        [read = sys_.SharedDeviceReader(), probe = sys_.SharedPortProbe(), run = runUnderWay_,
         opening = portInProbe_, ports, finding] {
          finding->devices = read();
          const std::set<int> unopened = BluetoothPorts(finding->devices);
          for (int n : ports) {
            if (*run) {
              finding->cutShort = true;
              return;
            }
            if (unopened.count(n)) {
              finding->opened.push_back(n);
              continue;
            }
            *opening = n;
            const bool opened = probe(PortDeviceName(n)).ok;
            *opening = 0;
            if (opened) finding->opened.push_back(n);
          }
        },
        [this, job, finding](MainWindow& window) { ProbeDone(window, job, *finding); });
  }
}

void PortListRefresh::ProbeDone(MainWindow& w, const Job& job, const Finding& finding) {
  probing_ = false;
  for (int n : finding.opened) {
    if (removedWhileProbing_.count(n)) continue;
    toRemove_.erase(n);
    toAdd_.insert(n);
  }
  removedWhileProbing_.clear();
  names_ = NamesByPort(finding.devices);
  g_.port.driverlessBridges = DriverlessBridges(finding.devices);
  ApplyChanges(w);
  ShowIdleLines(g_, w);
  // Ports found before the run began are listed; the rest waits for its end.
  if (finding.cutShort && !Queued(job.port)) jobs_.push_front(job);
  StartNextJob(w);
}

void PortListRefresh::ApplyChanges(MainWindow& w) {
  // Never rebuilt under the technician's hand.
  if (w.PortListOpen()) return;
  std::map<std::uint8_t, std::wstring> listed = g_.port.listed;
  for (int n : toRemove_) listed.erase(static_cast<std::uint8_t>(n));
  for (int n : toAdd_) listed[static_cast<std::uint8_t>(n)];
  if (names_) {
    for (auto& [port, name] : listed) {
      const auto read = names_->find(port);
      name = read != names_->end() ? read->second : std::wstring();
    }
  }
  toAdd_.clear();
  toRemove_.clear();
  if (listed == g_.port.listed) return;
  g_.port.listed = std::move(listed);
  w.ShowPorts(Listings(g_.port.listed));
}

}  // namespace vz
