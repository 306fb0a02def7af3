#include "app/centring.h"

#include <cmath>

namespace vz {

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
