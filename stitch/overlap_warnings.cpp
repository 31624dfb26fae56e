#include "overlap_warnings.h"

#include <algorithm>
#include <vector>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

namespace {

constexpr int kFlatMean = 15;

// Longest run of consecutive flat entries among per-line edge sums over `length` pixels each.
int32_t longestFlatRun(const std::vector<int64_t>& sums, int32_t length) {
  int32_t longest = 0, run = 0;
  for (const int64_t sum : sums) {
    run = sum / length <= kFlatMean ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

}  // namespace

bool isBlank(const FeatureImage& f, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  std::vector<int64_t> columns(width, 0), rows(height, 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int strength = f.edgeAt(left + x, top + y);
      columns[x] += strength;
      rows[y] += strength;
    }
  }
  return longestFlatRun(columns, height) > 0.9 * width ||
         longestFlatRun(rows, width) > 0.9 * height;
}

long overlapWarning(const FeatureImage& a, const FeatureImage& b, int32_t x, int32_t y,
                    bool horizontal) {
  const double covered = horizontal ? static_cast<double>(a.width - x) / a.width
                                    : static_cast<double>(a.height - y) / a.height;
  if (covered < 0.15) return QX_WARN_SMALL_OVERLAP;

  // The overlap in A's coordinates; B's part is the same rectangle moved by (-x, -y).
  const int32_t left = std::max(0, x), right = std::min(a.width, x + b.width);
  const int32_t top = std::max(0, y), bottom = std::min(a.height, y + b.height);
  const int32_t width = right - left, height = bottom - top;
  const bool blank =
      isBlank(a, left, top, width, height) && isBlank(b, left - x, top - y, width, height);
  return blank ? QX_WARN_FEATURELESS_OVERLAP : QX_OK;
}

}  // namespace tessaly::stitch
