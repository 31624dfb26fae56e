// Pair evidence for the verified way: for every pair of pieces and every relative quarter turn,
// where (and at which small rotation) the second piece's content correlates with the first's over
// the whole plausible overlap, as a few ranked hypotheses confirmed on a finer level.
#pragma once

#include <functional>
#include <vector>

#include "verified_types.h"

namespace tessaly::stitch::verified {

struct PairSearchOptions {
  double minOverlapFraction = 0.08;  // smallest overlap considered, of the smaller piece's area
  double maxAngleDegrees = 12.0;     // largest relative rotation between two pieces
  int peaksPerPairAndTurn = 3;       // hypotheses kept per pair and relative quarter turn
  // The scan over offsets, turns and rotations runs this many halvings below the working level,
  // with rotations this far apart; its peaks are then refined down to the working level.
  int scanHalvings = 2;
  double scanAngleStepDegrees = 3.0;
  // A hypothesis is confirmed when the finer level agrees on its place and correlates at least
  // this well over the whole overlap.
  double minConfirmedScore = 0.2;
};

// Reports progress from 0 to 1 and returns true when the caller asks to stop.
using ProgressCheck = std::function<bool(double fraction)>;

// All hypotheses for all unordered pairs (a < b) of `pieces`, best first within each pair.
// Returns false when `progress` asked to stop (the output is then incomplete and must be
// discarded). Throws std::bad_alloc when memory is short.
bool findPairHypotheses(const std::vector<PieceLevels>& pieces, const PairSearchOptions& options,
                        const ProgressCheck& progress, std::vector<PairHypothesis>& hypotheses);

}  // namespace tessaly::stitch::verified
