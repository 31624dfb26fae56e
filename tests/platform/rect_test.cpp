// Rectangle helpers: exclusive right and bottom edges, empty inputs, aliasing, overflow.
#include <gtest/gtest.h>

#include <climits>

#include "zanRect.h"

namespace {

RECT rect(int32_t l, int32_t t, int32_t r, int32_t b) {
  return RECT{l, t, r, b};
}

::testing::AssertionResult same(const RECT& a, const RECT& b) {
  if (zanRectIsEqual(&a, &b)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << a.left << "," << a.top << "," << a.right << "," << a.bottom << ") vs (" << b.left
         << "," << b.top << "," << b.right << "," << b.bottom << ")";
}

TEST(Rect, EmptinessAndPointsFollowExclusiveEdges) {
  const RECT r = rect(0, 0, 2, 1);
  EXPECT_TRUE(zanRectIsPtIn(&r, POINT{0, 0}));
  EXPECT_TRUE(zanRectIsPtIn(&r, POINT{1, 0}));
  EXPECT_FALSE(zanRectIsPtIn(&r, POINT{2, 0}));
  EXPECT_FALSE(zanRectIsPtIn(&r, POINT{0, 1}));
  EXPECT_FALSE(zanRectIsPtIn(&r, POINT{-1, 0}));
  EXPECT_FALSE(zanRectIsEmpty(&r));
  for (const RECT& e : {rect(3, 3, 3, 9), rect(3, 3, 9, 3), rect(5, 0, 4, 9), rect(0, 5, 9, 4)}) {
    EXPECT_TRUE(zanRectIsEmpty(&e));
    EXPECT_FALSE(zanRectIsPtIn(&e, POINT{e.left, e.top}));
  }
  EXPECT_TRUE(zanRectIsEmpty(nullptr));
  RECT cleared = r;
  zanRectEmpty(&cleared);
  EXPECT_TRUE(same(cleared, rect(0, 0, 0, 0)));
}

TEST(Rect, IntersectionOfTouchingOrEmptyRectanglesIsEmpty) {
  RECT out = rect(9, 9, 9, 9);
  const RECT a = rect(0, 0, 10, 10), overlapping = rect(5, 5, 20, 20);
  const RECT touching = rect(10, 0, 20, 10), inverted = rect(6, 6, 4, 4);
  EXPECT_EQ(zanRectIntersect(&out, &a, &overlapping), 1);
  EXPECT_TRUE(same(out, rect(5, 5, 10, 10)));
  // Sharing only an edge means sharing no pixel.
  EXPECT_EQ(zanRectIntersect(&out, &a, &touching), 0);
  EXPECT_TRUE(same(out, rect(0, 0, 0, 0)));
  // An empty (here inverted) rectangle inside a does not intersect it.
  EXPECT_EQ(zanRectIntersect(&out, &a, &inverted), 0);
  EXPECT_TRUE(zanRectIsEmpty(&out));
  EXPECT_EQ(zanRectIntersect(nullptr, &a, &a), 0);
}

TEST(Rect, ResultMayBeEitherInput) {
  RECT a = rect(0, 0, 10, 10), b = rect(5, -5, 15, 5);
  EXPECT_EQ(zanRectIntersect(&a, &a, &b), 1);
  EXPECT_TRUE(same(a, rect(5, 0, 10, 5)));
  a = rect(0, 0, 10, 10);
  EXPECT_EQ(zanRectIntersect(&b, &a, &b), 1);
  EXPECT_TRUE(same(b, rect(5, 0, 10, 5)));
  b = rect(5, -5, 15, 5);
  EXPECT_EQ(zanRectUnion(&b, &a, &b), 1);
  EXPECT_TRUE(same(b, rect(0, -5, 15, 10)));
}

TEST(Rect, UnionIgnoresEmptyInputs) {
  RECT out;
  const RECT a = rect(2, 2, 4, 4), far = rect(100, 100, 100, 200), e = rect(0, 0, 0, 0);
  EXPECT_EQ(zanRectUnion(&out, &a, &far), 1);
  EXPECT_TRUE(same(out, a));
  EXPECT_EQ(zanRectUnion(&out, &far, &a), 1);
  EXPECT_TRUE(same(out, a));
  EXPECT_EQ(zanRectUnion(&out, &far, &e), 0);
  EXPECT_TRUE(same(out, e));
}

TEST(Rect, OffsetAndInflateClampInsteadOfOverflowing) {
  RECT r = rect(1, 2, 3, 4);
  zanRectOffset(&r, 10, -10);
  EXPECT_TRUE(same(r, rect(11, -8, 13, -6)));
  zanRectInflate(&r, 2, 1);
  EXPECT_TRUE(same(r, rect(9, -9, 15, -5)));
  zanRectInflate(&r, -4, 0);  // shrinks past empty: left as computed
  EXPECT_TRUE(same(r, rect(13, -9, 11, -5)));
  EXPECT_TRUE(zanRectIsEmpty(&r));
  RECT big = rect(INT32_MAX - 1, INT32_MIN + 1, INT32_MAX, INT32_MIN + 2);
  zanRectOffset(&big, 10, -10);
  EXPECT_TRUE(same(big, rect(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN)));
  RECT wide = rect(INT32_MIN + 5, 0, INT32_MAX - 5, 1);
  zanRectInflate(&wide, 100, 0);
  EXPECT_TRUE(same(wide, rect(INT32_MIN, 0, INT32_MAX, 1)));
}

TEST(Rect, EqualityComparesCoordinatesNotEmptiness) {
  const RECT a = rect(1, 1, 1, 1), b = rect(2, 2, 2, 2);
  EXPECT_FALSE(zanRectIsEqual(&a, &b));
  EXPECT_TRUE(zanRectIsEqual(&a, &a));
  EXPECT_FALSE(zanRectIsEqual(&a, nullptr));
}

}  // namespace
