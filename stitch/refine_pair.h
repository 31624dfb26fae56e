// Refinement of one neighbour pair on one level: corner points of B inside the overlap are found
// again in A by block matching around the place the current transform predicts; implausible and
// inconsistent matches are dropped; too few matches are replaced by synthetic ones that keep the
// current transform.
#pragma once

#include <cstdint>

#include "QuiltexEngine.h"
#include "geometry.h"

namespace tessaly::stitch {

struct PairSetup {
  bool horizontal = true;
  bool firstPass = true;  // the first refinement pass, on the level the coarse result is in
  int level = 0;
  int32_t fullWidthA = 0, fullHeightA = 0;  // full-resolution sizes of the two pieces
  int32_t fullWidthB = 0, fullHeightB = 0;
};

// Replaces pair.matches with the correspondences of this level between a and b (the two pieces
// at setup.level). The transform in `pair` is in this level's units on the first pass and in the
// next coarser level's units on later passes; the first pass also computes and stores the overlap
// rectangle (B's full-resolution coordinates, inclusive bounds).
void findCorrespondences(const tagPixelArray& a, const tagPixelArray& b, const PairSetup& setup,
                         PairAlignment& pair);

// Fits pair.transform to pair.matches (left unchanged when there are none).
void fitPairTransform(PairAlignment& pair);

}  // namespace tessaly::stitch
