#include "blend_placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "errors.h"

namespace tessaly::stitch {

Transform snapToUnrotated(Transform t) {
  if (std::fabs(t.m[1]) < 1e-8) {
    t.m[0] = 1;
    t.m[1] = 0;
    t.m[3] = 0;
    t.m[4] = 1;
  }
  return t;
}

bool isUnrotated(const Transform& t) {
  return t.m[0] == 1 && t.m[1] == 0 && t.m[3] == 0 && t.m[4] == 1;
}

Transform compose(const Transform& outer, const Transform& inner) {
  const double* a = outer.m;
  const double* b = inner.m;
  Transform r;
  r.m[0] = a[0] * b[0] + a[1] * b[3];
  r.m[1] = a[0] * b[1] + a[1] * b[4];
  r.m[2] = a[0] * b[2] + a[1] * b[5] + a[2];
  r.m[3] = a[3] * b[0] + a[4] * b[3];
  r.m[4] = a[3] * b[1] + a[4] * b[4];
  r.m[5] = a[3] * b[2] + a[4] * b[5] + a[5];
  return r;
}

std::vector<Transform> chainTransforms(const std::vector<Transform>& right,
                                       const std::vector<Transform>& below, int32_t rows,
                                       int32_t columns) {
  std::vector<Transform> global(static_cast<size_t>(rows) * columns);
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      const int32_t cell = row * columns + column;
      if (cell == 0) continue;  // the identity
      const int32_t from = column > 0 ? cell - 1 : cell - columns;
      const Transform& step = column > 0 ? right[from] : below[from];
      global[cell] = snapToUnrotated(compose(global[from], snapToUnrotated(step)));
    }
  }
  return global;
}

namespace {

// Truncates a coordinate toward zero; one that is not a number or lies beyond what rectangles
// can hold (with room for the canvas arithmetic) is an unusable placement.
int32_t coordinate(double value) {
  constexpr double kLimit = std::numeric_limits<int32_t>::max() / 4;
  if (!(std::fabs(value) < kLimit)) fail(QX_ERR_INPUT);
  return static_cast<int32_t>(value);
}

}  // namespace

RECT pieceRectangle(const Transform& global, int32_t width, int32_t height) {
  const double* m = global.m;
  if (isUnrotated(global)) {
    const int32_t left = coordinate(m[2]), top = coordinate(m[5]);
    return {left, top, left + width, top + height};
  }
  constexpr double kInf = std::numeric_limits<double>::infinity();
  double minX = kInf, maxX = -kInf, minY = kInf, maxY = -kInf;
  for (const double x : {0.0, width - 1.0}) {
    for (const double y : {0.0, height - 1.0}) {
      const double fx = m[0] * x + m[1] * y + m[2];
      const double fy = m[3] * x + m[4] * y + m[5];
      minX = std::min(minX, fx);
      maxX = std::max(maxX, fx);
      minY = std::min(minY, fy);
      maxY = std::max(maxY, fy);
    }
  }
  return {coordinate(minX), coordinate(minY), coordinate(maxX + 2), coordinate(maxY + 2)};
}

RECT unite(const RECT& a, const RECT& b) {
  if (isEmpty(a)) return b;
  if (isEmpty(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

RECT intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

RECT canvasRectangle(const std::vector<RECT>& pieces) {
  RECT canvas{};
  for (const RECT& r : pieces) canvas = unite(canvas, r);
  canvas.right += 2;
  canvas.bottom += 2;
  if (widthOf(canvas) < 32 || heightOf(canvas) < 32) fail(QX_ERR_INPUT);
  return canvas;
}

}  // namespace tessaly::stitch
