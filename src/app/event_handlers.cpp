#include "app/event_handlers.h"

#include "i18n/language_switch.h"
#include "port/port_choice.h"
#include "port/port_devices.h"
#include "upgrade/upgrade_start.h"

namespace vz {

void EventHandlers::OnPortPicked(MainWindow& w) {
  if (!HoldPortWhileUploaderRuns(g_, sys_, w)) OnPortChoice(g_, sys_, w, PortWriteNow());
  ShowIdleLines(g_, w);
}

void EventHandlers::OnPortTextCommitted(MainWindow& w) {
  // Leaving the list again, or a second Enter, finds nothing new.
  if (!PortTextIsNew(g_, w)) return;
  if (!HoldPortWhileUploaderRuns(g_, sys_, w)) CommitPortText(g_, sys_, w, PortWriteNow());
  ShowIdleLines(g_, w);
}

PortWrite EventHandlers::PortWriteNow() const {
  return *monitor_.runUnderWay ? PortWrite::Held : PortWrite::Allowed;
}

void EventHandlers::OnLanguageClick(MainWindow& w) {
  OnLanguageChoice(g_, sys_, w);
  ShowIdleLines(g_, w);  // in the language now shown
}

void EventHandlers::OnUpgradeClick(MainWindow& w) {
  StartUpgrade(g_, sys_, w, monitor_);
  ShowIdleLines(g_, w);
  // A start refused before the monitor was armed gives the run back.
  if (!*monitor_.runUnderWay) ports_.ResumeAfterRun(w);
}

// During a run Exit is hidden, but a click queued before it went still
// comes: it asks as closing the window does.
void EventHandlers::OnExitClick(MainWindow& w) {
  if (MayCloseWindow(g_, w, monitor_)) w.EndProgram();
}

void EventHandlers::OnClosing(MainWindow& w) { OnWindowClosing(g_, sys_, w, monitor_); }

void EventHandlers::OnPortArrived(MainWindow& w, int port) {
  OnRunPortChange(g_, sys_, monitor_, port, true);
  ports_.PortArrived(w, port);
}

void EventHandlers::OnPortRemoved(MainWindow& w, int port) {
  OnRunPortChange(g_, sys_, monitor_, port, false);
  ports_.PortRemoved(w, port);
}

void EventHandlers::OnUpgradeTick(MainWindow& w) {
  UpgradeTick(g_, sys_, w, monitor_);
  if (!*monitor_.runUnderWay) ports_.ResumeAfterRun(w);
}

}  // namespace vz
