// What each style decides for the stages.
#include "policy.h"

#include <gtest/gtest.h>

#include "QuiltexEngine.h"

namespace {

using tessaly::stitch::ArrangementSearch;
using tessaly::stitch::Composition;
using tessaly::stitch::NeighbourOverlap;
using tessaly::stitch::policyFor;
using tessaly::stitch::StitchPolicy;

TEST(StitchPolicy, RowAndGridDifferInEveryStage) {
  const StitchPolicy row = policyFor(QX_STYLE_ROW);
  const StitchPolicy grid = policyFor(QX_STYLE_GRID);
  EXPECT_GT(row.coarsestMinimumSide, grid.coarsestMinimumSide);
  EXPECT_EQ(row.arrangements, ArrangementSearch::RowOnly);
  EXPECT_EQ(grid.arrangements, ArrangementSearch::Grids);
  EXPECT_LT(row.linkThreshold, grid.linkThreshold);
  EXPECT_EQ(row.neighbourOverlap, NeighbourOverlap::Partial);
  EXPECT_EQ(grid.neighbourOverlap, NeighbourOverlap::Wide);
  EXPECT_TRUE(row.keepsWeakCandidates);
  EXPECT_FALSE(grid.keepsWeakCandidates);
  EXPECT_EQ(row.composition, Composition::Direct);
  EXPECT_EQ(grid.composition, Composition::ByRows);
}

TEST(StitchPolicy, AnUnnamedStyleIsARowButComposedByRows) {
  for (const int32_t style : {-1, 2, 7}) {
    const StitchPolicy other = policyFor(style);
    const StitchPolicy row = policyFor(QX_STYLE_ROW);
    EXPECT_EQ(other.coarsestMinimumSide, row.coarsestMinimumSide);
    EXPECT_EQ(other.arrangements, row.arrangements);
    EXPECT_EQ(other.linkThreshold, row.linkThreshold);
    EXPECT_EQ(other.neighbourOverlap, row.neighbourOverlap);
    EXPECT_EQ(other.borderStructureFloor, row.borderStructureFloor);
    EXPECT_EQ(other.keepsWeakCandidates, row.keepsWeakCandidates);
    EXPECT_EQ(other.composition, Composition::ByRows);
  }
}

}  // namespace
