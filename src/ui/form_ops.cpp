#include "ui/form_ops.h"

#include <cmath>

namespace vz {

void ApplyLanguage(const MessageTable& m, MainWindow& w) {
  w.SetText(Control::C_Exit, m[Msg::ExitCaption]);
  w.SetText(Control::Form, m[Msg::Title] + kReleaseSuffix);
  w.SetText(Control::C_Upgrade0, m[Msg::UpgradeCaption]);
  w.SetText(Control::L_Titolo, m[Msg::TitleLabel]);
  w.SetText(Control::L_ComPort, m[Msg::ComPortLabel]);
  w.SetText(Control::L_Lingua, m[Msg::LanguageLabel]);
}

std::int32_t CenterOffset(float outer, float inner) {
  const float difference = outer - inner;
  // nearbyint follows the default rounding mode: to nearest, ties to even.
  const auto rounded = static_cast<std::int32_t>(std::nearbyint(difference));
  return rounded / 2;
}

void CenterForm(MainWindow& w) {
  const TwipSize form = w.OuterSize();
  const TwipSize screen = w.ScreenSize();
  w.SetTop(CenterOffset(screen.height, form.height));
  w.SetLeft(CenterOffset(screen.width, form.width));
}

}  // namespace vz
