#include "overlap_features.h"

#include <algorithm>
#include <cstdlib>

#include "pixel_array.h"

namespace tessaly::stitch {

FeatureImage::FeatureImage(int32_t w, int32_t h)
    : width(w),
      height(h),
      edge(static_cast<size_t>(w) * h, kAbsent),
      contrast(static_cast<size_t>(w) * h * 3, 0) {}

namespace {

// Rows above, at and below y (clamped), and the columns left and right of x (clamped), in bytes.
struct Neighbourhood {
  const uint8_t* rows[3];
  int32_t left, centre, right;

  Neighbourhood(const tagPixelArray& image, int32_t x, int32_t y) {
    rows[0] = rowOf(image, std::max(y - 1, 0));
    rows[1] = rowOf(image, y);
    rows[2] = rowOf(image, std::min(y + 1, image.height - 1));
    left = 3 * std::max(x - 1, 0);
    centre = 3 * x;
    right = 3 * std::min(x + 1, image.width - 1);
  }
};

uint8_t edgeStrength(const Neighbourhood& n) {
  int strongest = 0;
  for (int c = 0; c < 3; ++c) {
    const auto at = [&](int row, int32_t column) {
      return static_cast<int>(n.rows[row][column + c]);
    };
    const int gx = (at(0, n.right) + 2 * at(1, n.right) + at(2, n.right)) -
                   (at(0, n.left) + 2 * at(1, n.left) + at(2, n.left));
    const int gy = (at(2, n.left) + 2 * at(2, n.centre) + at(2, n.right)) -
                   (at(0, n.left) + 2 * at(0, n.centre) + at(0, n.right));
    strongest = std::max(strongest, std::abs(gx) + std::abs(gy));
  }
  return static_cast<uint8_t>(strongest >= 510 ? 254 : strongest / 2);
}

// Each channel of (x, y) minus the mean of the neighbourhood pixels that lie inside the image.
void localContrast(const tagPixelArray& image, int32_t x, int32_t y, int16_t* out) {
  const int32_t x0 = std::max(x - 1, 0), x1 = std::min(x + 1, image.width - 1);
  const int32_t y0 = std::max(y - 1, 0), y1 = std::min(y + 1, image.height - 1);
  const int count = (x1 - x0 + 1) * (y1 - y0 + 1);
  int sums[3] = {0, 0, 0};
  for (int32_t yy = y0; yy <= y1; ++yy) {
    const uint8_t* row = rowOf(image, yy);
    for (int32_t xx = x0; xx <= x1; ++xx) {
      for (int c = 0; c < 3; ++c) sums[c] += row[3 * xx + c];
    }
  }
  const uint8_t* centre = rowOf(image, y) + 3 * x;
  for (int c = 0; c < 3; ++c) out[c] = static_cast<int16_t>(centre[c] - sums[c] / count);
}

}  // namespace

FeatureImage buildFeatures(const tagPixelArray& image) {
  FeatureImage f(image.width, image.height);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      const size_t i = f.index(x, y);
      f.edge[i] = edgeStrength(Neighbourhood(image, x, y));
      localContrast(image, x, y, &f.contrast[3 * i]);
    }
  }
  return f;
}

SimilarityTable::SimilarityTable() : values_(static_cast<size_t>(kSide) * kSide) {
  for (int u = -kLimit; u <= kLimit; ++u) {
    for (int v = -kLimit; v <= kLimit; ++v) {
      int value = 0;
      if (u != 0 && v != 0) value = u == v ? 256 : u == -v ? -256 : 512 * u * v / (u * u + v * v);
      values_[static_cast<size_t>(u + kLimit) * kSide + (v + kLimit)] = static_cast<int16_t>(value);
    }
  }
}

}  // namespace tessaly::stitch
