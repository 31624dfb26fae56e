// Rectangle masks on shapes whose coverage is known by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_fixture.h"

using namespace tessaly::engine::test;

namespace {

using RectMasks = EngineTest;

constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// Coverage of pixel x on line y, 0 outside every span, 255 between two spans.
int coverageAt(zanHandle mask, int x, int y) {
  const ZanMaskLine* line = nullptr;
  zanQueryMaskLineInfo(mask, y, &line);
  if (line == nullptr) return 0;
  for (int i = 0; i < line->count; ++i) {
    const ZanMaskSpan& s = line->spans[i];
    if (x >= s.start && x < s.start + s.length) return s.coverage[x - s.start];
  }
  if (line->count == 2 && x >= line->spans[0].start + line->spans[0].length &&
      x < line->spans[1].start)
    return 255;
  return 0;
}

TEST_F(RectMasks, IdentityGivesFullLinesAndRasterisesOnce) {
  const RECT source{0, 0, 10, 10};
  const zanHandle mask = zanCreateRectMask(&source, 3, nullptr);
  ASSERT_NE(mask, 0u);
  EXPECT_EQ(zanRasterRectMask(mask, kIdentity), 0);
  RECT bound{};
  zanGetMaskBoundRect(mask, &bound);
  EXPECT_EQ(std::vector<int>({bound.left, bound.top, bound.right, bound.bottom}),
            std::vector<int>({0, 0, 10, 10}));
  for (int y = 0; y < 10; ++y) {
    const ZanMaskLine* line = nullptr;
    zanQueryMaskLineInfo(mask, y, &line);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->count, 1);
    EXPECT_EQ(line->spans[0].start, 0);
    ASSERT_EQ(line->spans[0].length, 10);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(line->spans[0].coverage[x], 255);
  }
  const ZanMaskLine* first = nullptr;
  zanQueryMaskLineInfo(mask, 0, &first);
  EXPECT_EQ(zanRasterRectMask(mask, kIdentity), 0);
  const ZanMaskLine* again = nullptr;
  zanQueryMaskLineInfo(mask, 0, &again);
  EXPECT_EQ(again, first) << "the same matrix leaves the lines untouched";
  EXPECT_EQ(again->spans[0].coverage, first->spans[0].coverage);
  const ZanMaskLine* outside = first;
  zanQueryMaskLineInfo(mask, 10, &outside);
  EXPECT_EQ(outside, nullptr) << "the bottom is outside";
  EXPECT_EQ(zanDestroyRectMask(mask), 0);
}

TEST_F(RectMasks, FractionalEdgesCoverTheirArea) {
  const RECT source{0, 0, 4, 2};
  const zanHandle mask = zanCreateRectMask(&source, 0, nullptr);
  const double shift[9] = {1, 0, 0, 0, 1, 0, 0.25, 0.5, 1};  // by a quarter and a half pixel
  EXPECT_EQ(zanRasterRectMask(mask, shift), 0);
  RECT bound{};
  zanGetMaskBoundRect(mask, &bound);
  EXPECT_EQ(std::vector<int>({bound.left, bound.top, bound.right, bound.bottom}),
            std::vector<int>({0, 0, 5, 3}));
  EXPECT_EQ(coverageAt(mask, 0, 0), std::lround(0.75 * 0.5 * 255));
  EXPECT_EQ(coverageAt(mask, 2, 1), 255);
  EXPECT_EQ(coverageAt(mask, 4, 1), std::lround(0.25 * 255));
  EXPECT_EQ(coverageAt(mask, 4, 2), std::lround(0.25 * 0.5 * 255));
  zanDestroyRectMask(mask);
}

// A square of side 4 turned by 45 degrees about its centre: a diamond whose pixels on the
// diagonals are half covered and whose inside is full.
TEST_F(RectMasks, RotatedSquareHasTwoSpansAndAFullMiddle) {
  const RECT source{-2, -2, 2, 2};
  const zanHandle mask = zanCreateRectMask(&source, 0, nullptr);
  const double c = std::sqrt(0.5);
  const double turn[9] = {c, c, 0, -c, c, 0, 10, 10, 1};
  EXPECT_EQ(zanRasterRectMask(mask, turn), 0);
  RECT bound{};
  zanGetMaskBoundRect(mask, &bound);
  EXPECT_EQ(bound.top, 7);
  EXPECT_EQ(bound.bottom, 13);
  double total = 0;
  for (int y = bound.top; y < bound.bottom; ++y)
    for (int x = bound.left; x < bound.right; ++x) total += coverageAt(mask, x, y);
  EXPECT_NEAR(total / 255, 16.0, 0.1) << "the areas add up to the square's";
  EXPECT_EQ(coverageAt(mask, 10, 10), 255);
  EXPECT_EQ(coverageAt(mask, 9, 9), 255);
  zanDestroyRectMask(mask);
}

TEST_F(RectMasks, ZeroAndEmptyMasksAreNeutral) {
  const ZanMaskLine* line = reinterpret_cast<const ZanMaskLine*>(1);
  EXPECT_EQ(zanQueryMaskLineInfo(0, 0, &line), 0);
  EXPECT_EQ(line, nullptr);
  EXPECT_EQ(zanRasterRectMask(0, kIdentity), 0);
  EXPECT_EQ(zanDestroyRectMask(0), 0);
  const zanHandle empty = zanCreateRectMask(nullptr, 0, nullptr);
  EXPECT_EQ(zanRasterRectMask(empty, kIdentity), 0);
  RECT bound{1, 1, 1, 1};
  zanGetMaskBoundRect(empty, &bound);
  EXPECT_EQ(bound.right - bound.left, 0);
  zanDestroyRectMask(empty);
}

}  // namespace
