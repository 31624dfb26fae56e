// Sampling a layer's pixels at a point that is not on the pixel grid, for pixels drawn through a
// transform. Pixel centres stand at whole positions (pixel i at i). Nearest takes the pixel whose
// centre is closest; bilinear weighs the four around the point in 1/256 steps. Outside the area
// read, nearest finds nothing and bilinear repeats the edge pixels.
#pragma once

#include <cstdint>

#include "layer_area.h"

namespace tessaly::engine {

class AreaSampler {
 public:
  AreaSampler(const LayerArea& area, bool interpolate, int32_t bitsPerPixel);

  // Writes one pixel to out and answers how much of it the layer has there (0 to 255: the part
  // of the neighbours that lie in tiles with a block).
  uint8_t sample(double x, double y, unsigned char* out) const;

 private:
  const LayerArea& area_;
  bool interpolate_;
  int32_t channelBytes_;
};

}  // namespace tessaly::engine
