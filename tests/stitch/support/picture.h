// Test pictures: a simple owning 24-bit image, synthetic document-like pages and pieces cut
// from them with known placement, rotation and brightness.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"

namespace tessaly::stitch::test {

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  std::vector<uint8_t> bytes;

  Picture() = default;
  Picture(int32_t w, int32_t h, int32_t rowStride = 0);  // rowStride 0: the standard stride
  static Picture fromArray(const tagPixelArray& image);

  uint8_t* pixel(int32_t x, int32_t y) {
    return bytes.data() + static_cast<size_t>(y) * stride + x * 3;
  }
  const uint8_t* pixel(int32_t x, int32_t y) const {
    return bytes.data() + static_cast<size_t>(y) * stride + x * 3;
  }
  // A tagPixelArray view of this picture (valid while the picture lives and is not resized).
  tagPixelArray view() { return {width, height, stride, bytes.data()}; }
  // True when both have the same size and pixels (padding ignored).
  bool samePixels(const Picture& other) const;
};

// A page with the structure scanned documents have: a paper tone, blocks of "text" strokes in
// several sizes, ruled lines, a few filled shapes and a little noise. Deterministic from seed.
Picture makeTexturedPage(int32_t width, int32_t height, uint32_t seed);

// A piece of width x height whose centre lies at (centreX, centreY) on the page, turned by
// angleDegrees about that centre (bilinear sampling), with brightness added to every channel.
// Piece point (u, v) shows page point R(angle) * (u - cu, v - cv) + (centreX, centreY), where
// (cu, cv) = ((width - 1) / 2, (height - 1) / 2).
Picture cutPiece(const Picture& page, double centreX, double centreY, int32_t width, int32_t height,
                 double angleDegrees = 0, int brightness = 0);

// The picture reduced `times` times by the engine's own halving, as its level images are made.
Picture halvedTimes(const Picture& picture, int times);

// The elementary quarter turn applied `turns` times: output (r, c) = input (c, width - 1 - r).
Picture turnByElementarySteps(const Picture& source, int turns);

}  // namespace tessaly::stitch::test
