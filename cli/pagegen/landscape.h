// A photo-like picture made by the program: a lake landscape with a graded sky, clouds, a sun,
// hazy mountains, wooded hills, the water's rippled reflection and a textured meadow with trees.
// It gives a document page the smooth gradients and fine texture of a printed photograph.
#pragma once

#include <cstdint>

#include "bgr_image.h"

namespace tessaly::cli {

// Paints the scene into the rectangle [x, x + width) x [y, y + height) of canvas.
void paintLandscape(BgrImage& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                    uint64_t seed);

}  // namespace tessaly::cli
