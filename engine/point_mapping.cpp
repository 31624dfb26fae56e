// Point mapping.
#include "point_mapping.h"

#include <algorithm>

namespace tessaly::engine {
namespace {

int32_t clamped(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// multiplier * v / divisor, skipping the scaling when the two are equal.
int32_t scale(int64_t v, int64_t multiplier, int64_t divisor) {
  return clamped(multiplier == divisor ? v : multiplier * v / divisor);
}

}  // namespace

void PointMapping::forward(POINT* points, int32_t count) const {
  if (points == nullptr || denominator == 0) return;
  for (int32_t i = 0; i < count; ++i) {
    points[i].x = clamped(int64_t{scale(points[i].x, numerator, denominator)} - originX);
    points[i].y = clamped(int64_t{scale(points[i].y, numerator, denominator)} - originY);
  }
}

void PointMapping::inverse(POINT* points, int32_t count) const {
  if (points == nullptr || numerator == 0) return;
  for (int32_t i = 0; i < count; ++i) {
    points[i].x = scale(int64_t{points[i].x} + originX, denominator, numerator);
    points[i].y = scale(int64_t{points[i].y} + originY, denominator, numerator);
  }
}

RECT PointMapping::forward(const RECT& rect) const {
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  forward(corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

RECT PointMapping::inverse(const RECT& rect) const {
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  inverse(corners, 2);
  return RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

}  // namespace tessaly::engine
