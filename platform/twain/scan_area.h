// The scan area: the rectangle the user picks in millimetres, and the corner values a device
// takes for it in its own unit (millimetres or pixels) and steps.
#pragma once

#include "number_option.h"

namespace tessaly::twain {

// A rectangle on the bed, in millimetres from the bed's top-left corner.
struct AreaMm {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// What the device's corner options allow: their unit and, per axis, the range of both corners.
struct Geometry {
  bool pixels = false;     // corner values count pixels, else millimetres
  double dotsPerInch = 0;  // the size of those pixels: the device's resolution
  NumberOption x;          // range and step of the left and right corners
  NumberOption y;          // range and step of the top and bottom corners
};

// Corner values in the device's unit.
struct Corners {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

double millimetresOf(double deviceValue, const Geometry& geometry);
double deviceValueOf(double millimetres, const Geometry& geometry);

// The whole bed in millimetres.
AreaMm bedOf(const Geometry& geometry);
AreaMm areaOf(const Corners& corners, const Geometry& geometry);

// The device's corners for an area: an inverted rectangle is turned the right way round, the
// rectangle is clamped to the bed, every corner lies on the device's steps, and an empty
// rectangle grows to the smallest the device can scan (one step, or one unit without steps).
Corners cornersFor(AreaMm area, const Geometry& geometry);

}  // namespace tessaly::twain
