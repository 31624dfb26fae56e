// Random sample consensus over a pair's correspondences: finds the largest subset that one rigid
// transform explains and drops the rest.
#pragma once

#include <vector>

#include "geometry.h"

namespace tessaly::stitch {

struct ConsensusOutcome {
  bool found = false;  // a consistent subset of at least 3 was kept
  int iterations = 0;  // samples drawn, skipped ones included
};

// Draws triples with the C library's generator seeded with 2003 (so a pair always gives the same
// answer), fits each and counts the correspondences within 4 pixels; the iteration limit starts
// at 500 and falls as better subsets show the outlier share. On success `matches` keeps only the
// inliers of the best subset; otherwise it is left as it was. Needs at least 3 correspondences.
ConsensusOutcome keepConsensus(std::vector<Correspondence>& matches);

}  // namespace tessaly::stitch
