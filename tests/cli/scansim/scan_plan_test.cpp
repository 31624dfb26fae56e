// Where the planned scans lie: covering the page, overlapping as asked, within the drawn limits,
// reproducible from the seed, and saved in scanning order.
#include "scan_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arguments.h"

namespace tessaly::cli {
namespace {

ScanSettings still(int32_t rows, int32_t columns) {
  ScanSettings s;
  s.rows = rows;
  s.columns = columns;
  s.maxAngle = 0;
  s.maxShift = 0;
  return s;
}

TEST(ScanPlan, UnshiftedPiecesCoverThePageEdgeToEdgeWithTheAskedOverlap) {
  const ScanPlan plan = planScans(still(2, 3), 1700, 1200);
  ASSERT_EQ(plan.pieces.size(), 6u);
  const ScanPiece& first = plan.pieces.front();
  const ScanPiece& last = plan.pieces.back();
  // Left and top edges of the first piece on the page's, right and bottom of the last on its.
  EXPECT_NEAR(first.centreX - (first.width - 1) / 2.0, 0, 1.0);
  EXPECT_NEAR(first.centreY - (first.height - 1) / 2.0, 0, 1.0);
  EXPECT_NEAR(last.centreX + (last.width - 1) / 2.0, 1699, 1.5);
  EXPECT_NEAR(last.centreY + (last.height - 1) / 2.0, 1199, 1.5);
  // Neighbours share 30 % of a piece across and down.
  const ScanPiece& right = plan.pieces[1];
  const ScanPiece& below = plan.pieces[3];
  EXPECT_NEAR(first.width - (right.centreX - first.centreX), 0.3 * first.width, 1e-9);
  EXPECT_NEAR(first.height - (below.centreY - first.centreY), 0.3 * first.height, 1e-9);
  EXPECT_EQ(below.row, 1);
  EXPECT_EQ(below.column, 0);
}

TEST(ScanPlan, OneRowOrColumnOverlapsMoreThanAGridByDefault) {
  EXPECT_DOUBLE_EQ(planScans(still(1, 3), 3000, 1000).overlap, 0.40);
  EXPECT_DOUBLE_EQ(planScans(still(3, 1), 1000, 3000).overlap, 0.40);
  EXPECT_DOUBLE_EQ(planScans(still(2, 2), 2000, 2000).overlap, 0.30);
  ScanSettings asked = still(1, 3);
  asked.overlap = 0.5;
  EXPECT_DOUBLE_EQ(planScans(asked, 3000, 1000).overlap, 0.5);
}

TEST(ScanPlan, GivenPieceSizeIsCentredOnThePage) {
  ScanSettings s = still(1, 2);
  s.pieceWidth = 600;
  s.pieceHeight = 800;
  const ScanPlan plan = planScans(s, 1000, 700);
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[0].width, 600);
  EXPECT_EQ(plan.pieces[0].height, 800);
  EXPECT_NEAR((plan.pieces[0].centreX + plan.pieces[1].centreX) / 2, 499.5, 1e-9);
  EXPECT_NEAR(plan.pieces[0].centreY, 349.5, 1e-9);
}

TEST(ScanPlan, DrawsStayWithinTheirLimitsAndTheSeedNamesThem) {
  ScanSettings s;
  s.rows = 5;
  s.columns = 5;
  const ScanPlan plan = planScans(s, 4000, 5000);
  const ScanPlan again = planScans(s, 4000, 5000);
  s.seed = 2;
  const ScanPlan other = planScans(s, 4000, 5000);
  const ScanPlan unshifted = planScans(
      [] {
        ScanSettings n;
        n.rows = 5;
        n.columns = 5;
        n.maxShift = 0;
        return n;
      }(),
      4000, 5000);
  bool anyDifferent = false;
  for (size_t i = 0; i < plan.pieces.size(); ++i) {
    const ScanPiece& p = plan.pieces[i];
    EXPECT_LE(std::abs(p.angleDegrees), s.maxAngle);
    EXPECT_LE(std::abs(p.centreX - unshifted.pieces[i].centreX), s.maxShift * p.width);
    EXPECT_LE(std::abs(p.centreY - unshifted.pieces[i].centreY), s.maxShift * p.height);
    EXPECT_LE(std::abs(p.brightness), s.maxBrightness);
    EXPECT_LE(std::abs(p.contrast - 1), s.maxContrast);
    EXPECT_LE(std::abs(p.gamma - 1), s.maxGamma);
    EXPECT_EQ(p.centreX, again.pieces[i].centreX);
    EXPECT_EQ(p.angleDegrees, again.pieces[i].angleDegrees);
    EXPECT_EQ(p.gamma, again.pieces[i].gamma);
    anyDifferent = anyDifferent || p.angleDegrees != other.pieces[i].angleDegrees;
  }
  EXPECT_TRUE(anyDifferent);
}

TEST(ScanPlan, ScansAreSavedOneAfterAnotherInRowOrder) {
  ScanSettings s;
  s.rows = 3;
  s.columns = 3;
  s.interval = 1;  // jitter larger than the interval must still never go back in time
  s.startTime = 1600000000;
  const ScanPlan plan = planScans(s, 3000, 3000);
  EXPECT_EQ(plan.pieces[0].modified, 1600000000);
  for (size_t i = 1; i < plan.pieces.size(); ++i) {
    EXPECT_GT(plan.pieces[i].modified, plan.pieces[i - 1].modified);
    EXPECT_EQ(plan.pieces[i].index, int32_t(i));
    EXPECT_EQ(plan.pieces[i].row * 3 + plan.pieces[i].column, int32_t(i));
  }
}

TEST(ScanPlan, RefusesSessionsThePageCannotHold) {
  EXPECT_THROW(planScans(still(20, 20), 100, 100), UsageError);  // pieces under 16 pixels
  ScanSettings turns = still(2, 2);
  turns.turnDegrees = {0, 90, 0};  // three turns for four pieces
  EXPECT_THROW(planScans(turns, 1000, 1000), UsageError);
  turns.turnDegrees = {0, 45, 0, 0};
  EXPECT_THROW(planScans(turns, 1000, 1000), UsageError);
  turns.turnDegrees = {0, 90, 180, 270};
  EXPECT_EQ(planScans(turns, 1000, 1000).pieces[3].turnDegrees, 270);
}

}  // namespace
}  // namespace tessaly::cli
