// The least-cost seam, joining a piece to what is painted along it, and the crop proposal.
#include "blend_seam.h"

#include <gtest/gtest.h>

#include "blend_crop.h"
#include "blend_join.h"

namespace {

tessaly::stitch::CostMap filled(int32_t w, int32_t h, uint16_t cost) {
  tessaly::stitch::CostMap map(w, h);
  std::fill(map.cells.begin(), map.cells.end(), cost);
  return map;
}

TEST(BlendSeam, FollowsTheCheapestPath) {
  // A free path that wanders one column per row at most.
  tessaly::stitch::CostMap map = filled(30, 12, 50);
  const int32_t path[12] = {10, 11, 12, 12, 13, 12, 11, 10, 10, 9, 9, 10};
  for (int32_t y = 0; y < 12; ++y) map.at(path[y], y) = 0;
  const tessaly::stitch::Seam seam = tessaly::stitch::findSeam(map);
  ASSERT_EQ(seam.firstRow, 0);
  ASSERT_EQ(seam.columns.size(), 12u);
  for (int32_t y = 0; y < 12; ++y) EXPECT_EQ(seam.columns[y], path[y]) << y;
}

TEST(BlendSeam, OnEvenGroundGoesStraightDownFromTheFirstAllowedColumn) {
  // The path may not end in the outer fifteenth of the width; ties keep the cell above.
  const tessaly::stitch::Seam seam = tessaly::stitch::findSeam(filled(45, 6, 7));
  ASSERT_EQ(seam.columns.size(), 6u);
  for (const int32_t c : seam.columns) EXPECT_EQ(c, 3);
}

TEST(BlendSeam, OnlyRowsAtLeastHalfPresentBoundTheSeam) {
  tessaly::stitch::CostMap map = filled(20, 10, 5);
  for (const int32_t y : {0, 1, 8, 9}) {
    for (int32_t x = 0; x < 11; ++x)
      map.at(x, y) = tessaly::stitch::CostMap::kAbsent;  // 9 of 20 present
  }
  const tessaly::stitch::Seam seam = tessaly::stitch::findSeam(map);
  EXPECT_EQ(seam.firstRow, 2);
  EXPECT_EQ(seam.columns.size(), 6u);
  // Rows outside take the nearest end of the seam.
  EXPECT_EQ(seam.columnAt(0), seam.columns.front());
  EXPECT_EQ(seam.columnAt(9), seam.columns.back());

  EXPECT_TRUE(tessaly::stitch::findSeam(tessaly::stitch::CostMap(20, 10)).empty());
}

TEST(BlendSeam, NeverRunsThroughAbsentCellsHoweverCostlyThePath) {
  // 1600 rows of the highest cost add up to more than a million; the gap in the middle column
  // must still never be taken.
  tessaly::stitch::CostMap map = filled(21, 1600, 765);
  for (int32_t y = 0; y < 1600; ++y) map.at(10, y) = tessaly::stitch::CostMap::kAbsent;
  map.at(10, 1599) = 0;
  const tessaly::stitch::Seam seam = tessaly::stitch::findSeam(map);
  ASSERT_EQ(seam.columns.size(), 1600u);
  for (int32_t y = 0; y < 1600; ++y)
    ASSERT_NE(map.at(seam.columns[y], y), tessaly::stitch::CostMap::kAbsent) << y;
}

TEST(BlendSeam, StopsAboveARowThatNoPathReaches) {
  // The left half is present in rows 0 to 4, the right half (from column 11) in rows 5 on.
  tessaly::stitch::CostMap map(21, 10);
  for (int32_t y = 0; y < 10; ++y) {
    for (int32_t x = y < 5 ? 0 : 11; x < (y < 5 ? 10 : 21); ++x) map.at(x, y) = 1;
  }
  const tessaly::stitch::Seam seam = tessaly::stitch::findSeam(map);
  EXPECT_EQ(seam.firstRow, 0);
  ASSERT_EQ(seam.columns.size(), 5u);
  EXPECT_LT(seam.columns.back(), 10);
}

// A surface over rect whose pixels all hold `grey`, held where `held` says.
tessaly::stitch::Surface surface(const RECT& rect, uint8_t grey, bool held = true) {
  tessaly::stitch::Surface s = tessaly::stitch::makeSurface(rect);
  for (int32_t y = 0; y < s.image->height; ++y) {
    std::fill(tessaly::stitch::rowOf(*s.image, y),
              tessaly::stitch::rowOf(*s.image, y) + s.image->width * 3, grey);
    if (held) s.coverage.setRun(y, 0, s.image->width);
  }
  return s;
}

TEST(BlendJoin, OverlapsUnderEightPixelsAreSimplyPaintedOver) {
  tessaly::stitch::Surface canvas = surface({0, 0, 107, 40}, 100, false);
  const tessaly::stitch::Surface left = surface({0, 0, 60, 40}, 100);
  tessaly::stitch::paintOnto(left, canvas);
  tessaly::stitch::Surface right = surface({53, 0, 107, 40}, 180);
  tessaly::stitch::joinOnto(right, canvas, left.rect, tessaly::stitch::SeamRuns::TopToBottom);
  tessaly::stitch::paintOnto(right, canvas);
  for (int32_t x = 53; x < 60; ++x) EXPECT_EQ(canvas.pixelAt(x, 20)[0], 180) << x;
  EXPECT_EQ(canvas.pixelAt(52, 20)[0], 100);
}

TEST(BlendJoin, KeepsThePaintedSideOfTheSeam) {
  // Overlap x 40 ... 59: the two agree only in column 50 (cost 0), so the seam runs there.
  tessaly::stitch::Surface canvas = surface({0, 0, 100, 30}, 0, false);
  tessaly::stitch::Surface left = surface({0, 0, 60, 30}, 100);
  tessaly::stitch::Surface right = surface({40, 0, 100, 30}, 180);
  for (int32_t y = 0; y < 30; ++y) std::fill_n(left.pixelAt(50, y), 3, 180);
  tessaly::stitch::paintOnto(left, canvas);
  tessaly::stitch::joinOnto(right, canvas, left.rect, tessaly::stitch::SeamRuns::TopToBottom);
  tessaly::stitch::paintOnto(right, canvas);
  for (int32_t y = 0; y < 30; ++y) {
    EXPECT_EQ(canvas.pixelAt(49, y)[0], 100) << y;
    EXPECT_EQ(canvas.pixelAt(50, y)[0], 180) << y;
    EXPECT_EQ(canvas.pixelAt(59, y)[0], 180) << y;
  }
  EXPECT_TRUE(canvas.covers(99, 29));
}

TEST(BlendJoin, RowsJoinAlongASeamThatRunsLeftToRight) {
  // Rows overlap in y 20 ... 34 and agree only along row 27.
  tessaly::stitch::Surface canvas = surface({0, 0, 50, 60}, 0, false);
  tessaly::stitch::Surface upper = surface({0, 0, 50, 35}, 60);
  tessaly::stitch::Surface lower = surface({0, 20, 50, 60}, 200);
  for (int32_t x = 0; x < 50; ++x) std::fill_n(upper.pixelAt(x, 27), 3, 200);
  tessaly::stitch::paintOnto(upper, canvas);
  tessaly::stitch::joinOnto(lower, canvas, upper.rect, tessaly::stitch::SeamRuns::LeftToRight);
  tessaly::stitch::paintOnto(lower, canvas);
  for (int32_t x = 0; x < 50; ++x) {
    EXPECT_EQ(canvas.pixelAt(x, 26)[1], 60) << x;
    EXPECT_EQ(canvas.pixelAt(x, 27)[1], 200) << x;
  }
}

TEST(BlendJoin, UncoveredCanvasNeverReplacesThePiece) {
  // The canvas holds nothing in the top half of the overlap: the piece keeps it whole there,
  // though the seam (straight down column 41, the first one allowed) extends up through it.
  tessaly::stitch::Surface canvas = surface({0, 0, 100, 40}, 0, false);
  tessaly::stitch::Surface left = surface({0, 20, 60, 40}, 100);
  tessaly::stitch::paintOnto(left, canvas);
  tessaly::stitch::Surface right = surface({40, 0, 100, 40}, 180);
  tessaly::stitch::joinOnto(right, canvas, {0, 0, 60, 40}, tessaly::stitch::SeamRuns::TopToBottom);
  tessaly::stitch::paintOnto(right, canvas);
  for (int32_t x = 40; x < 100; ++x) EXPECT_EQ(canvas.pixelAt(x, 5)[0], 180) << x;
  EXPECT_EQ(canvas.pixelAt(40, 30)[0], 100);
  EXPECT_EQ(canvas.pixelAt(41, 30)[0], 180);
}

TEST(BlendCrop, ProposesTheFullyCoveredPart) {
  // 100 x 50 canvas covered in x 3 ... 96, y 2 ... 46, with a ragged notch at the top.
  tessaly::stitch::BitImage coverage(100, 50);
  for (int32_t y = 2; y < 47; ++y) coverage.setRun(y, 3, 97);
  coverage.clearRun(2, 40, 45);
  const RECT r = tessaly::stitch::coveredRectangle(coverage);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.bottom, 47);
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.right, 97);

  // Nothing covered: the search limits.
  const RECT none = tessaly::stitch::coveredRectangle(tessaly::stitch::BitImage(100, 50));
  EXPECT_EQ(none.top, 10);
  EXPECT_EQ(none.bottom, 41);
  EXPECT_EQ(none.left, 20);
  EXPECT_EQ(none.right, 81);
}

}  // namespace
