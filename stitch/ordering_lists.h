// Neighbour candidates of every piece in every turn: who may lie to its right (and, for the grid,
// below it), in which turn, at what score. Filled from a pair-scoring function, then trimmed to
// the few best that the arrangement search may use.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "progress.h"

namespace tessaly::stitch {

struct NeighbourCandidate {
  int32_t piece;
  double score;  // lower is better
  int32_t turn;  // the neighbour's quarter turn
};

struct CandidateList {
  std::vector<NeighbourCandidate> entries;  // after trimming: the best few, best first
  int32_t usable = 0;                       // how many of the first entries the search may take
};

// Lists for `count` pieces in four turns each, indexed by piece * 4 + turn.
struct NeighbourLists {
  int32_t count = 0;
  std::vector<CandidateList> right;
  std::vector<CandidateList> below;  // grid only; empty for a row

  const CandidateList& rightOf(int32_t piece, int32_t turn) const {
    return right[piece * 4 + turn];
  }
  const CandidateList& belowOf(int32_t piece, int32_t turn) const {
    return below[piece * 4 + turn];
  }
};

// Score of piece b in turn tb lying immediately right of piece a in turn ta; the progress range
// is the share of the whole matching that this one score owns.
using PairScorer =
    std::function<double(int32_t a, int32_t ta, int32_t b, int32_t tb, const ProgressRange&)>;

// Fills the right lists: for every ordered pair (a, b) and every turn of a, b in the two turns of
// the same parity. A pair whose reverse was already scored takes that score with both turns
// shifted by a half turn (b right of a is a right of b once the whole picture is turned half
// round), so each geometric relation is matched once. Reports inside range.
NeighbourLists scoreAllPairs(int32_t count, const PairScorer& score, const ProgressRange& range);

// Derives the below lists from the right lists: b in turn u lies below a in turn t exactly when
// b in turn u + 1 lies right of a in turn t + 1, one more quarter turn making below into right.
void deriveBelowLists(NeighbourLists& lists);

// Keeps the best min(size, 4) entries of a list, best first (an equal score keeps the earlier
// entry ahead), and marks those below threshold usable; when none is and keepAllIfNone is set,
// all of them stay usable.
void trimList(CandidateList& list, double threshold, bool keepAllIfNone);

}  // namespace tessaly::stitch
