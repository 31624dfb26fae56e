#include "refine_block_match.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "pixel_array.h"

namespace tessaly::stitch {

namespace {

constexpr int kBlock = 8;
constexpr int kValues = kBlock * kBlock * 3;
constexpr int kFlatVariance = 64;

// The 192 values of an 8 x 8 block from (x, y), with the rounded mean of each channel.
struct Block {
  int values[kValues];
  int means[3];
  int sumOfSquares = 0;

  Block(const tagPixelArray& image, int32_t x, int32_t y) {
    int sums[3] = {0, 0, 0};
    int* out = values;
    for (int r = 0; r < kBlock; ++r) {
      const uint8_t* px = rowOf(image, y + r) + 3 * x;
      for (int i = 0; i < kBlock * 3; ++i) {
        out[i] = px[i];
        sums[i % 3] += px[i];
        sumOfSquares += px[i] * px[i];
      }
      out += kBlock * 3;
    }
    for (int c = 0; c < 3; ++c) means[c] = (sums[c] + 32) >> 6;
  }

  int variance() const {
    int sum = 0;
    for (int i = 0; i < kValues; ++i)
      sum += (values[i] - means[i % 3]) * (values[i] - means[i % 3]);
    return sum / kValues;
  }
  // The variance from the sums, as A's local variance is taken.
  int localVariance() const {
    return (sumOfSquares / 64 - (means[0] * means[0] + means[1] * means[1] + means[2] * means[2])) /
           3;
  }
  int difference(const Block& other) const {
    int sum = 0;
    for (int i = 0; i < kValues; ++i)
      sum += std::abs((values[i] - means[i % 3]) - (other.values[i] - other.means[i % 3]));
    return sum;
  }
};

bool insideImage(const tagPixelArray& image, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x + kBlock <= image.width && y + kBlock <= image.height;
}

}  // namespace

BlockMatch matchBlock(const tagPixelArray& b, Point point, const tagPixelArray& a,
                      const PixelBox& window, Point prediction) {
  BlockMatch result;
  if (window.width() <= kBlock - 1 || window.height() <= kBlock - 1) return result;
  if (!insideImage(b, point.x - 4, point.y - 4) || !insideImage(a, window.left, window.top) ||
      !insideImage(a, window.right - kBlock + 1, window.bottom - kBlock + 1)) {
    return result;
  }
  const Block block(b, point.x - 4, point.y - 4);
  const int variance = block.variance();
  if (variance < kFlatVariance) {
    result.strength = -1;
    return result;
  }

  // Difference and flatness of A's block at every position of the window.
  const int32_t columns = window.width() - kBlock + 1, rows = window.height() - kBlock + 1;
  std::vector<int> difference(static_cast<size_t>(columns) * rows);
  std::vector<bool> textured(difference.size());
  int smallest = std::numeric_limits<int>::max();
  for (int32_t j = 0; j < rows; ++j) {
    for (int32_t i = 0; i < columns; ++i) {
      const Block area(a, window.left + i, window.top + j);
      const size_t at = static_cast<size_t>(j) * columns + i;
      difference[at] = area.difference(block);
      textured[at] = area.localVariance() >= kFlatVariance;
      if (difference[at] != 0) smallest = std::min(smallest, difference[at]);
    }
  }
  // Only exact matches qualify when nothing differs at all.
  const int limit =
      smallest == std::numeric_limits<int>::max() ? 1 : static_cast<int>(1.5 * smallest);

  int nearest = std::numeric_limits<int>::max();
  for (int32_t j = 0; j < rows; ++j) {
    for (int32_t i = 0; i < columns; ++i) {
      const size_t at = static_cast<size_t>(j) * columns + i;
      const int d = difference[at];
      if (d >= limit || !textured[at]) continue;
      if ((i > 0 && d >= difference[at - 1]) || (i + 1 < columns && d >= difference[at + 1]) ||
          (j > 0 && d >= difference[at - columns]) ||
          (j + 1 < rows && d >= difference[at + columns])) {
        continue;
      }
      const Point centre{window.left + i + 4, window.top + j + 4};
      const int distance = std::abs(centre.x - prediction.x) + std::abs(centre.y - prediction.y);
      if (distance >= nearest) continue;
      nearest = distance;
      result.found = true;
      result.centre = centre;
    }
  }
  result.strength = std::sqrt(static_cast<double>(variance));
  return result;
}

}  // namespace tessaly::stitch
