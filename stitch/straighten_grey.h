// The first steps of skew measurement: a reduced grey copy of the page without its margins, the
// dark/light threshold, and the bit image of dark pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "straighten_bit_image.h"

namespace tessaly::stitch {

struct GreyImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // row after row, no padding

  uint8_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reduction factor that keeps the measurement near one million pixels: 1 below 2^20 pixels,
// else 2, 4 or 8 (one doubling per factor of four in area, at most three).
int reductionFactor(int32_t width, int32_t height);

// The page reduced by `factor` (the top-left pixel of every factor x factor block, no
// filtering), then cut by a tenth of its width on the left and right and a tenth of its height
// at the top and bottom, as grey = (601 green + 306 red + 117 blue) / 1024.
GreyImage reducedGrey(const tagPixelArray& image, int factor);

// Threshold between ink and paper by iterated class means over the central 80 % of the grey
// image. 0 (nothing is dark) when the image has only one tone or a class runs empty.
int darkThreshold(const GreyImage& grey);

// A bit image of the grey image's size with the pixels below threshold set.
BitImage darkPixels(const GreyImage& grey, int threshold);

}  // namespace tessaly::stitch
