// The matrix that turns a picture by the rotation tool's angle about its centre and scales it,
// and the size of the picture it makes: the scaled size of the original, the turned picture
// centred in it and cut at its edges.
#pragma once

#include "tools.h"

namespace tessaly::app {

struct TurnGeometry {
  ToolTransform transform;  // source pixels to output pixels
  int width = 0;            // round(sx x w)
  int height = 0;           // round(sy x h)
};

// cos and sin of `degrees`, exactly 0 or +-1 where the angle is within a millionth of a quarter
// turn of a multiple of 90 degrees, so that quarter turns move pixels without resampling drift.
void turnCosSin(double degrees, double& cosine, double& sine);

// A w x h picture turned by theta = -v x 0.1 degrees (v in tenths of a degree) and scaled by
// (sx, sy): (x, y) about the centre, with y counted upward from the bottom row, goes to
// (x cos + y sin, -x sin + y cos) scaled, and the result's centre is the output's centre. On
// screen a positive v turns the picture counter-clockwise.
TurnGeometry turnGeometry(int width, int height, double sx, double sy, int angleTenths);

}  // namespace tessaly::app
