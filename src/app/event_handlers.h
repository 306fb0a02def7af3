// The main window's event handlers: each event goes to the subsystem that
// handles it. Owns the upgrade monitor's state.
#pragma once

#include "platform/system.h"
#include "port/port_choice.h"
#include "port/port_list_refresh.h"
#include "state/globals.h"
#include "upgrade/monitor.h"
#include "window/main_window.h"

namespace vz {

class EventHandlers : public WindowEvents {
 public:
  EventHandlers(Globals& g, System& sys)
      : g_(g), sys_(sys), ports_(g, sys, monitor_.runUnderWay, monitor_.portInProbe) {}

  void OnPortPicked(MainWindow& w) override;
  void OnPortTextCommitted(MainWindow& w) override;
  void OnLanguageClick(MainWindow& w) override;
  void OnUpgradeClick(MainWindow& w) override;
  void OnExitClick(MainWindow& w) override;
  void OnUpgradeTick(MainWindow& w) override;
  bool OnCloseAsked(MainWindow& w) override { return MayCloseWindow(g_, w, monitor_); }
  void OnClosing(MainWindow& w) override;
  bool OnSessionEndAsked(MainWindow&) override { return MaySessionEnd(monitor_); }
  void OnSessionEnded(MainWindow& w) override { OnSessionEnding(g_, sys_, w, monitor_); }
  void OnPortArrived(MainWindow& w, int port) override;
  void OnPortRemoved(MainWindow& w, int port) override;
  void OnDevicesChanged(MainWindow& w) override { ports_.DevicesChanged(w); }
  void OnDeviceSettleTick(MainWindow& w) override { ports_.SettleTick(w); }
  void OnPortListClosed(MainWindow& w) override { ports_.DropDownClosed(w); }

 private:
  // A run holds the port list from its question on: a choice is not written.
  PortWrite PortWriteNow() const;

  Globals& g_;
  System& sys_;
  MonitorState monitor_;
  PortListRefresh ports_;
};

}  // namespace vz
