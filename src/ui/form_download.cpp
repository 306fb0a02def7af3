#include "ui/form_download.h"

#include "i18n/language_switch.h"
#include "port/port_choice.h"
#include "ui/form_ops.h"
#include "upgrade/upgrade_start.h"

namespace vz {

void FrmDownload::OnLoad() { ApplyLanguage(g_.messages, *window_); }

void FrmDownload::OnActivate() {
  // Only the first showing centres the window; coming back from a message
  // box or another program leaves it where the technician put it.
  if (centred_) return;
  centred_ = true;
  CenterForm(*window_);
}

void FrmDownload::OnPortClick() { OnPortChoice(g_, sys_, *window_); }

void FrmDownload::OnPortTextCommitted() {
  CommitPortText(g_, sys_, *window_);
}

void FrmDownload::OnLanguageClick() { OnLanguageChoice(g_, sys_, *window_); }

void FrmDownload::OnUpgradeClick(int /*index: both buttons act alike*/) {
  StartUpgrade(g_, sys_, *window_, monitor_);
}

void FrmDownload::OnExitClick() { window_->EndProgram(); }

void FrmDownload::OnUpgradeTick() {
  UpgradeTick(g_, sys_, *window_, monitor_);
}

}  // namespace vz
