// The geometry of rotations: angles, result sizes, placements and the mapping back to the source.
#pragma once

#include <cstdint>

#include "resample.h"
#include "zanTypes.h"

namespace tessaly::tools {

// Any whole number of degrees into 0 ... 359 (-90 is 270, 450 is 90).
int32_t normalisedAngle(int32_t degrees);
double normalisedAngle(double degrees);

// The size of a width x height picture turned by the angle: the rounded bounding box.
struct Size {
  int32_t width;
  int32_t height;
};
Size rotatedSize(int32_t degrees, int32_t width, int32_t height);

// The result's left-top when the source rectangle turns by the angle about the centre: the four
// corners turned about the centre (rounded half up) give the extent.
POINT placementAboutCentre(int32_t degrees, const RECT& source, POINT centre);

// The mapping from result pixels back to source pixels that turns the source by the angle with
// the result's centre on the source's centre.
AffineMap centredRotation(double degrees, Size source, Size result);
// The mapping for a turn about a picture point: result pixels (relative to resultRect) to source
// pixels (relative to the source rectangle).
AffineMap rotationAbout(double degrees, double centreX, double centreY, const RECT& source,
                        const RECT& result);
// The bounding box of rect's pixels turned about the picture point.
RECT rotatedBounds(double degrees, double centreX, double centreY, const RECT& rect);

}  // namespace tessaly::tools
