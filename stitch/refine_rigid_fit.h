// Rigid transforms (a rotation and a translation) between two pieces and their least-squares
// fit to point correspondences.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry.h"

namespace tessaly::stitch {

// Maps a point (x, y) of B to (cos t x - sin t y + tx, sin t x + cos t y + ty) in A.
struct Rigid {
  double theta = 0;  // radians
  double tx = 0;
  double ty = 0;

  static Rigid of(const Transform& transform);
  Transform toTransform() const;
  double mapX(double x, double y) const;
  double mapY(double x, double y) const;
};

// Gauss-Newton fit of theta, tx, ty to the correspondences (A point ~ transform of B point),
// starting from the identity and running a fixed 51 iterations, which converges for the small
// angles of overlapping scans. Returns the identity for an empty list and stops early when the
// normal equations are singular.
Rigid fitRigid(const Correspondence* matches, size_t count);

struct Point {
  int32_t x, y;
};

// True when the three points lie on one line: the two shorter of their pairwise distances add up
// to less than one pixel more than the longest.
bool onOneLine(Point p, Point q, Point r);

// A double turned into a whole number toward zero, kept within +-2^30 so that wild values (from a
// degenerate fit) cannot overflow later arithmetic.
int32_t truncated(double value);

}  // namespace tessaly::stitch
