// Turning a 24-bit image by an arbitrary angle about its centre.
#pragma once

#include "pixel_array.h"

namespace tessaly::stitch {

// The image turned by `radians` (output point = R(radians) * source point about the centre)
// into a white canvas just large enough for the turned corners, sampled bilinearly in 16.16
// fixed point. An angle below 1e-8 in size gives a plain copy.
ImagePtr turnByAngle(const tagPixelArray& image, double radians);

}  // namespace tessaly::stitch
