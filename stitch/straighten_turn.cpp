#include "straighten_turn.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "errors.h"

namespace tessaly::stitch {

namespace {

constexpr int64_t kOne = 65536;  // 1.0 in 16.16 fixed point

int64_t toFixed(double value) {
  return static_cast<int64_t>(value * kOne);
}

int32_t checkedSize(double extent) {
  if (!(extent >= 1 && extent < std::numeric_limits<int32_t>::max())) fail(QX_ERR_SETUP);
  return static_cast<int32_t>(extent);
}

// One output pixel from source point (sx, sy) in 16.16: white outside the image, the nearest
// pixel on the last row or column, else bilinear with 16-bit fractions.
void samplePixel(const tagPixelArray& image, int64_t sx, int64_t sy, uint8_t* out) {
  if (sx < 0 || sy < 0) return;
  const int64_t ix = sx >> 16, iy = sy >> 16;
  if (ix >= image.width || iy >= image.height) return;
  const uint8_t* upper = rowOf(image, static_cast<int32_t>(iy)) + ix * 3;
  if (ix == image.width - 1 || iy == image.height - 1) {
    std::copy(upper, upper + 3, out);
    return;
  }
  const uint8_t* lower = upper + image.bytesPerLine;
  const uint32_t fx = static_cast<uint32_t>(sx & 0xFFFF), fy = static_cast<uint32_t>(sy & 0xFFFF);
  for (int c = 0; c < 3; ++c) {
    const uint32_t top = static_cast<uint8_t>((upper[c] * (65536 - fx) + upper[c + 3] * fx) >> 16);
    const uint32_t bottom =
        static_cast<uint8_t>((lower[c] * (65536 - fx) + lower[c + 3] * fx) >> 16);
    out[c] = static_cast<uint8_t>((top * (65536 - fy) + bottom * fy) >> 16);
  }
}

}  // namespace

ImagePtr turnByAngle(const tagPixelArray& image, double radians) {
  if (std::fabs(radians) < 1e-8) return copyImage(image);
  const double c = std::cos(radians), s = std::sin(radians);
  const int32_t cx = (image.width - 1) >> 1, cy = (image.height - 1) >> 1;

  constexpr double kInf = std::numeric_limits<double>::infinity();
  double minX = kInf, maxX = -kInf, minY = kInf, maxY = -kInf;
  for (const int32_t x : {0, image.width - 1}) {
    for (const int32_t y : {0, image.height - 1}) {
      const double dx = x - cx, dy = y - cy;
      const double tx = dx * c - dy * s, ty = dx * s + dy * c;
      minX = std::min(minX, tx);
      maxX = std::max(maxX, tx);
      minY = std::min(minY, ty);
      maxY = std::max(maxY, ty);
    }
  }
  ImagePtr out = makeImage(checkedSize(maxX - minX + 2), checkedSize(maxY - minY + 2));

  // Source point of output (0, 0), and its steps per output column and per output row.
  int64_t rowX = toFixed(cx + minX * c + minY * s);
  int64_t rowY = toFixed(cy - minX * s + minY * c);
  const int64_t columnStepX = toFixed(c), columnStepY = toFixed(-s);
  const int64_t rowStepX = toFixed(s), rowStepY = toFixed(c);
  for (int32_t i = 0; i < out->height; ++i) {
    uint8_t* pixel = rowOf(*out, i);
    int64_t sx = rowX, sy = rowY;
    for (int32_t k = 0; k < out->width; ++k, pixel += 3) {
      samplePixel(image, sx, sy, pixel);
      sx += columnStepX;
      sy += columnStepY;
    }
    rowX += rowStepX;
    rowY += rowStepY;
  }
  return out;
}

}  // namespace tessaly::stitch
