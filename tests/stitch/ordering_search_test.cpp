// The result list of arrangements and the searches that fill it, on hand-made neighbour lists.
#include "ordering_search.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "ordering_results.h"

namespace {

using tessaly::stitch::CellPlacement;
using tessaly::stitch::RankedArrangement;

std::vector<int32_t> piecesOf(const RankedArrangement& a) {
  std::vector<int32_t> pieces;
  for (const CellPlacement& c : a.cells) pieces.push_back(c.piece);
  return pieces;
}
std::vector<int32_t> turnsOf(const RankedArrangement& a) {
  std::vector<int32_t> turns;
  for (const CellPlacement& c : a.cells) turns.push_back(c.turn);
  return turns;
}
std::vector<double> scoresOf(const tessaly::stitch::ResultList& results) {
  std::vector<double> scores;
  for (const RankedArrangement& a : results.arrangements()) scores.push_back(a.score);
  return scores;
}

TEST(OrderingResults, KeepsFiveDistinctScoresAndGivesUpTheWorstForABetterOne) {
  tessaly::stitch::ResultList results;
  const std::vector<CellPlacement> cells = {{0, 0}};
  for (double score : {40.0, 10.0, 10.0 + 5e-9, 10.0 + 1e-7, 30.0, 20.0, 50.0, 35.0, 35.0}) {
    results.offer(score, 1, 1, {{static_cast<int32_t>(score), 0}});
  }
  EXPECT_EQ(scoresOf(results), (std::vector<double>{35.0, 10.0, 10.0 + 1e-7, 30.0, 20.0}));
  results.sortByScore();
  EXPECT_EQ(scoresOf(results), (std::vector<double>{10.0, 10.0 + 1e-7, 20.0, 30.0, 35.0}));
  EXPECT_EQ(results.arrangements()[4].cells[0].piece, 35);  // cells travel with their score

  // Scores that overflowed to infinity are all the same score.
  tessaly::stitch::ResultList overflowed;
  const double inf = std::numeric_limits<double>::infinity();
  overflowed.offer(inf, 1, 1, cells);
  overflowed.offer(inf, 1, 1, cells);
  EXPECT_EQ(overflowed.arrangements().size(), 1u);
}

TEST(OrderingResults, ASearchMayStopOnlyWhereNothingCouldBeKept) {
  tessaly::stitch::ResultList results;
  const double inf = std::numeric_limits<double>::infinity();
  for (double score : {1.0, 2.0, 3.0, 4.0}) results.offer(score, 1, 1, {});
  EXPECT_FALSE(results.rejectsFrom(100.0));  // room left
  EXPECT_FALSE(results.rejectsFrom(inf));
  results.offer(inf, 1, 1, {});
  EXPECT_TRUE(results.rejectsFrom(inf));  // the same score is already kept
  results.offer(5.0, 1, 1, {});           // full, worst 5
  EXPECT_TRUE(results.rejectsFrom(5.001));
  EXPECT_FALSE(results.rejectsFrom(5.0));
  EXPECT_FALSE(results.rejectsFrom(4.5));
}

TEST(OrderingResults, TheWholeGridTurnsSoThatMostPiecesStayUnturned) {
  // All six turned once: three more turns make every piece unturned and the 2 x 3 grid 3 x 2.
  RankedArrangement a{0, 3, 2, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}};
  tessaly::stitch::normaliseGlobalTurn(a);
  EXPECT_EQ(a.columns, 2);
  EXPECT_EQ(a.rows, 3);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{3, 0, 4, 1, 5, 2}));
  EXPECT_EQ(turnsOf(a), (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));

  // Three of four upside down: the half turn reverses the cells.
  a = {0, 2, 2, {{0, 2}, {1, 2}, {2, 2}, {3, 0}}};
  tessaly::stitch::normaliseGlobalTurn(a);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{3, 2, 1, 0}));
  EXPECT_EQ(turnsOf(a), (std::vector<int32_t>{2, 0, 0, 0}));

  // A tie between one and three turns takes one; nothing turned stays as it is.
  a = {0, 2, 2, {{0, 1}, {1, 1}, {2, 3}, {3, 3}}};
  tessaly::stitch::normaliseGlobalTurn(a);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{1, 3, 0, 2}));
  EXPECT_EQ(turnsOf(a), (std::vector<int32_t>{2, 0, 2, 0}));
  a = {0, 2, 2, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}};
  tessaly::stitch::normaliseGlobalTurn(a);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(OrderingResults, ARowOnlyTurnsHalfRoundAndStaysARow) {
  // A row found right to left: every piece upside down. The half turn reverses it.
  RankedArrangement a{0, 3, 1, {{2, 2}, {1, 2}, {0, 2}}};
  tessaly::stitch::normaliseGlobalTurn(a, tessaly::stitch::WholeTurns::HalfOnly);
  EXPECT_EQ(a.columns, 3);
  EXPECT_EQ(a.rows, 1);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(turnsOf(a), (std::vector<int32_t>{0, 0, 0}));
  // Every piece a quarter turned: a quarter turn of the whole would make a column, so it stays.
  a = {0, 3, 1, {{0, 1}, {1, 1}, {2, 1}}};
  tessaly::stitch::normaliseGlobalTurn(a, tessaly::stitch::WholeTurns::HalfOnly);
  EXPECT_EQ(a.rows, 1);
  EXPECT_EQ(piecesOf(a), (std::vector<int32_t>{0, 1, 2}));
}

