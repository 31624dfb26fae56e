// The images composition works on: the canvas, a row strip and a piece, each placed on the frame
// of cell 0 and carrying one bit per pixel for the pixels it holds.
#pragma once

#include "QuiltexEngine.h"
#include "pixel_array.h"
#include "straighten_bit_image.h"

namespace tessaly::stitch {

struct Surface {
  RECT rect{};        // where the image lies on the frame; right and bottom exclusive
  ImagePtr image;     // white where nothing was written
  BitImage coverage;  // set where the image holds a pixel

  // The pixel at frame point (x, y), which must lie inside rect.
  uint8_t* pixelAt(int32_t x, int32_t y) {
    return rowOf(*image, y - rect.top) + (x - rect.left) * 3;
  }
  const uint8_t* pixelAt(int32_t x, int32_t y) const {
    return rowOf(*image, y - rect.top) + (x - rect.left) * 3;
  }
  bool covers(int32_t x, int32_t y) const { return coverage.test(x - rect.left, y - rect.top); }
};

// A surface over rect with nothing covered, white (Fill::White) or with only the row padding set
// for a caller that writes every pixel itself (Fill::PaddingOnly). Throws QX_ERR_SETUP when
// memory is short.
Surface makeSurface(const RECT& rect, Fill fill = Fill::White);

// Writes every pixel that piece holds into target and marks it covered there. The piece must lie
// inside the target.
void paintOnto(const Surface& piece, Surface& target);

}  // namespace tessaly::stitch
