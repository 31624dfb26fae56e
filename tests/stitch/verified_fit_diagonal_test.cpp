// Matching across the diagonal of a square of pieces: from a prediction a few pixels off, the
// correspondences found lie where the true placement puts them.
#include "verified_fit_diagonal.h"

#include <gtest/gtest.h>

#include <cmath>

#include "stitch_layout.h"

namespace {

namespace verified = tessaly::stitch::verified;

TEST(VerifiedDiagonalTest, CornerOverlapMatchesTheTruthFromAnOffPrediction) {
  tessaly::stitch::test::StitchLayout layout =
      tessaly::stitch::test::gridLayout(2, 2, 360, 270, 120, 71);
  layout.cells[3].angleDegrees = 2;
  tessaly::stitch::test::Picture pa = layout.piece(0), pb = layout.piece(3);
  const tagPixelArray va = pa.view(), vb = pb.view();
  const tessaly::stitch::Transform truth = layout.pairTransform(0, 3, 0);
  const verified::Rigid predicted{std::atan2(truth.m[3], truth.m[0]) + 0.004, truth.m[2] + 3,
                                  truth.m[5] - 2};
  const std::vector<tessaly::stitch::Correspondence> matches =
      verified::diagonalMatches(va, vb, predicted);
  ASSERT_GE(matches.size(), 3u);
  for (const tessaly::stitch::Correspondence& m : matches) {
    const double x = truth.m[0] * m.xB + truth.m[1] * m.yB + truth.m[2];
    const double y = truth.m[3] * m.xB + truth.m[4] * m.yB + truth.m[5];
    EXPECT_NEAR(m.xA, x, 1.5);
    EXPECT_NEAR(m.yA, y, 1.5);
  }
}

TEST(VerifiedDiagonalTest, NoOverlapGivesNothing) {
  tessaly::stitch::test::StitchLayout layout =
      tessaly::stitch::test::gridLayout(2, 2, 360, 270, 120, 72);
  tessaly::stitch::test::Picture pa = layout.piece(0), pb = layout.piece(3);
  const tagPixelArray va = pa.view(), vb = pb.view();
  EXPECT_TRUE(verified::diagonalMatches(va, vb, {0, 400, 300}).empty());
}

}  // namespace
