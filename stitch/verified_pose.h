// Plane maps the pair search composes: rigid motions, the quarter turns of a piece as exact
// pixel maps, and the change of level (pixel (x, y) of a level lies at (2x, 2y) of the next
// finer one).
#pragma once

#include <cmath>

#include "verified_types.h"

namespace tessaly::stitch::verified {

// x' = xx * x + xy * y + x0, y' = yx * x + yy * y + y0.
struct Affine {
  double xx = 1, xy = 0, x0 = 0;
  double yx = 0, yy = 1, y0 = 0;

  void apply(double x, double y, double& outX, double& outY) const {
    outX = xx * x + xy * y + x0;
    outY = yx * x + yy * y + y0;
  }
};

inline Affine affineOf(const Rigid& r) {
  const double c = std::cos(r.angle), s = std::sin(r.angle);
  return {c, -s, r.tx, s, c, r.ty};
}

// first, then second.
inline Affine then(const Affine& first, const Affine& second) {
  return {second.xx * first.xx + second.xy * first.yx,
          second.xx * first.xy + second.xy * first.yy,
          second.xx * first.x0 + second.xy * first.y0 + second.x0,
          second.yx * first.xx + second.yy * first.yx,
          second.yx * first.xy + second.yy * first.yy,
          second.yx * first.x0 + second.yy * first.y0 + second.y0};
}

inline Affine inverse(const Affine& m) {
  const double det = m.xx * m.yy - m.xy * m.yx;
  const double ixx = m.yy / det, ixy = -m.xy / det, iyx = -m.yx / det, iyy = m.xx / det;
  return {ixx, ixy, -(ixx * m.x0 + ixy * m.y0), iyx, iyy, -(iyx * m.x0 + iyy * m.y0)};
}

// Pixel of a piece turned `turns` elementary quarter turns -> pixel of the unturned piece of
// width x height. The elementary turn takes unturned (W - 1 - y, x) to turned (x, y).
inline Affine turnedToUnturned(int turns, int width, int height) {
  switch (turns & 3) {
    case 1:
      return {0, -1, width - 1.0, 1, 0, 0};
    case 2:
      return {-1, 0, width - 1.0, 0, -1, height - 1.0};
    case 3:
      return {0, 1, 0, -1, 0, height - 1.0};
    default:
      return {};
  }
}

// Size of a piece of width x height after `turns` quarter turns.
inline void turnedSize(int turns, int width, int height, int& outWidth, int& outHeight) {
  outWidth = (turns & 1) != 0 ? height : width;
  outHeight = (turns & 1) != 0 ? width : height;
}

// The same motion expressed on a level `factor` times finer (2) or coarser (0.5).
inline Rigid scaledRigid(const Rigid& r, double factor) {
  return {r.angle, r.tx * factor, r.ty * factor};
}

// The motion turned further by `delta` about the point (qx, qy) of the moving piece, which keeps
// its place.
inline Rigid turnedAbout(const Rigid& r, double delta, double qx, double qy) {
  double px = 0, py = 0;
  affineOf(r).apply(qx, qy, px, py);
  Rigid out{r.angle + delta, 0, 0};
  double mx = 0, my = 0;
  affineOf(out).apply(qx, qy, mx, my);
  out.tx = px - mx;
  out.ty = py - my;
  return out;
}

}  // namespace tessaly::stitch::verified
