// Corner points of a piece inside its overlap: places where the grey image bends in two
// directions, which block matching can pin down in both x and y.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "refine_rigid_fit.h"

namespace tessaly::stitch {

// A rectangle of pixels with inclusive bounds.
struct PixelBox {
  int32_t left = 0, top = 0, right = -1, bottom = -1;

  int32_t width() const { return right - left + 1; }
  int32_t height() const { return bottom - top + 1; }
};

// Corners of `image` inside `box` (which must lie within the image), strongest first. The grey
// image is smoothed with (1 2 1) / 4 both ways; a corner is a local maximum (above its four
// direct neighbours) of the curvature measure, at least 2 pixels inside the box and stronger than
// a tenth of the strongest. More than 80 corners are cut back to the strongest whole strength
// values that still give more than 80.
std::vector<Point> findCorners(const tagPixelArray& image, const PixelBox& box);

// Up to `most` of the corners in order, skipping one that lies within `spacing` pixels in both x
// and y of one already taken, so that the points spread over the overlap.
std::vector<Point> spreadPoints(const std::vector<Point>& corners, int32_t spacing, size_t most);

}  // namespace tessaly::stitch
