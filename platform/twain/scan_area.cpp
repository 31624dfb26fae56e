#include "scan_area.h"

#include <algorithm>

namespace tessaly::twain {
namespace {

constexpr double kMillimetresPerInch = 25.4;
// A device that reports pixel corners but no resolution: the customary screen measure.
constexpr double kFallbackDotsPerInch = 72;

double pixelSizeMm(const Geometry& geometry) {
  const double dpi = geometry.dotsPerInch > 0 ? geometry.dotsPerInch : kFallbackDotsPerInch;
  return kMillimetresPerInch / dpi;
}

// The smallest extent the device can scan along an axis.
double smallestExtent(const NumberOption& axis) {
  return axis.step > 0 ? axis.step : 1;
}

// One axis: start and end in device units, on the steps, inside the bed, end after start.
void placeAxis(double start, double end, const NumberOption& axis, double& outStart,
               double& outEnd) {
  if (end < start) std::swap(start, end);
  outStart = axis.nearestAllowed(start);
  outEnd = axis.nearestAllowed(end);
  const double least = smallestExtent(axis);
  if (outEnd - outStart >= least) return;
  outEnd = axis.nearestAllowed(outStart + least);
  if (outEnd - outStart < least) outStart = axis.nearestAllowed(outEnd - least);  // at the edge
}

}  // namespace

double millimetresOf(double deviceValue, const Geometry& geometry) {
  return geometry.pixels ? deviceValue * pixelSizeMm(geometry) : deviceValue;
}

double deviceValueOf(double millimetres, const Geometry& geometry) {
  return geometry.pixels ? millimetres / pixelSizeMm(geometry) : millimetres;
}

AreaMm bedOf(const Geometry& geometry) {
  const double left = millimetresOf(geometry.x.min, geometry);
  const double top = millimetresOf(geometry.y.min, geometry);
  return AreaMm{left, top, millimetresOf(geometry.x.max, geometry) - left,
                millimetresOf(geometry.y.max, geometry) - top};
}

AreaMm areaOf(const Corners& corners, const Geometry& geometry) {
  const double left = millimetresOf(corners.left, geometry);
  const double top = millimetresOf(corners.top, geometry);
  return AreaMm{left, top, millimetresOf(corners.right, geometry) - left,
                millimetresOf(corners.bottom, geometry) - top};
}

Corners cornersFor(AreaMm area, const Geometry& geometry) {
  Corners corners;
  placeAxis(deviceValueOf(area.left, geometry), deviceValueOf(area.left + area.width, geometry),
            geometry.x, corners.left, corners.right);
  placeAxis(deviceValueOf(area.top, geometry), deviceValueOf(area.top + area.height, geometry),
            geometry.y, corners.top, corners.bottom);
  return corners;
}

}  // namespace tessaly::twain
