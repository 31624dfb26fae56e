// QXAutoAlign as a whole: which pairs it visits, the progress it reports, the levels it keeps,
// its warnings, and its failure and cancel paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "align_fixture.h"
#include "overlap_pairs.h"

namespace {

using tessaly::stitch::test::Picture;
using tessaly::stitch::test::Placement;

TEST(AlignPairOrderTest, HorizontalPairsRowByRowThenVerticalColumnByColumn) {
  const std::vector<tessaly::stitch::NeighbourPair> grid = tessaly::stitch::pairOrder(3, 2);
  const std::vector<std::pair<int, int>> expected = {{0, 1}, {1, 2}, {3, 4}, {4, 5},
                                                     {0, 3}, {1, 4}, {2, 5}};
  ASSERT_EQ(grid.size(), expected.size());
  for (size_t i = 0; i < grid.size(); ++i) {
    EXPECT_EQ(grid[i].cellA, expected[i].first);
    EXPECT_EQ(grid[i].cellB, expected[i].second);
    EXPECT_EQ(grid[i].horizontal, i < 4);
  }
  EXPECT_EQ(grid[6].columnA, 2);

  const std::vector<tessaly::stitch::NeighbourPair> row = tessaly::stitch::pairOrder(4, 1);
  EXPECT_EQ(row.size(), 3u);
  EXPECT_TRUE(std::all_of(row.begin(), row.end(), [](const auto& p) { return p.horizontal; }));
  const std::vector<tessaly::stitch::NeighbourPair> column = tessaly::stitch::pairOrder(1, 3);
  EXPECT_EQ(column.size(), 2u);
  EXPECT_TRUE(
      std::none_of(column.begin(), column.end(), [](const auto& p) { return p.horizontal; }));
  EXPECT_TRUE(tessaly::stitch::pairOrder(1, 1).empty());
}

class AlignDriverTest : public tessaly::stitch::test::AlignTest {
 protected:
  // Two 400 x 500 pieces side by side with 30 % overlap.
  long alignTwo(int32_t style = QX_STYLE_GRID, int32_t outputSize = 0) {
    return alignGrid(page_, 1, 2, {{220, 260, 400, 500, 0}, {500, 264, 400, 500, 1.5}}, style,
                     outputSize);
  }

