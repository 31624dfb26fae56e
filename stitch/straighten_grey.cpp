#include "straighten_grey.h"

#include <array>

#include "pixel_array.h"

namespace tessaly::stitch {

int reductionFactor(int32_t width, int32_t height) {
  int64_t n = (static_cast<int64_t>(width) * height) >> 20;
  int factor = 1;
  for (int doublings = 0; n > 0 && doublings < 3; ++doublings) {
    n >>= 2;
    factor *= 2;
  }
  return factor;
}

GreyImage reducedGrey(const tagPixelArray& image, int factor) {
  const int32_t reducedWidth = image.width / factor;
  const int32_t reducedHeight = image.height / factor;
  const int32_t marginX = reducedWidth / 10;
  const int32_t marginY = reducedHeight / 10;
  GreyImage grey;
  grey.width = reducedWidth - 2 * marginX;
  grey.height = reducedHeight - 2 * marginY;
  grey.pixels.resize(static_cast<size_t>(grey.width) * grey.height);
  for (int32_t y = 0; y < grey.height; ++y) {
    const uint8_t* source = rowOf(image, (y + marginY) * factor);
    uint8_t* out = grey.pixels.data() + static_cast<size_t>(y) * grey.width;
    for (int32_t x = 0; x < grey.width; ++x) {
      const uint8_t* p = source + static_cast<size_t>(x + marginX) * factor * 3;
      out[x] = static_cast<uint8_t>((601 * p[1] + 306 * p[2] + 117 * p[0]) >> 10);
    }
  }
  return grey;
}

namespace {

struct ClassSums {
  int64_t count = 0;
  int64_t sum = 0;
  int64_t mean() const { return sum / count; }
};

ClassSums classOf(const std::array<int64_t, 256>& histogram, int from, int to) {
  ClassSums c;
  for (int v = from; v <= to; ++v) {
    c.count += histogram[v];
    c.sum += histogram[v] * v;
  }
  return c;
}

}  // namespace

int darkThreshold(const GreyImage& grey) {
  std::array<int64_t, 256> histogram{};
  const int32_t x0 = grey.width / 10, x1 = static_cast<int32_t>(9LL * grey.width / 10);
  const int32_t y0 = grey.height / 10, y1 = static_cast<int32_t>(9LL * grey.height / 10);
  int lowest = 256, highest = -1;
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) {
      const uint8_t v = grey.at(x, y);
      ++histogram[v];
      lowest = v < lowest ? v : lowest;
      highest = v > highest ? v : highest;
    }
  }
  if (highest < 0) return 0;  // nothing to look at

  int t = (lowest + highest) / 2;
  if (t == 0) return 0;
  for (int round = 0; round < 100; ++round) {
    // Bin t belongs to neither class.
    const ClassSums low = classOf(histogram, lowest, t - 1);
    const ClassSums high = classOf(histogram, t + 1, highest);
    if (low.count == 0 || high.count == 0) return 0;
    // Very little ink on a light page: the threshold is already between ink and paper.
    if (low.count + high.count > 100 * low.count && t > 200) return t;
    const int next = static_cast<int>((low.mean() + high.mean()) / 2);
    if (next == t) break;
    t = next;
  }
  return t;
}

BitImage darkPixels(const GreyImage& grey, int threshold) {
  BitImage bits(grey.width, grey.height);
  for (int32_t y = 0; y < grey.height; ++y) {
    for (int32_t x = 0; x < grey.width; ++x) {
      if (grey.at(x, y) < threshold) bits.set(x, y);
    }
  }
  return bits;
}

}  // namespace tessaly::stitch
