// Mapping points between coordinate spaces: an origin and a ratio.
//
// Forward, x' = numerator * x / denominator - origin.x (and y likewise); inverse,
// x' = denominator * (x + origin.x) / numerator. Integer division truncates toward zero; with
// numerator equal to denominator only the origin is applied. A layer maps picture coordinates to
// its own with origin = its left-top corner and ratio 1 / 1; a view maps picture coordinates to
// the device with origin = its scroll position and ratio = its zoom.
#pragma once

#include <cstdint>

#include "zanTypes.h"

namespace tessaly::engine {

struct PointMapping {
  int32_t originX;
  int32_t originY;
  int32_t numerator;
  int32_t denominator;

  // Both convert count points in place; a zero divisor or null array leaves the points as they
  // are. Results outside the 32-bit range are clamped to it.
  void forward(POINT* points, int32_t count) const;
  void inverse(POINT* points, int32_t count) const;
  // A rectangle is mapped as its two corners.
  RECT forward(const RECT& rect) const;
  RECT inverse(const RECT& rect) const;
};

// The mapping from picture coordinates to a layer's, for a layer at (left, top).
inline PointMapping layerMapping(int32_t left, int32_t top) {
  return PointMapping{left, top, 1, 1};
}

}  // namespace tessaly::engine
