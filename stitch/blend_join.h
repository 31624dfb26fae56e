// Joining a piece (or a row strip) to what is already painted: a hard cut along the least-cost
// seam through their overlap, so that each side shows one source only.
#pragma once

#include "blend_surface.h"

namespace tessaly::stitch {

enum class SeamRuns {
  TopToBottom,  // pieces side by side: the painted image stays on the left of the seam
  LeftToRight,  // rows one above the other: the painted image stays above the seam
};

// Over the overlap of piece.rect with `reference` (a neighbour's rectangle, or the target's own),
// finds the seam through the pixels both hold and, on the near side of it, copies the target's
// pixels into the piece wherever the target has them, so that painting the piece afterwards
// keeps them. Overlaps under 8 pixels in either direction are left alone: the piece then simply
// covers them.
void joinOnto(Surface& piece, const Surface& target, const RECT& reference, SeamRuns runs);

}  // namespace tessaly::stitch