  Picture page_ = tessaly::stitch::test::makeTexturedPage(740, 540, 41);
};

TEST_F(AlignDriverTest, OneRowHasNoVerticalPairs) {
  ASSERT_EQ(
      alignGrid(page_, 1, 3, {{170, 260, 300, 400}, {360, 262, 300, 400}, {550, 258, 300, 400}},
                QX_STYLE_ROW),
      QX_OK);
  for (const tessaly::stitch::PieceRecord& piece : session().pieces) {
    EXPECT_TRUE(piece.below.matches.empty());
    EXPECT_EQ(piece.below.transform.m[5], 0);
  }
  EXPECT_FALSE(session().pieces[0].right.matches.empty());
  EXPECT_TRUE(session().pieces[2].right.matches.empty());
  EXPECT_EQ(session().pieces[2].right.transform.m[2], 0);
  expectPairWithin(0, true, 1.0, 0.1);
  expectPairWithin(1, true, 1.0, 0.1);
}

TEST_F(AlignDriverTest, ReportsEveryStageInOrderAndEndsAt100) {
  ASSERT_EQ(alignTwo(), QX_OK);
  const std::vector<long> pos = alignPositions();
  EXPECT_TRUE(std::is_sorted(pos.begin(), pos.end()));
  EXPECT_EQ(pos.front(), 0);
  for (const long stage : {40L, 60L, 65L})
    EXPECT_NE(std::find(pos.begin(), pos.end(), stage), pos.end()) << stage;
  EXPECT_EQ(pos.back(), 100);
  EXPECT_EQ(std::count(pos.begin(), pos.end(), 100L), 1);
}

TEST_F(AlignDriverTest, KeepsOnlyTheCoarsestAndTheOutputLevel) {
  ASSERT_EQ(alignTwo(QX_STYLE_GRID, 1), QX_OK);
  const tessaly::stitch::Session& s = session();
  ASSERT_EQ(s.coarsest, 3);
  ASSERT_EQ(s.outputLevel, 1);
  for (const tessaly::stitch::PieceRecord& piece : s.pieces) {
    for (int level = 0; level <= s.coarsest; ++level) {
      EXPECT_EQ(piece.levels[level] != nullptr, level == 1 || level == 3) << "level " << level;
    }
  }
  // At half resolution the transform is in level-1 pixels.
  expectPairWithin(0, true, 1.0, 0.1);
  EXPECT_EQ(alignLoads(), 2);  // the reload only: level 0 is never needed
}

TEST_F(AlignDriverTest, LoadsFullResolutionPiecesOnePairAtATime) {
  ASSERT_EQ(
      alignGrid(
          page_, 2, 2,
          {{150, 150, 280, 280}, {350, 150, 280, 280}, {150, 360, 280, 280}, {350, 360, 280, 280}},
          QX_STYLE_GRID),
      QX_OK);
  EXPECT_EQ(alignLoads(), 4 + 4 * 2);  // reload, then both pieces of each of the four pairs
  EXPECT_EQ(loader_.mostLiveAtOnce(), 2);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_FALSE(loader_.sawBadRelease());
}

TEST_F(AlignDriverTest, WarnsAboutAnOverlapUnder15Percent) {
  // 400-pixel pieces 348 apart: 52 columns, 13 %.
  EXPECT_EQ(alignGrid(page_, 1, 2, {{200, 260, 400, 500}, {548, 262, 400, 500}}, QX_STYLE_GRID),
            QX_WARN_SMALL_OVERLAP);
  expectPairWithin(0, true, 1.0, 0.1);
}

TEST_F(AlignDriverTest, WarnsAboutAnOverlapBlankInBothPieces) {
  // Plain paper over the middle of the page, where the two pieces overlap.
  Picture page = page_;
  for (int32_t y = 0; y < page.height; ++y) {
    for (int32_t x = 240; x < 480; ++x) std::fill(page.pixel(x, y), page.pixel(x, y) + 3, 236);
  }
  EXPECT_EQ(alignGrid(page, 1, 2, {{220, 260, 400, 500}, {500, 260, 400, 500}}, QX_STYLE_GRID),
            QX_WARN_FEATURELESS_OVERLAP);
}

TEST_F(AlignDriverTest, AFullResolutionPieceThatCannotBeLoadedFailsWithMinus3) {
  cut(page_, {{220, 260, 400, 500, 0}, {500, 264, 400, 500, 1.5}});
  ASSERT_EQ(prepare(1, 2, QX_STYLE_GRID), QX_OK);
  // After the two loads of the reload, the second piece of the first pair fails.
  loader_.failFromLoad(loader_.loads() + 4, 55);
  EXPECT_EQ(align(), QX_ERR_INPUT);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_EQ(loader_.loads(), loader_.releases());
  EXPECT_EQ(loader_.positions().back(), 100);
}

TEST_F(AlignDriverTest, CancelInEveryStageHandsEverythingBack) {
  cut(page_, {{220, 260, 400, 500, 0}, {500, 264, 400, 500, 1.5}});
  ASSERT_EQ(prepare(1, 2, QX_STYLE_GRID), QX_OK);
  ASSERT_EQ(align(), QX_OK);
  const std::vector<long> run = alignPositions();
  // The report (counted from 1 within QXAutoAlign) that first passes `position`.
  const auto firstReportAbove = [&](long position) {
    return std::find_if(run.begin(), run.end(), [&](long p) { return p > position; }) -
           run.begin() + 1;
  };
  // The coarse pass, a coarser refinement level, and the full-resolution level with two caller
  // images in hand.
  for (const long report : {firstReportAbove(40), firstReportAbove(60), firstReportAbove(65)}) {
    ASSERT_EQ(prepare(1, 2, QX_STYLE_GRID), QX_OK);
    loader_.cancelAtReport(loader_.reports() + report);
    EXPECT_EQ(QXAutoAlign(session_), QX_CANCELLED) << "report " << report;
    EXPECT_EQ(loader_.positions().back(), 100);
    EXPECT_EQ(loader_.liveImages(), 0);
    EXPECT_EQ(loader_.loads(), loader_.releases());
    EXPECT_FALSE(loader_.sawBadRelease());
  }
}

}  // namespace
