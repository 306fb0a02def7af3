// The main window's event handlers: each event goes to the subsystem that
// handles it. Owns the upgrade monitor's state.
#pragma once

#include "platform/system.h"
#include "state/globals.h"
#include "upgrade/monitor.h"
#include "window/main_window.h"

namespace vz {

class FormHandlers : public FormEvents {
 public:
  FormHandlers(Globals& g, System& sys) : g_(g), sys_(sys) {}

  void OnPortClick(MainWindow& w) override;
  void OnPortTextCommitted(MainWindow& w) override;
  void OnLanguageClick(MainWindow& w) override;
  void OnUpgradeClick(MainWindow& w) override;
  void OnExitClick(MainWindow& w) override;
  void OnUpgradeTick(MainWindow& w) override;

 private:
  Globals& g_;
  System& sys_;
  MonitorState monitor_;
};

}  // namespace vz
