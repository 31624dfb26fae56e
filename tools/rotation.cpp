// Positive angles turn counter-clockwise on screen. With y growing downwards, a result offset
// (u, v) from the centre comes from the source offset (u cos a - v sin a, u sin a + v cos a).
#include "rotation.h"

#include <algorithm>
#include <cmath>

namespace tessaly::tools {
namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) {
  return degrees * kPi / 180.0;
}

}  // namespace

int32_t normalisedAngle(int32_t degrees) {
  const int32_t a = degrees % 360;
  return a < 0 ? a + 360 : a;
}

double normalisedAngle(double degrees) {
  const double a = std::fmod(degrees, 360.0);
  return a < 0 ? a + 360.0 : a;
}

Size rotatedSize(int32_t degrees, int32_t width, int32_t height) {
  const int32_t a = normalisedAngle(degrees);
  if (a % 180 == 0) return Size{width, height};
  if (a % 90 == 0) return Size{height, width};
  const double t = radians(360 - a);
  const double c = std::fabs(std::cos(t)), s = std::fabs(std::sin(t));
  return Size{static_cast<int32_t>(std::floor(c * width + s * height + 0.5)),
              static_cast<int32_t>(std::floor(s * width + c * height + 0.5))};
}

POINT placementAboutCentre(int32_t degrees, const RECT& source, POINT centre) {
  // Corners relative to the centre, with y upwards as the turn about the centre is reckoned.
  const double t = radians(normalisedAngle(degrees));
  const double c = std::cos(t), s = std::sin(t);
  double minX = 1e18, maxY = -1e18;
  for (const int32_t x : {source.left, source.right}) {
    for (const int32_t y : {source.top, source.bottom}) {
      const double dx = x - centre.x, dy = centre.y - y;
      minX = std::min(minX, std::floor(dx * c - dy * s + 0.5));
      maxY = std::max(maxY, std::floor(dx * s + dy * c + 0.5));
    }
  }
  return POINT{centre.x + static_cast<int32_t>(minX), centre.y - static_cast<int32_t>(maxY)};
}

AffineMap centredRotation(double degrees, Size source, Size result) {
  const double t = radians(normalisedAngle(degrees));
  const double c = std::cos(t), s = std::sin(t);
  const double ru = (result.width - 1) / 2.0, rv = (result.height - 1) / 2.0;
  const double su = (source.width - 1) / 2.0, sv = (source.height - 1) / 2.0;
  // source = centre_s + R^-1 (result - centre_r)
  return AffineMap{su - c * ru + s * rv, sv - s * ru - c * rv, c, -s, s, c};
}

AffineMap rotationAbout(double degrees, double centreX, double centreY, const RECT& source,
                        const RECT& result) {
  const double t = radians(normalisedAngle(degrees));
  const double c = std::cos(t), s = std::sin(t);
  // Pixel indices in picture coordinates; the centre moves by half a pixel onto that grid.
  const double cx = centreX - 0.5, cy = centreY - 0.5;
  const double u0 = result.left - cx, v0 = result.top - cy;
  return AffineMap{
      cx + c * u0 - s * v0 - source.left, cy + s * u0 + c * v0 - source.top, c, -s, s, c};
}

RECT rotatedBounds(double degrees, double centreX, double centreY, const RECT& rect) {
  const double t = radians(normalisedAngle(degrees));
  const double c = std::cos(t), s = std::sin(t);
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  // Forward turn of the rectangle's corner points about the centre.
  for (const int32_t x : {rect.left, rect.right}) {
    for (const int32_t y : {rect.top, rect.bottom}) {
      const double dx = x - centreX, dy = y - centreY;
      const double u = centreX + dx * c + dy * s, v = centreY - dx * s + dy * c;
      minX = std::min(minX, u), maxX = std::max(maxX, u);
      minY = std::min(minY, v), maxY = std::max(maxY, v);
    }
  }
  // A hair of tolerance keeps an exact quarter turn from growing by a pixel through rounding.
  const auto lower = [](double v) { return static_cast<int32_t>(std::floor(v + 1e-9)); };
  const auto upper = [](double v) { return static_cast<int32_t>(std::ceil(v - 1e-9)); };
  return RECT{lower(minX), lower(minY), upper(maxX), upper(maxY)};
}

}  // namespace tessaly::tools
