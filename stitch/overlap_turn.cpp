#include "overlap_turn.h"

#include <algorithm>
#include <cmath>

namespace tessaly::stitch {

namespace {

constexpr int kFractionBits = 10;
constexpr int kOne = 1 << kFractionBits;

int blend(int first, int second, int fraction) {
  return (first * (kOne - fraction) + second * fraction) >> kFractionBits;
}

// Samples the source at the fixed-point point (fx, fy), which lies inside it: between two rows
// first, then between the two columns; a zero fraction reads a single row or column.
void sample(const FeatureImage& source, int64_t fx, int64_t fy, FeatureImage& copy, size_t at) {
  const int32_t x = static_cast<int32_t>(fx >> kFractionBits),
                y = static_cast<int32_t>(fy >> kFractionBits);
  const int dx = static_cast<int>(fx & (kOne - 1)), dy = static_cast<int>(fy & (kOne - 1));
  const int32_t x1 = dx != 0 ? x + 1 : x, y1 = dy != 0 ? y + 1 : y;
  const auto column = [&](int32_t cx, auto read) { return blend(read(cx, y), read(cx, y1), dy); };
  const auto value = [&](auto read) { return blend(column(x, read), column(x1, read), dx); };

  copy.edge[at] = static_cast<uint8_t>(
      value([&](int32_t cx, int32_t cy) { return int{source.edgeAt(cx, cy)}; }));
  for (int c = 0; c < 3; ++c) {
    copy.contrast[3 * at + c] = static_cast<int16_t>(
        value([&](int32_t cx, int32_t cy) { return int{source.contrastAt(cx, cy)[c]}; }));
  }
}

}  // namespace

TurnedFeatures turnFeatures(const FeatureImage& source, int degrees) {
  const double angle = degrees * M_PI / 180.0, c = std::cos(angle), s = std::sin(angle);
  const int32_t cx = (source.width - 1) / 2, cy = (source.height - 1) / 2;

  // Bounding box of the turned corners, relative to the centre.
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool first = true;
  for (const int32_t u : {-cx, source.width - 1 - cx}) {
    for (const int32_t v : {-cy, source.height - 1 - cy}) {
      const double x = c * u - s * v, y = s * u + c * v;
      minX = first ? x : std::min(minX, x);
      maxX = first ? x : std::max(maxX, x);
      minY = first ? y : std::min(minY, y);
      maxY = first ? y : std::max(maxY, y);
      first = false;
    }
  }
  TurnedFeatures turned;
  turned.degrees = degrees;
  turned.left = static_cast<int32_t>(minX);
  turned.top = static_cast<int32_t>(minY);
  turned.image = FeatureImage(static_cast<int32_t>(maxX) - turned.left + 1,
                              static_cast<int32_t>(maxY) - turned.top + 1);

  const int64_t limitX = static_cast<int64_t>(source.width - 1) * kOne;
  const int64_t limitY = static_cast<int64_t>(source.height - 1) * kOne;
  FeatureImage& copy = turned.image;
  for (int32_t j = 0; j < copy.height; ++j) {
    for (int32_t i = 0; i < copy.width; ++i) {
      // Inverse turn of the copy's pixel back into the source.
      const double u = turned.left + i, v = turned.top + j;
      const int64_t fx = std::llround((c * u + s * v + cx) * kOne);
      const int64_t fy = std::llround((-s * u + c * v + cy) * kOne);
      if (fx < 0 || fy < 0 || fx > limitX || fy > limitY) continue;  // stays absent
      sample(source, fx, fy, copy, copy.index(i, j));
    }
  }
  return turned;
}

}  // namespace tessaly::stitch
