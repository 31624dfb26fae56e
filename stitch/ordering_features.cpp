#include "ordering_features.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "turn.h"

namespace tessaly::stitch {

uint64_t GradientFeatures::sumOf(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
  const size_t stride = static_cast<size_t>(width()) + 1;
  auto at = [&](int32_t x, int32_t y) { return sums[static_cast<size_t>(y) * stride + x]; };
  return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
}

int32_t cropMargin(int32_t width, int32_t height) {
  return std::min(std::min(width, height) / 30, 2);
}

ImagePtr cropped(const tagPixelArray& image, int32_t margin) {
  ImagePtr out = makeImage(image.width - 2 * margin, image.height - 2 * margin, Fill::PaddingOnly);
  const size_t rowBytes = static_cast<size_t>(out->width) * 3;
  for (int32_t r = 0; r < out->height; ++r) {
    std::memcpy(rowOf(*out, r), rowOf(image, r + margin) + static_cast<ptrdiff_t>(margin) * 3,
                rowBytes);
  }
  return out;
}

ImagePtr gradientImage(const tagPixelArray& image) {
  const int32_t w = image.width, h = image.height;
  ImagePtr out = makeImage(w, h, Fill::PaddingOnly);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* above = rowOf(image, std::max(y - 1, 0));
    const uint8_t* centre = rowOf(image, y);
    const uint8_t* below = rowOf(image, std::min(y + 1, h - 1));
    uint8_t* target = rowOf(*out, y);
    for (int32_t x = 0; x < w; ++x) {
      const ptrdiff_t l = static_cast<ptrdiff_t>(std::max(x - 1, 0)) * 3;
      const ptrdiff_t c = static_cast<ptrdiff_t>(x) * 3;
      const ptrdiff_t r = static_cast<ptrdiff_t>(std::min(x + 1, w - 1)) * 3;
      for (int ch = 0; ch < 3; ++ch) {
        const int gx = (above[r + ch] + 2 * centre[r + ch] + below[r + ch]) -
                       (above[l + ch] + 2 * centre[l + ch] + below[l + ch]);
        const int gy = (below[l + ch] + 2 * below[c + ch] + below[r + ch]) -
                       (above[l + ch] + 2 * above[c + ch] + above[r + ch]);
        const int magnitude = std::abs(gx) + std::abs(gy);
        target[c + ch] = static_cast<uint8_t>(magnitude >= 510 ? 254 : magnitude / 2);
      }
    }
  }
  return out;
}

GradientFeatures withSums(ImagePtr gradient) {
  GradientFeatures feature;
  const int32_t w = gradient->width, h = gradient->height;
  const size_t stride = static_cast<size_t>(w) + 1;
  feature.sums.assign(stride * (static_cast<size_t>(h) + 1), 0);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = rowOf(*gradient, y);
    uint64_t rowSum = 0;
    for (int32_t x = 0; x < w; ++x) {
      rowSum += static_cast<uint64_t>(row[3 * x]) + row[3 * x + 1] + row[3 * x + 2];
      feature.sums[(y + 1) * stride + x + 1] = feature.sums[y * stride + x + 1] + rowSum;
    }
  }
  feature.gradient = std::move(gradient);
  return feature;
}

namespace {

// Longest run of consecutive true entries.
int32_t longestRun(const std::vector<bool>& flags) {
  int32_t best = 0, run = 0;
  for (bool flag : flags) {
    run = flag ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

// Flat lines of one direction: a line is flat when each channel's mean along it is at most 15.
std::vector<bool> flatLines(const tagPixelArray& g, bool columns) {
  const int32_t lines = columns ? g.width : g.height;
  const int32_t length = columns ? g.height : g.width;
  std::vector<uint64_t> channelSums(static_cast<size_t>(lines) * 3, 0);
  for (int32_t y = 0; y < g.height; ++y) {
    const uint8_t* row = rowOf(g, y);
    for (int32_t x = 0; x < g.width; ++x) {
      uint64_t* line = &channelSums[static_cast<size_t>(columns ? x : y) * 3];
      line[0] += row[3 * x];
      line[1] += row[3 * x + 1];
      line[2] += row[3 * x + 2];
    }
  }
  const uint64_t limit = 15ULL * static_cast<uint64_t>(length);
  std::vector<bool> flat(lines);
  for (int32_t i = 0; i < lines; ++i) {
    const uint64_t* line = &channelSums[static_cast<size_t>(i) * 3];
    flat[i] = line[0] <= limit && line[1] <= limit && line[2] <= limit;
  }
  return flat;
}

// Integer mean of every byte of columns [x0, x1) and rows [y0, y1); 0 for an empty strip.
int64_t stripMean(const tagPixelArray& g, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const int64_t bytes = static_cast<int64_t>(x1 - x0) * (y1 - y0) * 3;
  if (bytes <= 0) return 0;
  uint64_t sum = 0;
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* row = rowOf(g, y);
    for (int32_t i = x0 * 3; i < x1 * 3; ++i) sum += row[i];
  }
  return static_cast<int64_t>(sum) / bytes;
}

}  // namespace

bool hasBlankBand(const tagPixelArray& gradient) {
  const int32_t columnRun = longestRun(flatLines(gradient, true));
  const int32_t rowRun = longestRun(flatLines(gradient, false));
  return columnRun > 0.36 * gradient.width || rowRun > 0.36 * gradient.height;
}

bool hasBorderStructure(const tagPixelArray& g) {
  const int32_t h20 = g.height / 20, w20 = g.width / 20;
  const int64_t top = stripMean(g, 0, 0, g.width, h20);
  const int64_t bottom = stripMean(g, 0, g.height - h20, g.width, g.height);
  const int64_t left = stripMean(g, 0, 0, w20, g.height);
  const int64_t right = stripMean(g, g.width - w20, 0, g.width, g.height);
  const int64_t vmax = std::max(top, bottom), vmin = std::min(top, bottom);
  const int64_t hmax = std::max(left, right), hmin = std::min(left, right);
  // Judge the axis whose borders are weaker; when its two sides differ a lot, the weaker side.
  if (vmax >= hmax) return (hmax - hmin > 30 ? hmin : hmax) > 6;
  return (vmax - vmin >= 31 ? vmin : vmax) > 6;
}

PieceFeatures prepareFeatures(const tagPixelArray& miniature) {
  const ImagePtr inner = cropped(miniature, cropMargin(miniature.width, miniature.height));
  PieceFeatures features;
  features.turns[0] = withSums(gradientImage(*inner));
  for (int t = 1; t < 4; ++t)
    features.turns[t] = withSums(quarterTurn(*features.turns[0].gradient, t));
  return features;
}

}  // namespace tessaly::stitch
