#include "refine_corners.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "pixel_array.h"
#include "worker_pool.h"

namespace tessaly::stitch {

namespace {

constexpr size_t kMostCorners = 80;
// Rows of the strength plane one worker works on at a time.
constexpr int32_t kRowsPerBand = 64;

// Values of a w x h box, row by row.
template <typename T>
struct Plane {
  int32_t width, height;
  std::vector<T> values;
  Plane(int32_t w, int32_t h) : width(w), height(h), values(static_cast<size_t>(w) * h) {}
  T& at(int32_t x, int32_t y) { return values[static_cast<size_t>(y) * width + x]; }
  T at(int32_t x, int32_t y) const { return values[static_cast<size_t>(y) * width + x]; }
};

// Smooths `count` values spaced `step` apart with (1 2 1) / 4; the ends weigh themselves 3 to 1.
void smoothLine(uint8_t* first, int32_t count, ptrdiff_t step, std::vector<int>& scratch) {
  if (count < 2) return;
  scratch.assign(count, 0);
  for (int32_t i = 0; i < count; ++i) scratch[i] = first[i * step];
  first[0] = static_cast<uint8_t>((3 * scratch[0] + scratch[1]) / 4);
  for (int32_t i = 1; i + 1 < count; ++i) {
    first[i * step] = static_cast<uint8_t>((scratch[i - 1] + 2 * scratch[i] + scratch[i + 1]) / 4);
  }
  first[(count - 1) * step] =
      static_cast<uint8_t>((scratch[count - 2] + 3 * scratch[count - 1]) / 4);
}

Plane<uint8_t> smoothedGrey(const tagPixelArray& image, const PixelBox& box) {
  Plane<uint8_t> grey(box.width(), box.height());
  for (int32_t y = 0; y < grey.height; ++y) {
    const uint8_t* px = rowOf(image, box.top + y) + 3 * box.left;
    for (int32_t x = 0; x < grey.width; ++x, px += 3)
      grey.at(x, y) = static_cast<uint8_t>((px[0] + px[1] + px[2]) / 3);
  }
  std::vector<int> scratch;
  for (int32_t x = 0; x < grey.width; ++x)
    smoothLine(&grey.at(x, 0), grey.height, grey.width, scratch);
  for (int32_t y = 0; y < grey.height; ++y) smoothLine(&grey.at(0, y), grey.width, 1, scratch);
  return grey;
}

// Curvature of the grey surface across its gradient at an inner pixel (x, y).
int16_t cornerStrength(const Plane<uint8_t>& g, int32_t x, int32_t y) {
  const int centre = g.at(x, y), left = g.at(x - 1, y), right = g.at(x + 1, y);
  const int above = g.at(x, y - 1), below = g.at(x, y + 1);
  const int ix = std::abs(right - left), iy = std::abs(below - above);
  const int ixx = right + left - 2 * centre, iyy = below + above - 2 * centre;
  const int ixy = g.at(x - 1, y - 1) + g.at(x + 1, y + 1) - g.at(x - 1, y + 1) - g.at(x + 1, y - 1);
  const int numerator =
      iy * iy * std::abs(ixx) + ix * ix * std::abs(iyy) - 2 * ix * iy * std::abs(ixy);
  return static_cast<int16_t>(numerator / (ix * ix + iy * iy + 1));
}

struct Corner {
  Point at;
  int16_t strength;
};

}  // namespace

std::vector<Point> findCorners(const tagPixelArray& image, const PixelBox& box) {
  if (box.width() < 5 || box.height() < 5) return {};
  const Plane<uint8_t> grey = smoothedGrey(image, box);
  // Strengths and then corners in bands of rows on any worker; the bands' strongest values and
  // corner lists are joined in row order, as one pass over the rows would have found them.
  Plane<int16_t> strength(grey.width, grey.height);
  const size_t bands = static_cast<size_t>((grey.height + kRowsPerBand - 1) / kRowsPerBand);
  // Rows [first, end) of a band, kept `margin` rows away from the top and the bottom.
  const auto rowsOf = [&](size_t band, int32_t margin) {
    const int32_t first = std::max(margin, static_cast<int32_t>(band) * kRowsPerBand);
    const int32_t end =
        std::min(grey.height - margin, static_cast<int32_t>(band + 1) * kRowsPerBand);
    return std::pair{first, end};
  };
  std::vector<int16_t> bandStrongest(bands, INT16_MIN);
  parallelFor(bands, [&](size_t band) {
    const auto [first, end] = rowsOf(band, 1);
    for (int32_t y = first; y < end; ++y) {
      for (int32_t x = 1; x + 1 < grey.width; ++x) {
        strength.at(x, y) = cornerStrength(grey, x, y);
        bandStrongest[band] = std::max(bandStrongest[band], strength.at(x, y));
      }
    }
  });
  const int16_t strongest = *std::max_element(bandStrongest.begin(), bandStrongest.end());
  const int threshold = strongest / 10 + 1;
  std::vector<std::vector<Corner>> bandCorners(bands);
  parallelFor(bands, [&](size_t band) {
    const auto [first, end] = rowsOf(band, 2);
    for (int32_t y = first; y < end; ++y) {
      for (int32_t x = 2; x + 2 < grey.width; ++x) {
        const int16_t s = strength.at(x, y);
        if (s < threshold || s <= strength.at(x - 1, y) || s <= strength.at(x + 1, y) ||
            s <= strength.at(x, y - 1) || s <= strength.at(x, y + 1)) {
          continue;
        }
        bandCorners[band].push_back({{box.left + x, box.top + y}, s});
      }
    }
  });
  std::vector<Corner> corners;
  for (const std::vector<Corner>& c : bandCorners)
    corners.insert(corners.end(), c.begin(), c.end());
  std::stable_sort(corners.begin(), corners.end(),
                   [](const Corner& a, const Corner& b) { return a.strength > b.strength; });
  if (corners.size() > kMostCorners) {
    // Keep whole strength values: everything as strong as the 81st corner.
    const int16_t weakestKept = corners[kMostCorners].strength;
    size_t keep = kMostCorners + 1;
    while (keep < corners.size() && corners[keep].strength == weakestKept) ++keep;
    corners.resize(keep);
  }

  std::vector<Point> points;
  points.reserve(corners.size());
  for (const Corner& c : corners) points.push_back(c.at);
  return points;
}

std::vector<Point> spreadPoints(const std::vector<Point>& corners, int32_t spacing, size_t most) {
  std::vector<Point> taken;
  for (const Point& p : corners) {
    if (taken.size() >= most) break;
    const bool crowded = std::any_of(taken.begin(), taken.end(), [&](const Point& t) {
      return std::abs(p.x - t.x) <= spacing && std::abs(p.y - t.y) <= spacing;
    });
    if (!crowded) taken.push_back(p);
  }
  return taken;
}

}  // namespace tessaly::stitch
