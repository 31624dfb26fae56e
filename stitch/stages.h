// The stage drivers that the exports run on a session, one unit each.
#pragma once

#include "session.h"

namespace tessaly::stitch {

// Ordering: scores the miniatures pairwise, writes up to five candidate arrangements and
// applies the first. Progress 0 to 100.
long orderPieces(Session& session, long* candidateCount, tagStitchOrderInfo* candidates);

// Alignment after the reload: coarse search on the coarsest level, then refinement level by level
// to the output level (the bands after the reload's in progress_bands.h). Returns 0 or a warning.
long alignPieces(Session& session);

// Composition of the aligned pieces into the session's result. Progress 0 to 100.
long blendPieces(Session& session, RECT* rectangle);

// Skew measurement of image, and optionally the turned copy (which becomes the session's result).
long straightenImage(Session& session, const tagPixelArray& image, double* angle,
                     tagPixelArray** straightened);

}  // namespace tessaly::stitch
