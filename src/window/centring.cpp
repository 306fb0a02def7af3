#include "window/centring.h"

#include <cmath>

namespace vz {

std::int32_t CenterOffset(float outer, float inner) {
  const float difference = outer - inner;
  // nearbyint follows the default rounding mode: to nearest, ties to even.
  const auto rounded = static_cast<std::int32_t>(std::nearbyint(difference));
  return rounded / 2;
}

}  // namespace vz
