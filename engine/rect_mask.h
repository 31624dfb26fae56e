// Rectangle masks: a rectangle under a 3 x 3 transform (row vectors: x' = x m00 + y m10 + m20,
// y' = x m01 + y m11 + m21), rasterised into anti-aliased scan-line spans whose coverage is the
// area of each pixel inside the mapped rectangle.
#pragma once

#include <cstdint>

#include "object.h"

namespace tessaly::engine {

// The line table lives on the C++ heap, not in the movable record: callers keep the addresses
// of its spans between calls.
struct RectMaskLines;

struct RectMask {
  HandleObject base;
  RectMaskLines* lines;  // owned
  RECT source;
  uint8_t kind;  // given at creation, stored
  double matrix[9];
  double corners[8];  // the mapped corners, starting at the top one
  RECT bound;
  int32_t rasterised;
  int32_t lineCount;

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<RectMask> && std::is_standard_layout_v<RectMask>);

zanHandle createRectMask(const RECT* source, uint8_t kind);

// Maps the source rectangle through the matrix and rasterises it; a matrix equal (within 1e-10)
// to the last one leaves an already rasterised mask as it is. Throws ZAN_ERR_MASK.
void rasteriseRectMask(RectMask& mask, const double matrix[9]);

// Line y's spans, or null outside the bounding rectangle or before rasterising.
const ZanMaskLine* maskLine(const RectMask& mask, int32_t y);

}  // namespace tessaly::engine
