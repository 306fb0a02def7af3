#include "platform/system.h"

namespace vz {

float SecondsSinceMidnight(const LocalTime& t) {
  return static_cast<float>(t.hour * 3600 + t.minute * 60 + t.second) +
         static_cast<float>(t.millisecond) / 1000.0f;
}

}  // namespace vz
