// Filling, deriving and trimming the neighbour candidate lists.
#include "ordering_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A score that names the relation it scores: a, its turn, b, its turn as decimal digits.
double code(int32_t a, int32_t ta, int32_t b, int32_t tb) {
  return 1000 * a + 100 * ta + 10 * b + tb;
}

void record(long position, bool*, void* positions) {
  static_cast<std::vector<long>*>(positions)->push_back(position);
}

TEST(OrderingLists, EachRelationIsMatchedOnceAndReusedHalfTurnedForTheReversePair) {
  int calls = 0;
  const tessaly::stitch::PairScorer scorer = [&](int32_t a, int32_t ta, int32_t b, int32_t tb,
                                                 const tessaly::stitch::ProgressRange& range) {
    ++calls;
    EXPECT_LT(a, b);
    EXPECT_EQ(ta % 2, tb % 2);
    range.at(0.5);
    return code(a, ta, b, tb);
  };
  std::vector<long> positions;
  const tessaly::stitch::Progress progress(record, &positions);
  const tessaly::stitch::NeighbourLists lists =
      tessaly::stitch::scoreAllPairs(3, scorer, {&progress, 5, 95});

  EXPECT_EQ(calls, 3 * 4 * 2);  // unordered pairs x turns of the first x turns of the second
  ASSERT_EQ(lists.right.size(), 12u);
  for (int32_t a = 0; a < 3; ++a) {
    for (int32_t ta = 0; ta < 4; ++ta) {
      const auto& entries = lists.rightOf(a, ta).entries;
      ASSERT_EQ(entries.size(), 4u);
      size_t i = 0;
      for (int32_t b = 0; b < 3; ++b) {
        if (b == a) continue;
        for (int32_t tb : {ta % 2, ta % 2 + 2}) {
          EXPECT_EQ(entries[i].piece, b);
          EXPECT_EQ(entries[i].turn, tb);
          // b right of a is a right of b once everything is turned half round.
          const double expected =
              a < b ? code(a, ta, b, tb) : code(b, (tb + 2) % 4, a, (ta + 2) % 4);
          EXPECT_EQ(entries[i].score, expected) << a << ta << b << tb;
          ++i;
        }
      }
    }
  }
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(positions.front(), 5);
  EXPECT_GE(positions.back(), 93);
  EXPECT_LT(positions.back(), 95);
}

TEST(OrderingLists, BelowIsRightAfterOneMoreQuarterTurnOfBoth) {
  const tessaly::stitch::PairScorer scorer = [](int32_t a, int32_t ta, int32_t b, int32_t tb,
                                                const tessaly::stitch::ProgressRange&) {
    return code(a, ta, b, tb);
  };
  tessaly::stitch::NeighbourLists lists = tessaly::stitch::scoreAllPairs(3, scorer, {});
  tessaly::stitch::deriveBelowLists(lists);
  for (int32_t a = 0; a < 3; ++a) {
    for (int32_t t = 0; t < 4; ++t) {
      for (const tessaly::stitch::NeighbourCandidate& c : lists.belowOf(a, t).entries) {
        EXPECT_EQ(c.turn % 2, t % 2);
        const auto& right = lists.rightOf(a, (t + 1) % 4).entries;
        const auto same = std::find_if(right.begin(), right.end(),
                                       [&](const tessaly::stitch::NeighbourCandidate& r) {
                                         return r.piece == c.piece && r.turn == (c.turn + 1) % 4;
                                       });
        ASSERT_NE(same, right.end());
        EXPECT_EQ(c.score, same->score);
      }
    }
  }
}

std::vector<int32_t> piecesOf(const tessaly::stitch::CandidateList& list) {
  std::vector<int32_t> pieces;
  for (const auto& c : list.entries) pieces.push_back(c.piece);
  return pieces;
}

TEST(OrderingLists, TrimmingKeepsTheFourBestInOrderAndCountsTheUsableOnes) {
  const std::vector<tessaly::stitch::NeighbourCandidate> entries = {
      {0, 5, 0}, {1, 3, 0}, {2, 9, 0}, {3, 3, 2}, {4, 1, 0}, {5, 7, 2}};
  tessaly::stitch::CandidateList list{entries, 0};
  tessaly::stitch::trimList(list, 4, false);
  EXPECT_EQ(piecesOf(list), (std::vector<int32_t>{4, 1, 3, 0}));  // equal scores keep their order
  EXPECT_EQ(list.usable, 3);

  list = {entries, 0};
  tessaly::stitch::trimList(list, 0.5, false);
  EXPECT_EQ(list.usable, 0);
  list = {entries, 0};
  tessaly::stitch::trimList(list, 0.5, true);  // nothing convincing: the row keeps all four
  EXPECT_EQ(list.usable, 4);

  list = {{{7, 2, 0}, {8, 1, 0}}, 0};
  tessaly::stitch::trimList(list, 4, false);
  EXPECT_EQ(piecesOf(list), (std::vector<int32_t>{8, 7}));
  EXPECT_EQ(list.usable, 2);
}

}  // namespace
