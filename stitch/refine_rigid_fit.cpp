#include "refine_rigid_fit.h"

#include <algorithm>
#include <cmath>

namespace tessaly::stitch {

Rigid Rigid::of(const Transform& t) {
  return {std::atan2(t.m[3], t.m[0]), t.m[2], t.m[5]};
}

Transform Rigid::toTransform() const {
  const double c = std::cos(theta), s = std::sin(theta);
  return {{c, -s, tx, s, c, ty}};
}

double Rigid::mapX(double x, double y) const {
  return std::cos(theta) * x - std::sin(theta) * y + tx;
}
double Rigid::mapY(double x, double y) const {
  return std::sin(theta) * x + std::cos(theta) * y + ty;
}

namespace {

constexpr int kIterations = 51;

// Solves the 3 x 3 system m x = v by elimination with partial pivoting; false when singular.
bool solve3(double m[3][3], double v[3], double x[3]) {
  for (int col = 0; col < 3; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 3; ++r) {
      if (std::fabs(m[r][col]) > std::fabs(m[pivot][col])) pivot = r;
    }
    if (std::fabs(m[pivot][col]) < 1e-12) return false;
    std::swap(m[col], m[pivot]);
    std::swap(v[col], v[pivot]);
    for (int r = col + 1; r < 3; ++r) {
      const double f = m[r][col] / m[col][col];
      for (int k = col; k < 3; ++k) m[r][k] -= f * m[col][k];
      v[r] -= f * v[col];
    }
  }
  for (int r = 2; r >= 0; --r) {
    double sum = v[r];
    for (int k = r + 1; k < 3; ++k) sum -= m[r][k] * x[k];
    x[r] = sum / m[r][r];
  }
  return true;
}

}  // namespace

Rigid fitRigid(const Correspondence* matches, size_t count) {
  Rigid r;
  if (count == 0) return r;
  for (int it = 0; it < kIterations; ++it) {
    const double c = std::cos(r.theta), s = std::sin(r.theta);
    double normal[3][3] = {}, rhs[3] = {};
    for (size_t i = 0; i < count; ++i) {
      const Correspondence& m = matches[i];
      const double residualX = m.xA - (c * m.xB - s * m.yB + r.tx);
      const double residualY = m.yA - (s * m.xB + c * m.yB + r.ty);
      // Rows of the Jacobian for the x and the y residual, in (theta, tx, ty).
      const double jx[3] = {-s * m.xB - c * m.yB, 1, 0};
      const double jy[3] = {c * m.xB - s * m.yB, 0, 1};
      for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) normal[a][b] += jx[a] * jx[b] + jy[a] * jy[b];
        rhs[a] += jx[a] * residualX + jy[a] * residualY;
      }
    }
    double step[3];
    if (!solve3(normal, rhs, step)) break;
    r.theta += step[0];
    r.tx += step[1];
    r.ty += step[2];
  }
  return r;
}

bool onOneLine(Point p, Point q, Point r) {
  const auto distance = [](Point a, Point b) {
    return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
  };
  double d[3] = {distance(p, q), distance(q, r), distance(p, r)};
  std::sort(d, d + 3);
  return d[0] + d[1] < d[2] + 1;
}

int32_t truncated(double value) {
  constexpr double kLimit = 1 << 30;
  if (std::isnan(value)) return 0;
  return static_cast<int32_t>(std::clamp(value, -kLimit, kLimit));
}

}  // namespace tessaly::stitch
