// Inverting and applying the affine matrices of transformed layers.
#include "affine.h"

#include <algorithm>
#include <cmath>

namespace tessaly::engine {

Matrix invertAffine(const Matrix& m) {
  const double det = m[0] * m[4] - m[1] * m[3];
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) _zanThrow(ZAN_ERR_ARG);
  Matrix inv{};
  inv[0] = m[4] / det;
  inv[1] = -m[1] / det;
  inv[3] = -m[3] / det;
  inv[4] = m[0] / det;
  // The translation undone: -(t x inverse of the linear part).
  inv[6] = -(m[6] * inv[0] + m[7] * inv[3]);
  inv[7] = -(m[6] * inv[1] + m[7] * inv[4]);
  inv[8] = 1;
  return inv;
}

bool isAxisAligned(const Matrix& m) {
  return std::fabs(m[1]) <= 1e-10 && std::fabs(m[3]) <= 1e-10;
}

RECT mappedBound(const Matrix& m, const RECT& r) {
  const double xs[4] = {double(r.left), double(r.right), double(r.right), double(r.left)};
  const double ys[4] = {double(r.top), double(r.top), double(r.bottom), double(r.bottom)};
  double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
  for (int i = 0; i < 4; ++i) {
    const PointD p = mapPoint(m, xs[i], ys[i]);
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  // Half the 32-bit range leaves room for widths and for the sums the callers make.
  constexpr double kLimit = INT32_MAX / 2;
  if (!(std::fabs(minX) < kLimit && std::fabs(maxX) < kLimit && std::fabs(minY) < kLimit &&
        std::fabs(maxY) < kLimit))
    _zanThrow(ZAN_ERR_ARG);
  // Corners a rounding error away from a whole pixel stay on it.
  auto down = [](double v) { return static_cast<int32_t>(std::floor(v + 1e-9)); };
  auto up = [](double v) { return static_cast<int32_t>(std::ceil(v - 1e-9)); };
  return RECT{down(minX), down(minY), up(maxX), up(maxY)};
}

bool readMatrix(zanHandle block, Matrix& m) {
  if (block == 0) return false;
  zan::HeapLock<double> matrix(0, block);
  if (!matrix || matrix.count() < 9) return false;
  std::copy(matrix.get(), matrix.get() + 9, m.begin());
  return true;
}

}  // namespace tessaly::engine
