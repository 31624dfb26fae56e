// Rasterising rectangle masks. Each line's coverage is exact: the area of each pixel inside the
// mapped rectangle (a convex quadrilateral), found by clipping the quadrilateral to the pixel.
// Only pixels on an edge are clipped; those between the edges are fully covered.
#include "rect_mask.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tessaly::engine {

struct RectMaskLines {
  std::vector<ZanMaskLine> lines;
  std::vector<std::unique_ptr<unsigned char[]>> coverage;
};

namespace {

constexpr double kEpsilon = 1e-10;

struct Point {
  double x;
  double y;
};
using Polygon = std::vector<Point>;

// Keeps the part of the polygon where inside(p) >= 0 (inside is linear).
template <typename Inside>
Polygon clip(const Polygon& polygon, Inside inside) {
  Polygon out;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    const double da = inside(a), db = inside(b);
    if (da >= 0) out.push_back(a);
    if ((da >= 0) != (db >= 0)) {
      const double t = da / (da - db);
      out.push_back(Point{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)});
    }
  }
  return out;
}

double area(const Polygon& p) {
  double twice = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const Point a = p[i], b = p[(i + 1) % p.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return std::fabs(twice) / 2;
}

Polygon band(const Polygon& shape, double top, double bottom) {
  return clip(clip(shape, [top](Point p) { return p.y - top; }),
              [bottom](Point p) { return bottom - p.y; });
}

unsigned char pixelCoverage(const Polygon& row, int32_t x) {
  const Polygon cell =
      clip(clip(row, [x](Point p) { return p.x - x; }), [x](Point p) { return x + 1 - p.x; });
  return static_cast<unsigned char>(std::lround(std::clamp(area(cell), 0.0, 1.0) * 255));
}

// The x range of the shape along a horizontal line (empty when the line misses it).
std::pair<double, double> across(const Polygon& shape, double y) {
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (size_t i = 0; i < shape.size(); ++i) {
    const Point a = shape[i], b = shape[(i + 1) % shape.size()];
    if ((a.y - y) * (b.y - y) > 0) continue;
    if (std::fabs(b.y - a.y) < kEpsilon) {
      lo = std::min({lo, a.x, b.x});
      hi = std::max({hi, a.x, b.x});
      continue;
    }
    const double x = a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x);
    lo = std::min(lo, x);
    hi = std::max(hi, x);
  }
  return {lo, hi};
}

ZanMaskSpan makeSpan(RectMaskLines& store, const Polygon& row, int32_t from, int32_t to) {
  auto coverage = std::make_unique<unsigned char[]>(static_cast<size_t>(std::max(1, to - from)));
  for (int32_t x = from; x < to; ++x)
    coverage[static_cast<size_t>(x - from)] = pixelCoverage(row, x);
  ZanMaskSpan span{from, to - from, coverage.get()};
  store.coverage.push_back(std::move(coverage));
  return span;
}

ZanMaskLine rasteriseLine(RectMaskLines& store, const Polygon& shape, double shapeTop,
                          double shapeBottom, int32_t y) {
  ZanMaskLine line{};
  const Polygon row = band(shape, y, y + 1);
  if (row.size() < 3 || area(row) <= 0) return line;
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (const Point& p : row) {
    lo = std::min(lo, p.x);
    hi = std::max(hi, p.x);
  }
  const auto first = static_cast<int32_t>(std::floor(lo));
  const auto last = static_cast<int32_t>(std::ceil(hi));
  // Columns fully covered need the shape across the whole line height.
  int32_t innerFrom = last, innerTo = last;
  if (shapeTop <= y && shapeBottom >= y + 1) {
    const auto [l0, r0] = across(shape, y);
    const auto [l1, r1] = across(shape, y + 1.0);
    innerFrom = static_cast<int32_t>(std::ceil(std::max(l0, l1)));
    innerTo = static_cast<int32_t>(std::floor(std::min(r0, r1)));
  }
  if (innerTo - innerFrom < 1) {
    line.count = 1;
    line.spans[0] = makeSpan(store, row, first, last);
    return line;
  }
  line.count = 2;
  line.spans[0] = makeSpan(store, row, first, innerFrom);
  line.spans[1] = makeSpan(store, row, innerTo, last);
  // An edge exactly on a pixel border leaves an empty span; the line then has one span.
  if (line.spans[0].length == 0 || line.spans[1].length == 0) {
    line.count = 1;
    line.spans[0] = makeSpan(store, row, first, last);
  }
  return line;
}

