// Regions: subtraction cases, the canonical banded form after every operation, and a
// pixel-by-pixel comparison with a plain bitmap over random subtractions.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "zanHeap.h"
#include "zanRgn.h"
#include "zanStr.h"

// RECT lives in the global namespace, so its comparison must too for std::vector to find it.
bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

// Owns a region for one test; every change goes through here so the invariant is checked after
// each one.
class Region {
 public:
  explicit Region(RECT r) : handle_(zanRgnCreateRect(&r)) { check(); }
  ~Region() { EXPECT_EQ(zanRgnDelete(handle_), 1); }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;

  zanHandle handle() const { return handle_; }
  void subtract(RECT r) {
    Region other(r);
    subtract(other);
  }
  void subtract(const Region& other) {
    ASSERT_EQ(zanRgnSubtract(handle_, other.handle()), 1);
    check();
  }
  std::vector<RECT> rects() const {
    std::vector<RECT> out(static_cast<std::size_t>(zanRgnGetRects(handle_)));
    for (std::size_t i = 0; i < out.size(); ++i)
      EXPECT_EQ(zanRgnGetRect(handle_, static_cast<int32_t>(i), &out[i]), 1);
    return out;
  }
  bool covers(int32_t x, int32_t y) const {
    for (const RECT& r : rects())
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
  }

 private:
  void check() const {
    ASSERT_NE(handle_, 0u);
    ASSERT_EQ(zanRgnIsValid(handle_), 1);
    EXPECT_EQ(zanRgnIsEmpty(handle_), zanRgnGetRects(handle_) == 0 ? 1 : 0);
  }
  zanHandle handle_;
};

using Rects = std::vector<RECT>;

TEST(Region, EmptyRectangleMakesAnEmptyRegion) {
  Region r(RECT{5, 5, 5, 10});
  EXPECT_EQ(zanRgnIsEmpty(r.handle()), 1);
  EXPECT_EQ(zanRgnGetRects(r.handle()), 0);
  RECT out{1, 2, 3, 4};
  EXPECT_EQ(zanRgnGetRect(r.handle(), 0, &out), 0);
  EXPECT_TRUE((out == RECT{1, 2, 3, 4}));
  EXPECT_EQ(zanRgnCreateRect(nullptr), 0u);
}

TEST(Region, SubtractingAHoleLeavesFourBands) {
  Region r(RECT{0, 0, 10, 10});
  r.subtract(RECT{3, 4, 6, 7});
  EXPECT_EQ(r.rects(), (Rects{{0, 0, 10, 4}, {0, 4, 3, 7}, {6, 4, 10, 7}, {0, 7, 10, 10}}));
  // Filling half of the hole's band on the left merges nothing: bands keep their spans.
  r.subtract(RECT{0, 4, 3, 7});
  EXPECT_EQ(r.rects(), (Rects{{0, 0, 10, 4}, {6, 4, 10, 7}, {0, 7, 10, 10}}));
}

TEST(Region, SubtractingACornerOrAnEdgeStrip) {
  Region corner(RECT{0, 0, 10, 10});
  corner.subtract(RECT{5, -5, 20, 5});
  EXPECT_EQ(corner.rects(), (Rects{{0, 0, 5, 5}, {0, 5, 10, 10}}));
  Region strip(RECT{0, 0, 10, 10});
  strip.subtract(RECT{-1, 8, 11, 12});
  EXPECT_EQ(strip.rects(), (Rects{{0, 0, 10, 8}}));
}

TEST(Region, DisjointTouchingAndCoveringSubtractions) {
  Region r(RECT{0, 0, 10, 10});
  r.subtract(RECT{10, 0, 20, 10});  // touches the right edge only
  r.subtract(RECT{0, 10, 10, 20});  // touches the bottom edge only
  r.subtract(RECT{5, 5, 5, 9});     // empty
  r.subtract(RECT{30, 30, 40, 40});
  EXPECT_EQ(r.rects(), (Rects{{0, 0, 10, 10}}));
  ASSERT_EQ(zanRgnSubtract(r.handle(), 0), 1);  // the empty region
  EXPECT_EQ(r.rects(), (Rects{{0, 0, 10, 10}}));
  r.subtract(RECT{-1, -1, 11, 11});
  EXPECT_EQ(zanRgnIsEmpty(r.handle()), 1);
  r.subtract(RECT{0, 0, 1, 1});  // from an empty region
  EXPECT_EQ(zanRgnIsEmpty(r.handle()), 1);
}

