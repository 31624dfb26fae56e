// A plain text page for skew tests: white paper with lines of small dark letter shapes.
#pragma once

#include <cstdint>

#include "picture.h"

namespace tessaly::stitch::test {

// Lines of "words" made of letters (dark blocks with a stem or a gap) with glyphs `glyph` pixels
// high, lines 1.8 glyphs apart, over the whole page but a margin of 4 %. Deterministic from seed.
Picture makeTextPage(int32_t width, int32_t height, uint32_t seed, int32_t glyph = 24);

// Fills the rectangle [x0, x1) x [y0, y1) with one grey value.
void fillBox(Picture& picture, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t grey);

}  // namespace tessaly::stitch::test
