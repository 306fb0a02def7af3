#include "app/startup.h"

#include <cwctype>
#include <functional>

#include "i18n/language.h"
#include "i18n/language_switch.h"
#include "platform/beside_thread.h"
#include "port/port_choice.h"
#include "port/port_devices.h"

namespace vz {

void ProbeComPorts(System& sys, std::vector<bool>& available, const std::set<int>& unopened) {
  available.assign(kHighestPort + 1, false);
  for (int n = 1; n <= kHighestPort; ++n) {
    available[n] = unopened.count(n) || sys.ProbeSerialPort(PortDeviceName(n)).ok;
  }
}

std::wstring ProgramDirFrom(const std::wstring& executableDir) {
  return WithoutTrailingSeparators(executableDir) + L'\\';
}

void RunProgram(Globals& g, System& sys, const std::function<MainWindow&()>& createMainWindow) {
  g.programDir = ProgramDirFrom(sys.ExecutableDir());
  g.downloadDir = g.programDir;

  // The uploader is started later and inherits this current directory.
  if (std::iswalpha(g.programDir[0])) (void)sys.SetCurrentDrive(g.programDir[0]);
  std::wstring current = g.programDir.substr(0, g.programDir.size() - 1);
  // "C:" alone would mean the drive's remembered directory, not its root.
  if (current.size() == 2 && current[1] == L':') current += L'\\';
  (void)sys.SetCurrentDir(current);

  // The port probe (the device names, then 255 opens, most of them failing
  // at once) runs beside the loading of the texts and the window, which
  // touch no serial port; the list is filled once both are done.
  std::vector<bool> portAvailability;
  DeviceInventory devices;
  BesideThread probe([&sys, &portAvailability, &devices] {
    devices = sys.ReadDevices();
    ProbeComPorts(sys, portAvailability, BluetoothPorts(devices));
  });

  ReadLanguageSetting(g, sys);
  SelectLanguageFiles(g);
  (void)LoadMessageFile(g, sys, g.messageFileName);

  MainWindow& form = createMainWindow();
  ApplyLanguage(g.messages, form);
  form.ShowLanguages(OfferedLanguages());
  form.ShowLanguage(g.currentLanguage);

  probe.Join();
  // A probe that failed half-way lists what it found.
  const std::map<std::uint8_t, std::wstring> names = NamesByPort(devices);
  for (std::size_t n = 1; n < portAvailability.size(); ++n) {
    if (!portAvailability[n]) continue;
    const auto port = static_cast<std::uint8_t>(n);
    const auto name = names.find(port);
    g.port.listed[port] = name != names.end() ? name->second : std::wstring();
  }
  g.port.driverlessBridges = DriverlessBridges(devices);
  form.ShowPorts(Listings(g.port.listed));
  OfferLastPort(g, sys, form);
  ShowIdleLines(g, form);

  (void)form.ShowFlag(g.programDir + g.flagImageName);
  form.Show();
}

}  // namespace vz
