#include "i18n/language_switch.h"

#include "i18n/language.h"
#include "ui/form_ops.h"

namespace vz {

void OnLanguageChoice(Globals& g, System& sys, MainWindow& w) {
  const std::wstring chosen = w.Text(Control::SelezioneLingua);
  // A second event for the same choice (a double click) finds nothing to do.
  if (chosen == g.currentLanguage) return;

  const IoResult saved = WriteLanguageSetting(g, sys, chosen);
  if (!saved.ok) {
    // Language.ini would be read back with the old name anyway: keep the
    // previous language, show it in the list again and say why.
    w.SetText(Control::SelezioneLingua, g.currentLanguage);
    w.ShowMessage(L"Language.ini: " + sys.ErrorText(saved.error, kLanguageIniName),
                  MessageKind::Error);
    return;
  }
  g.currentLanguage = chosen;
  w.PumpEvents();
  sys.Pause(kLanguageWritePauseMs);

  ReadLanguageSetting(g, sys, &w);
  SelectLanguageFiles(g);
  (void)LoadMessageFile(g, sys, g.messageFileName);
  (void)w.LoadPicture(Control::I_lingua, g.programDir + g.flagImageName);
  ApplyLanguage(g.messages, w);
  w.Repaint(Control::Form);
  w.PumpEvents();
}

}  // namespace vz
