// The exhaustive overlap search on the coarsest level: every placement of the right or lower
// piece (B) over its neighbour (A) inside a search window is scored by how well the two pieces'
// feature images agree, small rotations are tried around the best-looking placements, and the
// placement that is both good and well supported wins.
#pragma once

#include <cstdint>

#include "overlap_features.h"
#include "policy.h"
#include "progress.h"

namespace tessaly::stitch {

// Placements of B's top-left corner in A's coordinates, bounds inclusive.
struct SearchWindow {
  int32_t left = 0, right = -1, top = 0, bottom = -1;

  int32_t columns() const { return right - left + 1; }
  int32_t rows() const { return bottom - top + 1; }
  bool contains(int32_t x, int32_t y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
  // Not on the window's first or last row or column.
  bool interior(int32_t x, int32_t y) const {
    return x > left && x < right && y > top && y < bottom;
  }
};

// The placements worth trying for a pair. A grid arrangement allows overlaps from almost all of
// A down to an eighth and a sideways shift of a third; a single row expects overlaps between a
// third and six sevenths and a shift of a sixth.
SearchWindow searchWindow(int32_t widthA, int32_t heightA, int32_t widthB, int32_t heightB,
                          NeighbourOverlap overlap, bool horizontal);

struct PlacementScore {
  double score = 0;  // mean similarity per counted pixel / 256: -1 (no agreement) to 3 (identical)
  int32_t support = 0;  // pixels where both have an edge and the similarity sum exceeds 384
};

// Scores b placed with its top-left pixel at (x, y) in a, over the overlap less a one-pixel margin.
// Pixels without an edge in either image are skipped, an edge in only one counts -256, an edge in
// both counts the similarity of the three contrast values; absent pixels of b are skipped.
PlacementScore scorePlacement(const FeatureImage& a, const FeatureImage& b, int32_t x, int32_t y,
                              const SimilarityTable& table);

struct CoarseMatch {
  int32_t x = 0, y = 0;  // B's top-left corner in A
  int degrees = 0;       // B's rotation relative to A
  double score = 0;
};

// Best placement of b over a inside the window: every placement at angle 0, rotations of +-1 to
// +-5 degrees around each local maximum, then the final choice by support x score among the
// strong local maxima. Reports at the start of `progress` and when the angle-0 scores are done.
CoarseMatch coarseMatch(const FeatureImage& a, const FeatureImage& b, const SimilarityTable& table,
                        const SearchWindow& window, const ProgressRange& progress);

}  // namespace tessaly::stitch
