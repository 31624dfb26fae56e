// Exact pixel moves: every result pixel is one source pixel, found through an integer mapping.
// Quarter turns, flips and crops are all such moves.
#pragma once

#include "layer_access.h"
#include "progress.h"

namespace tessaly::tools {

// Result pixel (x, y) (relative to the result's left-top) takes the source pixel
// (originX + xx * x + xy * y, originY + yx * x + yy * y) (relative to the source's left-top).
struct PixelMove {
  int32_t originX;
  int32_t originY;
  int32_t xx;
  int32_t xy;
  int32_t yx;
  int32_t yy;
};

// The quarter turn (0 to 3, counter-clockwise) of a width x height source.
PixelMove quarterTurn(int32_t quarters, int32_t width, int32_t height);
// Mirrors left to right (horizontal) or top to bottom.
PixelMove mirror(bool horizontal, int32_t width, int32_t height);

// A new layer covering resultRect (picture coordinates) filled tile by tile through the move.
// Every result pixel must map inside the source.
OwnedLayer movePixels(zanHandle source, const RECT& resultRect, const PixelMove& move,
                      ProgressMeter& meter);

}  // namespace tessaly::tools
