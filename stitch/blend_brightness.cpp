#include "blend_brightness.h"

#include <algorithm>
#include <cmath>

#include "pixel_array.h"

namespace tessaly::stitch {

namespace {

// A translation truncated to whole pixels; anything that is no usable number counts as none.
int64_t wholePixels(double value) {
  return std::fabs(value) < (1 << 30) ? static_cast<int64_t>(value) : 0;
}

}  // namespace

POINT miniatureDisplacement(const PairAlignment& pair, int32_t outputLevel, int32_t coarsest) {
  int64_t dx, dy;
  if (pair.matches.empty()) {
    dx = wholePixels(pair.transform.m[2]);
    dy = wholePixels(pair.transform.m[5]);
  } else {
    int64_t sumX = 0, sumY = 0;
    for (const Correspondence& c : pair.matches) {
      sumX += static_cast<int64_t>(c.xA) - c.xB;
      sumY += static_cast<int64_t>(c.yA) - c.yB;
    }
    const auto n = static_cast<int64_t>(pair.matches.size());
    dx = sumX / n;
    dy = sumY / n;
  }
  const int64_t up = int64_t{1} << outputLevel, down = int64_t{1} << coarsest;
  return {static_cast<int32_t>(dx * up / down), static_cast<int32_t>(dy * up / down)};
}

namespace {

bool isMidTone(const uint8_t* p) {
  const int sum = p[0] + p[1] + p[2];
  return sum > 45 && sum < 720;
}

}  // namespace

int32_t brightnessDifference(const tagPixelArray& a, const tagPixelArray& b, POINT displacement) {
  // Rectangles in A's coordinates; B's pixel (x, y) lies over A's (x + dx, y + dy).
  const int64_t dx = displacement.x, dy = displacement.y;
  const int64_t left = std::max<int64_t>(0, dx), right = std::min<int64_t>(a.width, dx + b.width);
  const int64_t top = std::max<int64_t>(0, dy), bottom = std::min<int64_t>(a.height, dy + b.height);
  if (right <= left || bottom <= top) return 0;
  const int64_t trimX = (right - left) / 8, trimY = (bottom - top) / 8;
  const int64_t x0 = left + trimX, x1 = right - trimX, y0 = top + trimY, y1 = bottom - trimY;

  int64_t count = 0, sumA = 0, sumB = 0;
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* rowA = rowOf(a, static_cast<int32_t>(y));
    const uint8_t* rowB = rowOf(b, static_cast<int32_t>(y - dy));
    for (int64_t x = x0; x < x1; ++x) {
      const uint8_t* pa = rowA + x * 3;
      const uint8_t* pb = rowB + (x - dx) * 3;
      if (!isMidTone(pa) || !isMidTone(pb)) continue;
      ++count;
      sumA += pa[0] + pa[1] + pa[2];
      sumB += pb[0] + pb[1] + pb[2];
    }
  }
  const int64_t area = (x1 - x0) * (y1 - y0);
  // No qualifying pixel at all (also a trimmed area of nothing) says nothing about brightness.
  if (count == 0 || count * 10 < area) return 0;
  return static_cast<int32_t>(sumB / (3 * count) - sumA / (3 * count));
}

std::vector<int32_t> balanceOffsets(const std::vector<int32_t>& rightDifference,
                                    const std::vector<int32_t>& belowDifference, int32_t rows,
                                    int32_t columns) {
  const int32_t cells = rows * columns;
  std::vector<int32_t> o(cells, 0);
  for (int sweep = 0; sweep < 50; ++sweep) {
    for (int32_t cell = 0; cell < cells; ++cell) {
      const int32_t row = cell / columns, column = cell % columns;
      // r sums, over the neighbours, how far this offset is from agreeing with each of them.
      int64_t r = 0;
      int d = 0;
      const auto pull = [&](int32_t other, int64_t difference) {
        r += int64_t{o[cell]} - o[other] + difference;
        ++d;
      };
      if (column > 0) pull(cell - 1, rightDifference[cell - 1]);
      if (column + 1 < columns) pull(cell + 1, -int64_t{rightDifference[cell]});
      if (row > 0) pull(cell - columns, belowDifference[cell - columns]);
      if (row + 1 < rows) pull(cell + columns, -int64_t{belowDifference[cell]});
      // A lone piece has no neighbour to balance against.
      if (d > 0) o[cell] += static_cast<int32_t>(r / (-2 * d));
    }
    int64_t sum = 0;
    for (const int32_t v : o) sum += v;
    const auto mean = static_cast<int32_t>(sum / cells);
    for (int32_t& v : o) v -= mean;
  }
  return o;
}

}  // namespace tessaly::stitch
