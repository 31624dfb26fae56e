// Plain geometry shared by alignment, refinement and composition: the rigid transform between
// two pieces, matched point pairs, and what alignment knows about one neighbour pair.
#pragma once

#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

// A rigid transform as six doubles: cos t, -sin t, tx, sin t, cos t, ty. It maps a point (x, y)
// of the later piece to (cos t*x - sin t*y + tx, sin t*x + cos t*y + ty) in the earlier one.
struct Transform {
  double m[6] = {1, 0, 0, 0, 1, 0};
};

// A matched point pair: (xA, yA) in the left or upper piece, (xB, yB) in the other.
struct Correspondence {
  int32_t xA, yA, xB, yB;
};

// What alignment knows about the pair (this cell, its right or lower neighbour).
struct PairAlignment {
  Transform transform;                  // neighbour -> this cell, in the units of the last level
  RECT overlap{};                       // in the neighbour's full-resolution coordinates
  std::vector<Correspondence> matches;  // at most 40, from the last refinement pass
};

}  // namespace tessaly::stitch
