// Resampling: bilinear rendering through an affine or projective mapping, and resizing.
#pragma once

#include "layer_access.h"
#include "progress.h"

namespace tessaly::tools {

// Result pixel (x, y) (relative to the result's left-top) samples the source at
// (x0 + xx * x + xy * y, y0 + yx * x + yy * y) in source pixel units (0 = the centre of the
// source's left-top pixel).
struct AffineMap {
  double x0, y0, xx, xy, yx, yy;
};

// What bilinear sampling takes for neighbours beyond the source's rim: its edge pixels again
// (pictures), or 0 (coverage masks, whose edge then fades out).
enum class Rim { Repeat, Zero };

// A new layer covering resultRect filled by bilinear sampling (8-bit grey or 24-bit source).
// Positions more than half a pixel outside the source stay 0.
OwnedLayer renderAffine(zanHandle source, const RECT& resultRect, const AffineMap& map,
                        ProgressMeter& meter, Rim rim = Rim::Repeat);

// The same for a projective mapping given as the 3 x 3 matrix (row-vector convention) that
// takes result picture coordinates to source picture coordinates; nearest pixel when bilinear is
// false.
OwnedLayer renderProjective(zanHandle source, const RECT& resultRect, const double inverse[9],
                            bool bilinear, ProgressMeter& meter);

// A new layer of resultWidth x resultHeight at (resultLeft, resultTop) made from the part area
// (layer coordinates) of the source: by averaging areas, or by repeating pixels.
OwnedLayer resizeArea(zanHandle source, const RECT& area, const RECT& resultRect,
                      ProgressMeter& meter);
OwnedLayer resizeRepeat(zanHandle source, const RECT& area, const RECT& resultRect,
                        ProgressMeter& meter);

}  // namespace tessaly::tools
