#include "port/port_list_refresh.h"

#include <algorithm>
#include <memory>

#include "port/port_choice.h"

namespace vz {
namespace {

// The port number of each entry, in list order (0 for an entry that names
// no port).
std::vector<int> ListedPorts(MainWindow& w) {
  std::vector<int> ports;
  for (const std::wstring& entry : w.PortEntries()) {
    const std::optional<std::uint8_t> n = ParsePortText(entry);
    ports.push_back(n ? *n : 0);
  }
  return ports;
}

}  // namespace

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

void PortListRefresh::DropDownClosed(MainWindow& w) { ApplyChanges(w); }

bool PortListRefresh::Queued(int port) const {
  return std::any_of(jobs_.begin(), jobs_.end(), [port](const Job& j) { return j.port == port; });
}

std::vector<int> PortListRefresh::PortsToProbe(MainWindow& w, const Job& job) {
  std::set<int> skip(toAdd_.begin(), toAdd_.end());
  for (int n : ListedPorts(w)) {
    if (!toRemove_.count(n)) skip.insert(n);
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
    const std::vector<int> ports = PortsToProbe(w, job);
    if (ports.empty()) continue;
    probing_ = true;
    removedWhileProbing_.clear();
    // The probe runs on the window's worker thread: an open can take
    // seconds (an outgoing Bluetooth port). The work owns all it uses, so
    // that it may outlive this object; only the finding comes back.
    auto finding = std::make_shared<Finding>();
    w.RunInBackground(
        [probe = sys_.SharedPortProbe(), run = runUnderWay_, opening = portInProbe_, ports,
         finding] {
          for (int n : ports) {
            if (*run) {
              finding->cutShort = true;
              return;
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
  ApplyChanges(w);
  // Ports found before the run began are listed; the rest waits for its end.
  if (finding.cutShort && !Queued(job.port)) jobs_.push_front(job);
  StartNextJob(w);
}

void PortListRefresh::ApplyChanges(MainWindow& w) {
  if (toAdd_.empty() && toRemove_.empty()) return;
  // Never rebuilt under the technician's hand.
  if (w.PortListOpen()) return;
  for (int n : toRemove_) {
    const std::vector<int> listed = ListedPorts(w);
    const auto at = std::find(listed.begin(), listed.end(), n);
    if (at != listed.end()) {
      w.RemovePortEntry(static_cast<std::size_t>(at - listed.begin()));
    }
  }
  for (int n : toAdd_) {
    const std::vector<int> listed = ListedPorts(w);
    if (std::find(listed.begin(), listed.end(), n) != listed.end()) continue;
    // In number order: before the first entry with a higher number.
    const auto at = std::find_if(listed.begin(), listed.end(), [n](int m) { return m > n; });
    w.InsertPortEntry(static_cast<std::size_t>(at - listed.begin()), PortEntry(n));
  }
  toAdd_.clear();
  toRemove_.clear();
}

}  // namespace vz
