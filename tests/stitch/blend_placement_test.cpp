// Chaining pair transforms into placements, and the rectangles of pieces and canvas.
#include "blend_placement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "errors.h"

namespace {

tessaly::stitch::Transform rigid(double degrees, double tx, double ty) {
  const double a = degrees * M_PI / 180;
  return {{std::cos(a), -std::sin(a), tx, std::sin(a), std::cos(a), ty}};
}

long failureOf(auto&& body) {
  try {
    body();
  } catch (const tessaly::stitch::StitchError& e) {
    return e.code;
  }
  return QX_OK;
}

TEST(BlendPlacement, ChainsAlongRowsThenDownTheFirstColumn) {
  // 2 x 2: cell 1 from cell 0's right transform, cell 2 from cell 0's lower one, cell 3 from
  // cell 2's right transform; cell 1's lower transform is not used for placement.
  const std::vector<tessaly::stitch::Transform> right = {
      rigid(2, 100, 5), {}, rigid(0, 90, -3), {}};
  const std::vector<tessaly::stitch::Transform> below = {
      rigid(-1, 4, 80), rigid(45, 1000, 1000), {}, {}};
  const std::vector<tessaly::stitch::Transform> g =
      tessaly::stitch::chainTransforms(right, below, 2, 2);
  ASSERT_EQ(g.size(), 4u);
  EXPECT_TRUE(tessaly::stitch::isUnrotated(g[0]));
  EXPECT_DOUBLE_EQ(g[1].m[2], 100);
  EXPECT_DOUBLE_EQ(g[1].m[3], std::sin(2 * M_PI / 180));
  // Cell 3's origin: cell 2's point (90, -3) placed by cell 2's transform.
  const double a = -M_PI / 180;
  EXPECT_NEAR(g[3].m[2], std::cos(a) * 90 + std::sin(a) * 3 + 4, 1e-9);
  EXPECT_NEAR(g[3].m[5], std::sin(a) * 90 - std::cos(a) * 3 + 80, 1e-9);
  EXPECT_NEAR(g[3].m[3], std::sin(a), 1e-12);
}

TEST(BlendPlacement, NearlyUnrotatedPiecesAreCopiedAtTruncatedOffsets) {
  tessaly::stitch::Transform almost = rigid(0, -10.7, 20.9);
  almost.m[1] = -5e-9;
  almost.m[3] = 5e-9;
  const std::vector<tessaly::stitch::Transform> g =
      tessaly::stitch::chainTransforms({almost, {}}, {{}, {}}, 1, 2);
  EXPECT_TRUE(tessaly::stitch::isUnrotated(g[1]));
  const RECT r = tessaly::stitch::pieceRectangle(g[1], 300, 200);
  EXPECT_EQ(r.left, -10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 290);
  EXPECT_EQ(r.bottom, 220);
}

TEST(BlendPlacement, TheCanvasHoldsEveryPieceWithTwoPixelsToSpare) {
  const RECT c = tessaly::stitch::canvasRectangle(
      {{0, 0, 400, 300}, {280, -7, 680, 293}, {-3, 250, 397, 550}});
  EXPECT_EQ(c.left, -3);
  EXPECT_EQ(c.top, -7);
  EXPECT_EQ(c.right, 682);
  EXPECT_EQ(c.bottom, 552);

  EXPECT_EQ(failureOf([] { tessaly::stitch::canvasRectangle({{0, 0, 29, 100}}); }), QX_ERR_INPUT);
  EXPECT_EQ(failureOf([] { tessaly::stitch::canvasRectangle({{0, 0, 100, 29}}); }), QX_ERR_INPUT);
  EXPECT_EQ(failureOf([] { tessaly::stitch::canvasRectangle({{0, 0, 30, 30}}); }), QX_OK);
}

TEST(BlendPlacement, PlacementsOutsideTheCoordinateRangeAreRejected) {
  for (const double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 4e9}) {
    EXPECT_EQ(failureOf([&] { tessaly::stitch::pieceRectangle(rigid(0, bad, 0), 100, 100); }),
              QX_ERR_INPUT)
        << bad;
    EXPECT_EQ(failureOf([&] { tessaly::stitch::pieceRectangle(rigid(3, 0, bad), 100, 100); }),
              QX_ERR_INPUT)
        << bad;
  }
}

}  // namespace
