// Cutting the stitched picture: to the rectangle the blend proposes, and after straightening to
// the part that the turned picture still covers.
#pragma once

#include <cstdint>

#include "QuiltexEngine.h"

namespace tessaly::cli::stitch {

// The part of image inside rect, sharing image's pixels. rect is clamped to the image; when
// nothing of it is left (or it is the whole image) the whole image is given. `applied`
// receives the rectangle actually used.
tagPixelArray cropView(const tagPixelArray& image, const RECT& rect, RECT& applied);

// The largest rectangle, centred in a canvasWidth x canvasHeight canvas, that lies inside a
// width x height picture turned by `radians` about the canvas centre: what remains without
// the white corners a turn brings in.
RECT coveredAfterTurn(int32_t width, int32_t height, double radians, int32_t canvasWidth,
                      int32_t canvasHeight);

}  // namespace tessaly::cli::stitch