void destroyRectMaskOp(HandleObject* self, uint32_t flags) {
  auto* mask = reinterpret_cast<RectMask*>(self);
  delete std::exchange(mask->lines, nullptr);
  finishDestroy(self, flags);
}

bool sameMatrix(const double a[9], const double b[9]) {
  for (int i = 0; i < 9; ++i)
    if (std::fabs(a[i] - b[i]) > kEpsilon) return false;
  return true;
}

}  // namespace

const ObjectOps RectMask::ops = {destroyRectMaskOp, baseUnlock,       noSetHook,       noGetHook,
                                 ignoreChange,      ZAN_TAG_RECTMASK, sizeof(RectMask)};

zanHandle createRectMask(const RECT* source, uint8_t kind) {
  return createObject<RectMask>([&](RectMask& mask) {
    if (source != nullptr) mask.source = *source;
    mask.bound = mask.source;
    mask.kind = kind;
    mask.lines = new RectMaskLines();
  });
}

void rasteriseRectMask(RectMask& mask, const double m[9]) {
  if (mask.rasterised != 0 && sameMatrix(mask.matrix, m)) return;
  std::copy(m, m + 9, mask.matrix);
  const RECT& s = mask.source;
  const double xs[4] = {double(s.left), double(s.right), double(s.right), double(s.left)};
  const double ys[4] = {double(s.top), double(s.top), double(s.bottom), double(s.bottom)};
  Polygon shape;
  for (int i = 0; i < 4; ++i)
    shape.push_back(Point{xs[i] * m[0] + ys[i] * m[3] + m[6], xs[i] * m[1] + ys[i] * m[4] + m[7]});
  // Start at the top corner (the left one of a tie).
  const auto top = std::min_element(shape.begin(), shape.end(), [](Point a, Point b) {
    return a.y < b.y - kEpsilon || (std::fabs(a.y - b.y) <= kEpsilon && a.x < b.x);
  });
  std::rotate(shape.begin(), top, shape.end());
  double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
  for (int i = 0; i < 4; ++i) {
    mask.corners[2 * i] = shape[static_cast<size_t>(i)].x;
    mask.corners[2 * i + 1] = shape[static_cast<size_t>(i)].y;
    minX = std::min(minX, shape[static_cast<size_t>(i)].x);
    maxX = std::max(maxX, shape[static_cast<size_t>(i)].x);
    minY = std::min(minY, shape[static_cast<size_t>(i)].y);
    maxY = std::max(maxY, shape[static_cast<size_t>(i)].y);
  }
  if (!std::isfinite(minX + maxX + minY + maxY) || maxX - minX > INT32_MAX / 2 ||
      maxY - minY > INT32_MAX / 2 || std::fabs(minX) > INT32_MAX / 2 ||
      std::fabs(minY) > INT32_MAX / 2)
    _zanThrow(ZAN_ERR_MASK);
  RectMaskLines fresh;
  mask.bound = RECT{static_cast<int32_t>(std::floor(minX)), static_cast<int32_t>(std::floor(minY)),
                    static_cast<int32_t>(std::ceil(maxX)), static_cast<int32_t>(std::ceil(maxY))};
  for (int32_t y = mask.bound.top; y < mask.bound.bottom; ++y)
    fresh.lines.push_back(rasteriseLine(fresh, shape, minY, maxY, y));
  *mask.lines = std::move(fresh);
  mask.lineCount = static_cast<int32_t>(mask.lines->lines.size());
  mask.rasterised = 1;
}

const ZanMaskLine* maskLine(const RectMask& mask, int32_t y) {
  if (mask.rasterised == 0 || mask.lines == nullptr || y < mask.bound.top || y >= mask.bound.bottom)
    return nullptr;
  return &mask.lines->lines[static_cast<size_t>(y - mask.bound.top)];
}

}  // namespace tessaly::engine