TEST(OrderingResults, ConfidenceComparesTheScorePerLinkWithTheThreshold) {
  // One row of three: (1 + 1) * 3 - 1 = 5 links.
  EXPECT_FALSE(tessaly::stitch::isBelowConfidence({8250, 3, 1, {}}, 1650));
  EXPECT_TRUE(tessaly::stitch::isBelowConfidence({8251, 3, 1, {}}, 1650));
  // Two rows of two: (2 + 1) * 2 - 1 = 5.
  EXPECT_FALSE(tessaly::stitch::isBelowConfidence({15000, 2, 2, {}}, 3000));
  EXPECT_TRUE(tessaly::stitch::isBelowConfidence({15001, 2, 2, {}}, 3000));
}

// Hand-made lists for four pieces in turn 0.
struct Lists {
  tessaly::stitch::NeighbourLists lists;
  Lists() {
    lists.count = 4;
    lists.right.resize(16);
    lists.below.resize(16);
  }
  void right(int32_t piece, std::vector<tessaly::stitch::NeighbourCandidate> entries,
             int32_t usable) {
    lists.right[piece * 4] = {std::move(entries), usable};
  }
  void below(int32_t piece, std::vector<tessaly::stitch::NeighbourCandidate> entries,
             int32_t usable) {
    lists.below[piece * 4] = {std::move(entries), usable};
  }
};

TEST(OrderingSearch, ARowFollowsTheUsableCandidates) {
  Lists l;
  l.right(2, {{0, 10, 0}, {3, 15, 0}}, 2);
  l.right(0, {{3, 20, 0}, {1, 5, 0}}, 1);  // 1 is kept but not usable
  l.right(3, {{1, 30, 0}}, 1);
  tessaly::stitch::ResultList results;
  tessaly::stitch::searchRow(l.lists, results, {});
  results.sortByScore();
  ASSERT_EQ(results.arrangements().size(), 1u);  // 2, 3 dead-ends: 1 has no candidates
  EXPECT_EQ(piecesOf(results.arrangements()[0]), (std::vector<int32_t>{2, 0, 3, 1}));
  EXPECT_EQ(results.arrangements()[0].score, 60);
  EXPECT_EQ(results.arrangements()[0].rows, 1);
}

TEST(OrderingSearch, AGridLooksUpTheLinkAboveInEveryKeptSlot) {
  Lists l;
  l.right(0, {{1, 10, 0}}, 1);
  l.right(2, {{3, 30, 0}}, 1);
  l.below(0, {{2, 20, 0}}, 1);
  tessaly::stitch::ResultList results;
  tessaly::stitch::searchGrid(l.lists, {2, 2}, {}, results, {});
  ASSERT_EQ(results.arrangements().size(), 1u);
  EXPECT_EQ(piecesOf(results.arrangements()[0]), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(results.arrangements()[0].score, 10 + 30 + 20 + 3000);  // 3 below 1 unknown

  l.below(1, {{3, 40, 0}}, 0);  // known, though not usable
  tessaly::stitch::ResultList known;
  tessaly::stitch::searchGrid(l.lists, {2, 2}, {}, known, {});
  ASSERT_EQ(known.arrangements().size(), 1u);
  EXPECT_EQ(known.arrangements()[0].score, 100);
}

TEST(OrderingSearch, TwoLinesKeepEachHalfOfTheLoadOrderInItsOwnLine) {
  Lists l;
  // The cheapest grid mixes the halves (0 2 / 1 3); the two-line search may not build it.
  l.right(0, {{2, 1, 0}, {1, 10, 0}}, 2);
  l.right(1, {{3, 1, 0}}, 1);
  l.right(2, {{3, 30, 0}}, 1);
  l.below(0, {{1, 1, 0}, {2, 20, 0}}, 2);
  l.below(1, {{3, 40, 0}}, 1);
  l.below(2, {{3, 1, 0}}, 1);
  tessaly::stitch::ResultList free;
  tessaly::stitch::searchGrid(l.lists, {2, 2}, {}, free, {});
  free.sortByScore();
  EXPECT_EQ(piecesOf(free.arrangements()[0]), (std::vector<int32_t>{0, 2, 1, 3}));

  tessaly::stitch::ResultList lines;
  tessaly::stitch::searchTwoLines(l.lists, lines, {});
  ASSERT_EQ(lines.arrangements().size(), 1u);
  EXPECT_EQ(piecesOf(lines.arrangements()[0]), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(lines.arrangements()[0].score, 100);
}

}  // namespace
