#include "verified_fit_rigid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaly::stitch::verified {

Vec2 apply(const Rigid& r, Vec2 p) {
  const double c = std::cos(r.angle), s = std::sin(r.angle);
  return {c * p.x - s * p.y + r.tx, s * p.x + c * p.y + r.ty};
}

Rigid compose(const Rigid& outer, const Rigid& inner) {
  const Vec2 t = apply(outer, {inner.tx, inner.ty});
  return {wrapAngle(outer.angle + inner.angle), t.x, t.y};
}

Rigid inverse(const Rigid& r) {
  const double c = std::cos(r.angle), s = std::sin(r.angle);
  return {wrapAngle(-r.angle), -(c * r.tx + s * r.ty), s * r.tx - c * r.ty};
}

double wrapAngle(double radians) {
  double a = std::remainder(radians, 2 * M_PI);
  if (a <= -M_PI) a += 2 * M_PI;
  return a;
}

Rigid quarterTurnMotion(int32_t turns, double width, double height) {
  // One elementary turn sends (x, y) of a w-wide image to (y, w - 1 - x): a turn by -90 degrees.
  Rigid motion;
  double w = width, h = height;
  for (int32_t k = 0; k < ((turns % 4) + 4) % 4; ++k) {
    motion = compose(Rigid{-M_PI / 2, 0, w - 1}, motion);
    std::swap(w, h);
  }
  return motion;
}

Rigid scaled(const Rigid& r, double factor) {
  return {r.angle, r.tx * factor, r.ty * factor};
}

Bounds mappedBounds(const Rigid& r, double width, double height) {
  Bounds box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
             -std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
  for (const double x : {0.0, width - 1}) {
    for (const double y : {0.0, height - 1}) {
      const Vec2 p = apply(r, {x, y});
      box.minX = std::min(box.minX, p.x);
      box.maxX = std::max(box.maxX, p.x);
      box.minY = std::min(box.minY, p.y);
      box.maxY = std::max(box.maxY, p.y);
    }
  }
  return box;
}

}  // namespace tessaly::stitch::verified
