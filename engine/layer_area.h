// Reading a rectangle of a layer into memory together with what is known about it: which pixels
// lie in tiles that have a block (the rest of a layer is transparent), and the values of a mask.
#pragma once

#include <cstdint>
#include <vector>

#include "layer.h"

namespace tessaly::engine {

struct LayerArea {
  RECT rect;  // layer coordinates; the first byte of each buffer stands for its left-top pixel
  int32_t pixelBytes;
  int64_t stride;                      // of pixels
  std::vector<unsigned char> pixels;   // zeros where the layer has no block
  std::vector<unsigned char> present;  // 255 in tiles that have a block, else 0; width per row
  bool anyPresent = false;

  int32_t width() const { return rect.right - rect.left; }
  int32_t height() const { return rect.bottom - rect.top; }
  const unsigned char* row(int32_t y) const {
    return pixels.data() + (int64_t{y} - rect.top) * stride;
  }
  const unsigned char* presentRow(int32_t y) const {
    return present.data() + (int64_t{y} - rect.top) * width();
  }
};

// The layer's pixels inside rect (layer coordinates; outside the layer counts as absent).
LayerArea readLayerArea(Layer& layer, const RECT& rect);

// The values of an 8-bit mask layer for the pixels rect of a layer placed at layerOrigin
// (picture coordinates); 0 where the mask has no pixels. One byte per pixel, rows packed.
std::vector<unsigned char> readMaskValues(zanHandle mask, const RECT& rect, POINT layerOrigin);

// The rectangles (layer coordinates, clipped to clip) of the tiles of the layer that have a block.
std::vector<RECT> blockRects(Layer& layer, const RECT& clip);

}  // namespace tessaly::engine
