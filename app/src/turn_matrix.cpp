#include "turn_matrix.h"

#include <cmath>
#include <numbers>

namespace tessaly::app {

void turnCosSin(double degrees, double& cosine, double& sine) {
  const double radians = degrees * std::numbers::pi / 180;
  const double quarters = 2 * radians / std::numbers::pi;
  const double nearest = std::round(quarters);
  if (std::fabs(quarters - nearest) < 0.000001) {
    static constexpr double kCos[] = {1, 0, -1, 0};
    static constexpr double kSin[] = {0, 1, 0, -1};
    const int quarter = int(std::fmod(std::fmod(nearest, 4) + 4, 4));
    cosine = kCos[quarter];
    sine = kSin[quarter];
    return;
  }
  cosine = std::cos(radians);
  sine = std::sin(radians);
}

TurnGeometry turnGeometry(int width, int height, double sx, double sy, int angleTenths) {
  double c = 1, s = 0;
  turnCosSin(-angleTenths * 0.1, c, s);
  TurnGeometry g{};
  g.width = int(std::lround(sx * width));
  g.height = int(std::lround(sy * height));
  const double cx = width / 2.0, cy = height / 2.0;
  // Row vectors: (x, y, 1) x m. The turn is taken with rows counted from the bottom, as the
  // picture's rows are kept, which in our top-down rows changes the sign of the sine terms: a
  // positive v turns the picture counter-clockwise on screen, the way that undoes the skew the
  // stitching engine measures. The turned, scaled centre lands on the output's centre.
  double* m = g.transform.m;
  m[0] = sx * c, m[1] = sy * s, m[2] = 0;
  m[3] = -sx * s, m[4] = sy * c, m[5] = 0;
  m[6] = g.width / 2.0 - (cx * m[0] + cy * m[3]);
  m[7] = g.height / 2.0 - (cx * m[1] + cy * m[4]);
  m[8] = 1;
  g.transform.mode = 1;  // bilinear
  return g;
}

}  // namespace tessaly::app
