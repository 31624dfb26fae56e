#include "verified_fit_rigid.h"

#include <cmath>

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

}  // namespace tessaly::stitch::verified