TEST(Region, SubtractingARegionFromItselfEmptiesIt) {
  Region r(RECT{0, 0, 10, 10});
  r.subtract(RECT{2, 2, 4, 4});
  ASSERT_EQ(zanRgnSubtract(r.handle(), r.handle()), 1);
  EXPECT_EQ(zanRgnIsEmpty(r.handle()), 1);
  EXPECT_EQ(zanRgnIsValid(r.handle()), 1);
}

TEST(Region, SplitBandsMergeAgainWhenTheyBecomeAlike) {
  // Cutting a notch out of the top of the left half and then the same height out of the right
  // half leaves two bands with identical spans, which must be one band again.
  Region r(RECT{0, 0, 10, 10});
  r.subtract(RECT{0, 0, 5, 3});
  r.subtract(RECT{5, 0, 10, 3});
  EXPECT_EQ(r.rects(), (Rects{{0, 3, 10, 10}}));
  Region columns(RECT{0, 0, 9, 6});
  columns.subtract(RECT{3, 0, 6, 3});
  columns.subtract(RECT{3, 3, 6, 6});
  EXPECT_EQ(columns.rects(), (Rects{{0, 0, 3, 6}, {6, 0, 9, 6}}));
}

TEST(Region, HandlesThatAreNotRegionsAreRefused) {
  const zanHandle text = zanStrFromCStr("not a region");
  Region r(RECT{0, 0, 4, 4});
  EXPECT_EQ(zanRgnSubtract(text, r.handle()), 0);
  EXPECT_EQ(zanRgnSubtract(r.handle(), text), 0);
  EXPECT_EQ(zanRgnSubtract(0, r.handle()), 0);
  EXPECT_EQ(zanRgnGetRects(text), 0);
  EXPECT_EQ(zanRgnIsValid(text), 0);
  EXPECT_EQ(zanRgnDelete(text), 0);
  EXPECT_EQ(zanRgnDelete(0), 0);
  EXPECT_EQ(r.rects(), (Rects{{0, 0, 4, 4}}));
  zanHeapFree(0, text);
}

TEST(Region, RandomSubtractionsMatchABitmap) {
  constexpr int kSize = 24;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int32_t> coordinate(-2, kSize + 2);
  for (int round = 0; round < 40; ++round) {
    Region r(RECT{0, 0, kSize, kSize});
    std::vector<std::vector<bool>> expected(kSize, std::vector<bool>(kSize, true));
    for (int step = 0; step < 12; ++step) {
      const RECT cut{coordinate(random), coordinate(random), coordinate(random),
                     coordinate(random)};
      r.subtract(cut);
      for (int y = std::max(0, cut.top); y < std::min(kSize, cut.bottom); ++y)
        for (int x = std::max(0, cut.left); x < std::min(kSize, cut.right); ++x)
          expected[y][x] = false;
    }
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        ASSERT_EQ(r.covers(x, y), expected[y][x]) << "round " << round << " at " << x << "," << y;
  }
}

TEST(Region, TheSameCoverageGivesTheSameList) {
  // Two different ways to the same pixels must end in identical rectangle lists.
  Region a(RECT{0, 0, 12, 12});
  a.subtract(RECT{4, 0, 8, 6});
  a.subtract(RECT{4, 6, 8, 12});
  Region b(RECT{0, 0, 12, 12});
  b.subtract(RECT{4, 2, 8, 12});
  b.subtract(RECT{3, 0, 9, 3});
  b.subtract(RECT{0, 0, 1, 1});
  Region c(RECT{0, 0, 12, 12});
  c.subtract(RECT{4, 0, 8, 12});
  c.subtract(RECT{0, 0, 1, 1});
  c.subtract(RECT{3, 0, 4, 3});
  c.subtract(RECT{8, 0, 9, 3});
  EXPECT_EQ(b.rects(), c.rects());
  EXPECT_EQ(a.rects(), (Rects{{0, 0, 4, 12}, {8, 0, 12, 12}}));
}

}  // namespace
