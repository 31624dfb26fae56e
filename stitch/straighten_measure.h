// Skew measurement of a page: how far its text lines are tilted.
#pragma once

#include "QuiltexEngine.h"

namespace tessaly::stitch {

// The angle in radians by which `image` must be turned (turnByAngle) to make its text lines
// level; 0 for a page without text-like marks or with one dark mark larger than a quarter of
// the page. The image must be valid (isValidImage).
double measureSkew(const tagPixelArray& image);

}  // namespace tessaly::stitch
