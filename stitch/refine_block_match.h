// Block matching: where an 8 x 8 block of one piece lies inside a small window of the other.
#pragma once

#include "QuiltexEngine.h"
#include "refine_corners.h"

namespace tessaly::stitch {

struct BlockMatch {
  // 0 when the window cannot hold the block, -1 when the block is too flat to match (variance
  // below 64), else the block's standard deviation (8 or more): how trustworthy a match is.
  double strength = 0;
  bool found = false;  // a position qualified
  Point centre{0, 0};  // in A: the matched block's top-left + 4, like `point` in B
};

// Matches the block of b from point - 4 to point + 3 (which must lie within b) against every
// position inside `window` of a (within a), comparing mean-corrected absolute differences over the
// three channels. Positions qualify when their difference is a local minimum below 1.5 times the
// smallest non-zero difference and A's block there is not flat; the qualifying one nearest to
// `prediction` (city-block distance of the centre) wins.
BlockMatch matchBlock(const tagPixelArray& b, Point point, const tagPixelArray& a,
                      const PixelBox& window, Point prediction);

}  // namespace tessaly::stitch
