// Rigid motions of the plane for the verified way: composition, inverse, application, and the
// engine's quarter turns of an image written as rigid motions of pixel coordinates.
#pragma once

#include <cstdint>

#include "verified_types.h"

namespace tessaly::stitch::verified {

struct Vec2 {
  double x = 0;
  double y = 0;
};

Vec2 apply(const Rigid& r, Vec2 p);
// outer after inner: the motion that applies inner first.
Rigid compose(const Rigid& outer, const Rigid& inner);
Rigid inverse(const Rigid& r);
// An angle brought into (-pi, pi].
double wrapAngle(double radians);

// The pixel motion of `turns` elementary quarter turns of a width x height image: pixel (x, y)
// of the image lands on the returned motion's image of (x, y) in the turned image (the turn that
// makes output row r, column c from input row c, column width - 1 - r).
Rigid quarterTurnMotion(int32_t turns, double width, double height);

// The rigid motion scaled to another resolution: coordinates multiplied by `factor`.
Rigid scaled(const Rigid& r, double factor);

// The bounding box of the pixel rectangle 0..width-1 x 0..height-1 after `r` (its corners are
// enough for a rigid motion).
struct Bounds {
  double minX, minY, maxX, maxY;
};
Bounds mappedBounds(const Rigid& r, double width, double height);

}  // namespace tessaly::stitch::verified
