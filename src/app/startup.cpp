#include "app/startup.h"

#include <cwctype>
#include <thread>

#include "app/centring.h"
#include "i18n/language.h"
#include "i18n/language_switch.h"
#include "port/port_choice.h"

namespace vz {

void ProbeComPorts(System& sys, std::vector<bool>& available) {
  available.assign(kHighestPort + 1, false);
  for (int n = 1; n <= kHighestPort; ++n) {
    available[n] = sys.ProbeSerialPort(PortDeviceName(n)).ok;
  }
}

std::wstring ProgramDirFrom(const std::wstring& executableDir) {
  std::wstring dir = executableDir;
  while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) {
    dir.pop_back();
  }
  return dir + L'\\';
}

void Main(Globals& g, System& sys,
          const std::function<MainWindow&()>& loadForm) {
  g.programDir = ProgramDirFrom(sys.ExecutableDir());
  g.downloadDir = g.programDir;

  // The uploader is started later and inherits this current directory.
  if (std::iswalpha(g.programDir[0])) (void)sys.SetCurrentDrive(g.programDir[0]);
  std::wstring current = g.programDir.substr(0, g.programDir.size() - 1);
  // "C:" alone would mean the drive's remembered directory, not its root.
  if (current.size() == 2 && current[1] == L':') current += L'\\';
  (void)sys.SetCurrentDir(current);

  // The port probe (255 opens, most of them failing at once) runs beside
  // the loading of the texts and the window, which touch no serial port;
  // the list is filled once both are done.
  std::vector<bool> portAvailability;
  std::thread probe([&sys, &portAvailability] { ProbeComPorts(sys, portAvailability); });

  ReadLanguageSetting(g, sys);
  SelectLanguageFiles(g);
  (void)LoadMessageFile(g, sys, g.messageFileName);

  MainWindow& form = loadForm();
  ApplyLanguage(g.messages, form);

  form.ClearItems(Control::LanguageList);
  form.AddItem(Control::LanguageList, L"FRANCAISE");
  form.AddItem(Control::LanguageList, L"ENGLISH");
  form.SetText(Control::LanguageList, g.currentLanguage);

  probe.join();
  form.ClearItems(Control::PortList);
  for (int n = 1; n <= kHighestPort; ++n) {
    if (portAvailability[n]) form.AddItem(Control::PortList, PortEntry(n));
  }

  (void)form.LoadPicture(Control::Flag, g.programDir + g.flagImageName);
  // Placed before it appears, so the window does not jump.
  CenterForm(form);
  form.Show();
}

}  // namespace vz
