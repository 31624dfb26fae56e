#include "policy.h"

#include "QuiltexEngine.h"
#include "ordering_search.h"

namespace tessaly::stitch {

namespace {

constexpr StitchPolicy kRowPolicy{
    .coarsestMinimumSide = 54,
    .arrangements = ArrangementSearch::RowOnly,
    .linkThreshold = kRowThreshold,
    .neighbourOverlap = NeighbourOverlap::Partial,
    .borderStructureFloor = 18,  // a row of pieces with structured borders asks more of an overlap
    .keepsWeakCandidates = true,
    .composition = Composition::Direct,
};

constexpr StitchPolicy kGridPolicy{
    .coarsestMinimumSide = 40,
    .arrangements = ArrangementSearch::Grids,
    .linkThreshold = kGridThreshold,
    .neighbourOverlap = NeighbourOverlap::Wide,
    .borderStructureFloor = 12,
    .keepsWeakCandidates = false,  // a grid only takes good links
    .composition = Composition::ByRows,
};

}  // namespace

StitchPolicy policyFor(int32_t style) {
  if (style == QX_STYLE_GRID) return kGridPolicy;
  StitchPolicy policy = kRowPolicy;
  if (style != QX_STYLE_ROW) policy.composition = Composition::ByRows;
  return policy;
}

}  // namespace tessaly::stitch
