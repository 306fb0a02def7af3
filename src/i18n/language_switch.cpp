#include "i18n/language_switch.h"

#include "i18n/language.h"

namespace vz {

void ApplyLanguage(const MessageTable& m, MainWindow& w) {
  w.ShowCaptions({m[Msg::Title] + kReleaseSuffix, m[Msg::TitleLabel], m[Msg::ComPortLabel],
                  m[Msg::LanguageLabel], m[Msg::UpgradeCaption], m[Msg::ExitCaption]});
}

void OnLanguageChoice(Globals& g, System& sys, MainWindow& w) {
  const std::wstring chosen = w.LanguageText();
  // A second event for the same choice (a double click) finds nothing to do.
  if (chosen == g.currentLanguage) return;

  const IoResult saved = WriteLanguageSetting(g, sys, chosen);
  if (!saved.ok) {
    // Language.ini would be read back with the old name anyway: keep the
    // previous language, show it in the list again and say why. The box
    // waits until the list has finished taking the choice, so that it
    // cannot put the refused entry back over the previous one.
    w.ShowLanguage(g.currentLanguage);
    w.PostMessageBox(L"Language.ini: " + sys.ErrorText(saved.error, kLanguageIniName),
                     MessageKind::Error);
    return;
  }
  g.currentLanguage = chosen;
  w.PumpEvents();
  sys.Pause(kLanguageWritePauseMs);

  ReadLanguageSetting(g, sys);
  // The list shows the language the file gave back: one that another
  // program held or changed in between gives French, or its own name.
  if (g.currentLanguage != chosen) w.ShowLanguage(g.currentLanguage);
  SelectLanguageFiles(g);
  (void)LoadMessageFile(g, sys, g.messageFileName);
  (void)w.ShowFlag(g.programDir + g.flagImageName);
  ApplyLanguage(g.messages, w);
  w.PumpEvents();
}

}  // namespace vz
