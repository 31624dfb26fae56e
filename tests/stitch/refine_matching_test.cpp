// Corner points and block matching: the two steps that turn an overlap into point pairs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "picture.h"
#include "refine_block_match.h"
#include "refine_corners.h"

namespace {

using tessaly::stitch::PixelBox;
using tessaly::stitch::Point;
using tessaly::stitch::test::Picture;

void fill(Picture& p, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t v) {
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) std::fill(p.pixel(x, y), p.pixel(x, y) + 3, v);
  }
}

// White with 6 x 6 squares every 16 pixels from (8, 8): dark in the first `darkRows` rows, grey
// below.
Picture squares(int32_t columns, int32_t rows, int32_t darkRows) {
  Picture p(16 * columns + 8, 16 * rows + 8);
  fill(p, 0, 0, p.width, p.height, 230);
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t shade = r < darkRows ? 20 : 150;
    for (int32_t c = 0; c < columns; ++c)
      fill(p, 8 + 16 * c, 8 + 16 * r, 14 + 16 * c, 14 + 16 * r, shade);
  }
  return p;
}

PixelBox whole(const Picture& p) {
  return {0, 0, p.width - 1, p.height - 1};
}

TEST(RefineCornersTest, FindsTheCornersOfSquaresStrongestFirst) {
  Picture p = squares(2, 1, 1);
  const tagPixelArray view = p.view();
  const std::vector<Point> corners = tessaly::stitch::findCorners(view, whole(p));
  ASSERT_GE(corners.size(), 8u);
  // Every corner lies at one of the squares' corners (within the smoothing's reach).
  for (const Point& c : corners) {
    const int32_t x = (c.x - 8) % 16, y = c.y - 8;
    EXPECT_TRUE((std::abs(x) <= 2 || std::abs(x - 5) <= 2) &&
                (std::abs(y) <= 2 || std::abs(y - 5) <= 2))
        << c.x << ", " << c.y;
  }
  // Nothing outside the box, nor closer than 2 pixels to its edge.
  const std::vector<Point> inner = tessaly::stitch::findCorners(view, {10, 5, 30, 18});
  for (const Point& c : inner) {
    EXPECT_GE(c.x, 12);
    EXPECT_LE(c.x, 28);
    EXPECT_GE(c.y, 7);
    EXPECT_LE(c.y, 16);
  }
  EXPECT_TRUE(tessaly::stitch::findCorners(view, {0, 0, 3, 30}).empty());
  // A flat area has none.
  EXPECT_TRUE(tessaly::stitch::findCorners(view, {0, 16, 39, 23}).empty());
}

TEST(RefineCornersTest, KeepsWholeStrengthValuesBeyondEighty) {
  // 30 dark squares above 30 grey ones: 240 corners, of which the 120 dark ones share the
  // strongest values. Cutting at 80 takes whole values: all 120 dark corners and no grey one.
  Picture p = squares(6, 10, 5);
  const tagPixelArray view = p.view();
  const std::vector<Point> corners = tessaly::stitch::findCorners(view, whole(p));
  EXPECT_EQ(corners.size(), 120u);
  for (const Point& c : corners) EXPECT_LT(c.y, 16 * 5 + 8);
}

TEST(RefineCornersTest, SpreadPointsSkipsCrowdedOnesAndStopsAtTheLimit) {
  const std::vector<Point> corners = {{10, 10}, {14, 13}, {15, 10}, {10, 15},
                                      {30, 30}, {50, 50}, {70, 70}};
  EXPECT_EQ(tessaly::stitch::spreadPoints(corners, 4, 40).size(),
            6u);  // (14, 13) is within 4 of (10, 10)
  const std::vector<Point> spread = tessaly::stitch::spreadPoints(corners, 5, 3);
  ASSERT_EQ(spread.size(), 3u);
  EXPECT_EQ(spread[1].x, 30);
  EXPECT_EQ(spread[2].x, 50);
}

TEST(RefineBlockMatchTest, FindsATexturedBlockNearThePrediction) {
  Picture page = tessaly::stitch::test::makeTexturedPage(120, 100, 5);
  const Picture shifted = tessaly::stitch::test::cutPiece(page, 59.5 + 3, 49.5 - 2, 120,
                                                          100);  // B = A moved by (-3, 2)
  const tagPixelArray a = page.view();
  // Scanner-like noise: an exact copy would give a difference of 0, which the match does not
  // treat as special.
  Picture bPicture = shifted;
  std::srand(1);
  for (uint8_t& v : bPicture.bytes)
    v = static_cast<uint8_t>(std::clamp(v + std::rand() % 5 - 2, 0, 255));
  const tagPixelArray b = bPicture.view();
  // A point p of B lies at p + (3, -2) in A; predicted at p + (1, -1). Block centres in a window
  // from the prediction - 6 to + 7 reach from the prediction - 2 to + 4.
  int found = 0;
  for (const Point p : {Point{50, 40}, Point{30, 60}, Point{80, 25}}) {
    const Point prediction{p.x + 1, p.y - 1};
    const tessaly::stitch::BlockMatch m = tessaly::stitch::matchBlock(
        b, p, a, {prediction.x - 6, prediction.y - 6, prediction.x + 7, prediction.y + 7},
        prediction);
    if (m.strength <= 0) continue;  // a flat spot of the page
    ++found;
    EXPECT_TRUE(m.found);
    EXPECT_GE(m.strength, 8);
    EXPECT_EQ(m.centre.x, p.x + 3);
    EXPECT_EQ(m.centre.y, p.y - 2);
  }
  EXPECT_GE(found, 2);
}

TEST(RefineBlockMatchTest, AFlatBlockNeverMatches) {
  Picture a = tessaly::stitch::test::makeTexturedPage(60, 60, 6);
  Picture b(60, 60);
  fill(b, 0, 0, 60, 60, 200);
  // A faint pattern: variance below 64.
  for (int32_t y = 0; y < 60; ++y) {
    for (int32_t x = 0; x < 60; x += 2) std::fill(b.pixel(x, y), b.pixel(x, y) + 3, 212);
  }
  const tagPixelArray av = a.view(), bv = b.view();
  const tessaly::stitch::BlockMatch m =
      tessaly::stitch::matchBlock(bv, {30, 30}, av, {20, 20, 43, 43}, {30, 30});
  EXPECT_EQ(m.strength, -1);
  EXPECT_FALSE(m.found);
}

TEST(RefineBlockMatchTest, AWindowThatCannotHoldTheBlockReturnsZero) {
  Picture a = tessaly::stitch::test::makeTexturedPage(60, 60, 6);
  const tagPixelArray av = a.view();
  const tessaly::stitch::BlockMatch narrow =
      tessaly::stitch::matchBlock(av, {30, 30}, av, {27, 20, 33, 40}, {30, 30});
  EXPECT_EQ(narrow.strength, 0);
  EXPECT_FALSE(narrow.found);
  // Eight pixels is one position: the block itself.
  const tessaly::stitch::BlockMatch exact =
      tessaly::stitch::matchBlock(av, {30, 30}, av, {26, 26, 33, 33}, {0, 0});
  if (exact.strength > 0) {
    EXPECT_TRUE(exact.found);
    EXPECT_EQ(exact.centre.x, 30);
    EXPECT_EQ(exact.centre.y, 30);
  }
}

}  // namespace
