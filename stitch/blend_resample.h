// A piece made ready for the canvas: its pixels as they fall on its rectangle of the frame, with
// its brightness offset applied.
#pragma once

#include "blend_surface.h"
#include "geometry.h"
#include "progress.h"

namespace tessaly::stitch {

// An unrotated piece (its rectangle has the piece's own size) is copied and fully held. A
// rotated one is sampled at every pixel of its rectangle through the inverse of `global` in
// 16.16 fixed point, bilinearly with 8-bit fractions, wherever the source point has all four
// neighbours inside the piece; other pixels stay white and not held. Channels are clamped to
// 0 ... 255 after adding `offset`. Reports inside range every few rows.
Surface resamplePiece(const tagPixelArray& piece, const Transform& global, const RECT& rect,
                      int32_t offset, const ProgressRange& range);

}  // namespace tessaly::stitch
