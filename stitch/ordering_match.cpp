#include "ordering_match.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly::stitch {

MatchWindow matchWindow(int32_t widthA, int32_t heightA, int32_t widthB, int32_t heightB,
                        NeighbourOverlap overlap) {
  const int32_t mw = std::min(widthA, widthB);
  const int32_t mh = std::min(heightA, heightB);
  const int32_t cy = (heightA - heightB) >> 1;  // centred vertically, rounding towards -inf
  if (overlap == NeighbourOverlap::Wide) {
    // A grid neighbour may overlap almost entirely; the vertical slack is a tenth of the height.
    const int32_t m = mh / 10 < 8 ? 8 : mh / 10;
    return {1, widthA - mw / 7, cy - m, cy + m};
  }
  // A row neighbour overlaps by a seventh to six sevenths; the vertical slack is an eighth.
  const int32_t m = mh / 8 > 9 ? mh / 8 : 10;
  return {widthA - 6 * mw / 7, widthA - mw / 7, cy - m, cy + m};
}

namespace {

// Sum over one overlap row of |a - b + shift|, byte by byte. The fixed-size blocks let the
// compiler turn the inner loop into vector instructions; this loop is where ordering spends its
// time.
int64_t rowDifference(const uint8_t* a, const uint8_t* b, int32_t bytes, int32_t shift) {
  constexpr int32_t kBlock = 16;
  int64_t sum = 0;
  int32_t i = 0;
  for (; i + kBlock <= bytes; i += kBlock) {
    int32_t block = 0;
    for (int32_t k = 0; k < kBlock; ++k)
      block += std::abs(static_cast<int32_t>(a[i + k]) - b[i + k] + shift);
    sum += block;
  }
  for (; i < bytes; ++i) sum += std::abs(static_cast<int32_t>(a[i]) - b[i] + shift);
  return sum;
}

struct Overlap {
  int32_t x0, y0, x1, y1;  // in A's coordinates, right and bottom exclusive
};

// The score of one offset, or `best` (or more) when it cannot beat it.
double offsetScore(const GradientFeatures& a, const GradientFeatures& b, int32_t x, int32_t y,
                   const Overlap& o, const MatchSettings& settings, double best) {
  const int32_t w = o.x1 - o.x0, h = o.y1 - o.y0;
  const int64_t area = static_cast<int64_t>(w) * h;
  const int64_t meanA = static_cast<int64_t>(a.sumOf(o.x0, o.y0, o.x1, o.y1)) / (area * 3);
  const int64_t meanB =
      static_cast<int64_t>(b.sumOf(o.x0 - x, o.y0 - y, o.x1 - x, o.y1 - y)) / (area * 3);
  if (meanA < settings.structureFloor || meanB < settings.structureFloor) return kNoMatch;

  const int32_t shift = static_cast<int32_t>(meanB - meanA);
  const double scale = 16.0 / static_cast<double>(area);
  int64_t sum = 0;
  for (int32_t row = o.y0; row < o.y1; ++row) {
    const uint8_t* pa = rowOf(*a.gradient, row) + static_cast<ptrdiff_t>(o.x0) * 3;
    const uint8_t* pb = rowOf(*b.gradient, row - y) + static_cast<ptrdiff_t>(o.x0 - x) * 3;
    sum += rowDifference(pa, pb, w * 3, shift);
    if (settings.pruning && static_cast<double>(sum) * scale >= best) return best;
  }
  return static_cast<double>(sum) * scale;
}

}  // namespace

double matchScore(const GradientFeatures& a, const GradientFeatures& b,
                  const MatchSettings& settings, const ProgressRange& range) {
  const MatchWindow win =
      matchWindow(a.width(), a.height(), b.width(), b.height(), settings.overlap);
  const int32_t windowRows = std::max(win.yEnd - win.yBegin, 1);
  double best = kNoMatch;
  for (int32_t y = win.yBegin; y < win.yEnd; ++y) {
    range.at(static_cast<double>(y - win.yBegin) / windowRows);
    const int32_t y0 = std::max(y, 0), y1 = std::min(a.height(), y + b.height());
    if (y1 - y0 <= 2) continue;
    for (int32_t x = win.xBegin; x < win.xEnd; ++x) {
      const int32_t x0 = std::max(x, 0), x1 = std::min(a.width(), x + b.width());
      if (x1 - x0 <= 2) continue;
      const double score = offsetScore(a, b, x, y, {x0, y0, x1, y1}, settings, best);
      if (score < best) best = score;  // an equal score never replaces the earlier offset
    }
  }
  return best;
}

}  // namespace tessaly::stitch
