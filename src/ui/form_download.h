// FrmDownload's event handlers: routes each event of the window to the
// logic that handles it and owns the upgrade monitor's state.
#pragma once

#include "app/globals.h"
#include "platform/system.h"
#include "ui/main_window.h"
#include "upgrade/monitor.h"

namespace vz {

class FrmDownload : public FormEvents {
 public:
  FrmDownload(Globals& g, System& sys) : g_(g), sys_(sys) {}

  // The window this object handles; set before its first event.
  void Attach(MainWindow& window) { window_ = &window; }

  void OnLoad() override;
  void OnActivate() override;
  void OnPortClick() override;
  void OnPortTextCommitted() override;
  void OnLanguageClick() override;
  void OnUpgradeClick(int index) override;
  void OnExitClick() override;
  void OnUpgradeTick() override;

  const MonitorState& monitor() const { return monitor_; }

 private:
  Globals& g_;
  System& sys_;
  MainWindow* window_ = nullptr;
  MonitorState monitor_;
  bool centred_ = false;
};

}  // namespace vz
