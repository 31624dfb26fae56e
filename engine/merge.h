// Merging, resampling and reading a picture's pixels: composition's three exported uses.
#pragma once

#include <cstdint>

#include "block.h"
#include "compose.h"

namespace tessaly::engine {

// A new layer holding the visible layers of the picture composed over rect (picture coordinates;
// null: the whole canvas) at the scale, or 0 for an empty rectangle. The result has an 8-bit mask
// when some layer in the rectangle is translucent or masked or the layers leave part of it
// uncovered, unless a background block was given, which is repeated across the result first.
zanHandle mergeLayers(zanHandle picture, const ComposeScale& scale, Block* background,
                      const RECT* rect);

// A new layer, in no picture, holding the layer scaled at (0, 0) with its mask scaled into the
// new layer's mask. The layer's own opacity stays a property of the copy, not blended in.
zanHandle resampleLayer(zanHandle layer, const ComposeScale& scale);

// Composes the picture's visible layers into the block's pixels over the block's rectangle
// (picture coordinates) limited to limit.
void readPictureBits(Block& block, zanHandle picture, const RECT& limit);

}  // namespace tessaly::engine
