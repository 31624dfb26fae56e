// Correspondences of a diagonal pair (pieces that touch only at a corner of the grid), which the
// classic refinement does not visit: corner points of B inside the overlap are block-matched into
// A around the place the fitted placements predict, and a random sample consensus keeps the
// consistent ones. They give the global fit loops across every square of the grid.
#pragma once

#include <vector>

#include "QuiltexEngine.h"
#include "session.h"
#include "verified_fit_rigid.h"

namespace tessaly::stitch::verified {

// Both pieces at the same level; `bToA` maps b's pixels into a's on that level. Empty when the
// overlap is too small or too plain to give at least three consistent correspondences.
std::vector<tessaly::stitch::Correspondence> diagonalMatches(const tagPixelArray& a,
                                                             const tagPixelArray& b,
                                                             const Rigid& bToA);

}  // namespace tessaly::stitch::verified
