// Feature images of a coarsest-level piece for the overlap search: an edge-strength map that
// says where there is structure, a local-contrast map that says what it looks like, and the
// table that turns two contrast values into a similarity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

// Edge strength at or above this marks an edge pixel.
constexpr uint8_t kEdgePixel = 27;
// Edge strength of a pixel that a turned copy does not cover; real strengths stop at 254.
constexpr uint8_t kAbsent = 255;

struct FeatureImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> edge;      // one per pixel, 0..254 (kAbsent in turned copies)
  std::vector<int16_t> contrast;  // three per pixel (blue, green, red)

  FeatureImage() = default;
  FeatureImage(int32_t w, int32_t h);  // every pixel absent, contrast 0

  size_t index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * width + x; }
  uint8_t edgeAt(int32_t x, int32_t y) const { return edge[index(x, y)]; }
  const int16_t* contrastAt(int32_t x, int32_t y) const { return &contrast[3 * index(x, y)]; }
};

// Edge strength: per channel |gx| + |gy| of the 3 x 3 Sobel operator (coordinates clamped),
// the largest channel halved and capped at 254. Local contrast: each channel minus the integer
// mean of its 3 x 3 neighbourhood, cut off at the border.
FeatureImage buildFeatures(const tagPixelArray& image);

// Similarity of two contrast values u and v: 256 for equal values, -256 for opposite ones,
// 512 u v / (u^2 + v^2) in between and 0 when either is 0.
class SimilarityTable {
 public:
  // Largest contrast magnitude: a 255 centre among eight 0 neighbours gives 255 - 255 / 9.
  static constexpr int kLimit = 227;

  SimilarityTable();
  int operator()(int u, int v) const {
    return values_[static_cast<size_t>(u + kLimit) * kSide + (v + kLimit)];
  }

 private:
  static constexpr int kSide = 2 * kLimit + 1;
  std::vector<int16_t> values_;
};

}  // namespace tessaly::stitch
