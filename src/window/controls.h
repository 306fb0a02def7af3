// The main window's controls, by what each is for. The window's design
// table (layout.h), the Win32 window and the tools that drive it from
// outside name them so; the logic never does.
#pragma once

namespace vz {

enum class Control {
  Window,    // the main window itself
  Logo,      // brand mark, top left
  Wordmark,  // the product's name drawn as a picture
  TitleLabel,
  Flag,  // flag of the current language
  PortLabel,
  PortList,  // serial port: a list the technician may type in
  LanguageLabel,
  LanguageList,
  StatusLine1,
  StatusLine2,
  ProgressPanel,  // frame of the progress bar
  ProgressBar,
  UpgradeButton,
  InteractiveUpgradeButton,  // a second start button, hidden by design
  ExitButton,
};

}  // namespace vz
