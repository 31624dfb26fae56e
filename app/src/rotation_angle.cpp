#include "rotation_angle.h"

#include <algorithm>
#include <cmath>

namespace tessaly::app {

int clampAngle(int value) {
  return std::clamp(value, kLeastAngle, kMostAngle);
}

QString angleText(int value) {
  return QString::asprintf("%g", value * 0.1);
}

bool canReduceAngle(int value) {
  return value >= kLeastAngle + 1;
}

bool canIncreaseAngle(int value) {
  return value < kMostAngle;
}

double skewDegrees(double radians) {
  if (!std::isfinite(radians)) return 0;
  return std::clamp(radians * kDegreesPerRadian, -kMostSkewDegrees, kMostSkewDegrees);
}

int presetAngle(double skewInDegrees, bool rotatedBefore) {
  if (rotatedBefore && std::fabs(skewInDegrees) <= kStraightAfterRotation) return 0;
  // Cut to tenths after rounding away the last bits of noise, so that a skew of 0.3 degrees
  // measured as 0.29999999999999993 still gives -3.
  const double tenths = std::round(-10 * skewInDegrees * 1e6) / 1e6;
  return clampAngle(int(std::trunc(tenths)));
}

}  // namespace tessaly::app
