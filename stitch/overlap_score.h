// Fast scoring of many placements of one feature image over another. The exhaustive search
// scores thousands of placements per pair, and in most pixels neither piece has an edge; keeping
// the edge and presence maps as bit rows lets a placement count and skip those pixels 64 at a
// time and look up similarities only where both pieces have an edge. Scores equal
// scorePlacement's exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "overlap_features.h"
#include "overlap_search.h"

namespace tessaly::stitch {

// One bit per pixel, row after row: whether the pixel is an edge pixel (strength at or above
// kEdgePixel, absent counted as an edge as the plain score does for A) and whether it is present.
class EdgeBits {
 public:
  explicit EdgeBits(const FeatureImage& f);

  // The n (1 to 64) bits of row y from column x on, in the low bits; bits past the row are 0.
  uint64_t edge(int32_t x, int32_t y, int n) const { return take(edge_, x, y, n); }
  uint64_t present(int32_t x, int32_t y, int n) const { return take(present_, x, y, n); }

 private:
  uint64_t take(const std::vector<uint64_t>& plane, int32_t x, int32_t y, int n) const;

  int32_t words_ = 0;  // per row, with one spare word so a shifted read never leaves the row
  std::vector<uint64_t> edge_, present_;
};

class PlacementScorer {
 public:
  // a, b and table must outlive the scorer.
  PlacementScorer(const FeatureImage& a, const FeatureImage& b, const SimilarityTable& table)
      : a_(a), b_(b), table_(table), aBits_(a), bBits_(b) {}

  PlacementScore operator()(int32_t x, int32_t y) const;

 private:
  const FeatureImage& a_;
  const FeatureImage& b_;
  const SimilarityTable& table_;
  EdgeBits aBits_, bBits_;
};

}  // namespace tessaly::stitch
