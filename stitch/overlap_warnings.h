// The two reservations the overlap search can raise about a pair: an overlap that is small
// compared with the piece, and an overlap with hardly any structure in either piece.
#pragma once

#include <cstdint>

#include "overlap_features.h"

namespace tessaly::stitch {

// QX_WARN_SMALL_OVERLAP when B at (x, y) covers less than 15 % of A's width (horizontal pair) or
// height (vertical pair); else QX_WARN_FEATURELESS_OVERLAP when the overlap is blank in both
// pieces; else QX_OK.
long overlapWarning(const FeatureImage& a, const FeatureImage& b, int32_t x, int32_t y,
                    bool horizontal);

// True when the part of `f` from (left, top), width x height, is blank: a run of consecutive
// columns (or rows) whose mean edge strength is 15 or less spans more than 0.9 of the part's
// width (or height).
bool isBlank(const FeatureImage& f, int32_t left, int32_t top, int32_t width, int32_t height);

}  // namespace tessaly::stitch
