// Pictures for the scan simulator's tests: a page whose every place looks different, and the
// largest difference between two pictures.
#pragma once

#include <cstdint>

#include "bgr_image.h"

namespace tessaly::cli::test {

// A picture of flat colour with a few shapes, so that scans of it show where they lie.
tessaly::cli::BgrImage shapesPage(int32_t width, int32_t height);

// The largest difference of any channel between two pictures of the same size over the inner
// part that leaves `margin` pixels on every side.
int largestDifference(const tessaly::cli::BgrImage& a, const tessaly::cli::BgrImage& b,
                      int32_t margin);

}  // namespace tessaly::cli::test
