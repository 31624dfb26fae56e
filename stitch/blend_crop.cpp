#include "blend_crop.h"

namespace tessaly::stitch {

RECT coveredRectangle(const BitImage& coverage) {
  const int32_t w = coverage.width(), h = coverage.height();
  const int32_t x0 = w / 10, x1 = static_cast<int32_t>(9LL * w / 10);
  const auto rowCovered = [&](int32_t y) { return coverage.allSet(y, x0, x1); };

  int32_t top = 0;
  while (top < h / 5 && !rowCovered(top)) ++top;
  int32_t bottom = h - 1;
  while (bottom > static_cast<int32_t>(4LL * h / 5) && !rowCovered(bottom)) --bottom;
  ++bottom;

  const int64_t rows = bottom - top;
  const auto columnCovered = [&](int32_t x) {
    return coverage.countInColumn(x, top, bottom) * 10 > rows * 9;
  };
  int32_t left = 0;
  while (left < w / 5 && !columnCovered(left)) ++left;
  int32_t right = w - 1;
  while (right > static_cast<int32_t>(4LL * w / 5) && !columnCovered(right)) --right;
  ++right;
  return {left, top, right, bottom};
}

}  // namespace tessaly::stitch
