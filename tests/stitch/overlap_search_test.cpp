// The coarse overlap search: its windows, the placement it finds on textured pieces with and
// without a small rotation, the rule that the window's border never wins, and the warnings.
#include "overlap_search.h"

#include <gtest/gtest.h>

#include <cmath>

#include "QuiltexEngine.h"
#include "overlap_features.h"
#include "overlap_warnings.h"
#include "picture.h"

namespace {

using tessaly::stitch::FeatureImage;
using tessaly::stitch::NeighbourOverlap;
using tessaly::stitch::SearchWindow;
using tessaly::stitch::searchWindow;

FeatureImage featuresOf(tessaly::stitch::test::Picture p) {
  const tagPixelArray view = p.view();
  return tessaly::stitch::buildFeatures(view);
}

void expectWindow(const SearchWindow& w, int32_t left, int32_t right, int32_t top, int32_t bottom) {
  EXPECT_EQ(w.left, left);
  EXPECT_EQ(w.right, right);
  EXPECT_EQ(w.top, top);
  EXPECT_EQ(w.bottom, bottom);
}

TEST(OverlapSearchTest, WindowsFollowStyleAndDirection) {
  // Grid: overlaps down to an eighth, a third of the height sideways.
  expectWindow(searchWindow(80, 100, 80, 100, NeighbourOverlap::Wide, true), 1, 70, -33, 33);
  // Row: overlaps from a third to six sevenths, a sixth sideways.
  expectWindow(searchWindow(80, 100, 80, 100, NeighbourOverlap::Partial, true), 12, 54, -16, 16);
  // Vertical pairs centre B across A by arithmetic shift: (90 - 81) >> 1 = 4.
  expectWindow(searchWindow(90, 60, 81, 64, NeighbourOverlap::Wide, false), 4 - 27, 4 + 27, 1,
               60 - 7);
  expectWindow(searchWindow(81, 60, 90, 64, NeighbourOverlap::Partial, false), -5 - 13, -5 + 13,
               60 - 51, 60 - 20);
  // Small pieces keep a floor of sideways freedom: 10 for grids, 6 for rows.
  expectWindow(searchWindow(60, 27, 60, 30, NeighbourOverlap::Wide, true), 1, 53, -2 - 10, -2 + 10);
  expectWindow(searchWindow(60, 30, 60, 30, NeighbourOverlap::Partial, true), 9, 40, -6, 6);
}

struct CutPair {
  FeatureImage a, b;
};

// A and B of 64 x 84 (the size of a coarsest level) from one page; B's centre lies (dx, dy)
// from A's and B is turned by degrees.
CutPair cutPair(double dx, double dy, double degrees) {
  const tessaly::stitch::test::Picture page = tessaly::stitch::test::makeTexturedPage(200, 160, 7);
  return {featuresOf(tessaly::stitch::test::cutPiece(page, 50, 80, 64, 84)),
          featuresOf(tessaly::stitch::test::cutPiece(page, 50 + dx, 80 + dy, 64, 84, degrees))};
}

TEST(OverlapSearchTest, FindsTheOffsetOfUnturnedPieces) {
  const CutPair p = cutPair(40, 5, 0);
  const tessaly::stitch::SimilarityTable table;
  const tessaly::stitch::CoarseMatch m = tessaly::stitch::coarseMatch(
      p.a, p.b, table, searchWindow(64, 84, 64, 84, NeighbourOverlap::Wide, true), {});
  EXPECT_EQ(m.x, 40);
  EXPECT_EQ(m.y, 5);
  EXPECT_EQ(m.degrees, 0);
  EXPECT_GT(m.score, 2.5);  // the same pixels on both sides
}

TEST(OverlapSearchTest, FindsTheAngleOfATurnedPiece) {
  for (const int degrees : {3, -2}) {
    const CutPair p = cutPair(34, -4, degrees);
    const tessaly::stitch::SimilarityTable table;
    const tessaly::stitch::CoarseMatch m = tessaly::stitch::coarseMatch(
        p.a, p.b, table, searchWindow(64, 84, 64, 84, NeighbourOverlap::Wide, true), {});
    EXPECT_EQ(m.degrees, degrees);
    // B's centre pixel (31, 41) lies at A's centre (31.5, 41.5) plus (34, -4).
    EXPECT_NEAR(m.x + 31, 31.5 + 34, 1.0) << degrees;
    EXPECT_NEAR(m.y + 41, 41.5 - 4, 1.0) << degrees;
  }
}

TEST(OverlapSearchTest, TheWindowBorderNeverWins) {
  const CutPair p = cutPair(40, 5, 0);
  const tessaly::stitch::SimilarityTable table;
  // The true offset on the first column of the window loses to some interior offset.
  const tessaly::stitch::CoarseMatch m =
      tessaly::stitch::coarseMatch(p.a, p.b, table, {40, 60, -10, 10}, {});
  EXPECT_NE(m.x, 40);
  EXPECT_LT(m.score, 2.5);
  // A window without interior keeps the initial score.
  const tessaly::stitch::CoarseMatch none =
      tessaly::stitch::coarseMatch(p.a, p.b, table, {40, 41, -10, 10}, {});
  EXPECT_EQ(none.score, -1024);
}

FeatureImage withEdges(int32_t w, int32_t h, uint8_t strength) {
  FeatureImage f(w, h);
  std::fill(f.edge.begin(), f.edge.end(), strength);
  return f;
}

TEST(OverlapWarningsTest, SmallOverlapComesFirst) {
  const FeatureImage flat = withEdges(100, 80, 0);
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, flat, 86, 0, true),
            QX_WARN_SMALL_OVERLAP);  // 14 %
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, flat, 85, 0, true), QX_WARN_FEATURELESS_OVERLAP);
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, flat, 3, 69, false),
            QX_WARN_SMALL_OVERLAP);  // 11 of 80
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, flat, 3, 68, false), QX_WARN_FEATURELESS_OVERLAP);
}

TEST(OverlapWarningsTest, FeaturelessOnlyWhenBothPiecesAreBlank) {
  const FeatureImage flat = withEdges(100, 80, 15), textured = withEdges(100, 80, 16);
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, flat, 50, 4, true), QX_WARN_FEATURELESS_OVERLAP);
  EXPECT_EQ(tessaly::stitch::overlapWarning(flat, textured, 50, 4, true), QX_OK);
  EXPECT_EQ(tessaly::stitch::overlapWarning(textured, flat, 50, 4, true), QX_OK);
}

TEST(OverlapWarningsTest, BlankMeansALongRunOfFlatColumnsOrRows) {
  FeatureImage f = withEdges(40, 30, 0);
  // Two strong columns: the longest flat run of columns is 20 of 40, but every row averages
  // 510 / 40 = 12 and is flat, so the rows make the part blank.
  for (int32_t y = 0; y < 30; ++y) f.edge[f.index(20, y)] = f.edge[f.index(36, y)] = 255;
  EXPECT_TRUE(tessaly::stitch::isBlank(f, 0, 0, 40, 30));
  // Row 10 at 3 elsewhere averages (510 + 38 * 3) / 40 = 15, still flat; at 4 it is 16 and
  // splits the flat rows into runs of 10 and 19 (not above 27).
  const auto setRow10 = [&](uint8_t v) {
    for (int32_t x = 0; x < 40; ++x) {
      if (x != 20 && x != 36) f.edge[f.index(x, 10)] = v;
    }
  };
  setRow10(3);
  EXPECT_TRUE(tessaly::stitch::isBlank(f, 0, 0, 40, 30));
  setRow10(4);
  EXPECT_FALSE(tessaly::stitch::isBlank(f, 0, 0, 40, 30));
  // Parts of the image: columns 15 to 24 have flat runs of 5 and 4 around column 20; columns 21 to
  // 30 are all flat.
  EXPECT_FALSE(tessaly::stitch::isBlank(f, 15, 0, 10, 30));
  EXPECT_TRUE(tessaly::stitch::isBlank(f, 21, 0, 10, 30));
  EXPECT_FALSE(tessaly::stitch::isBlank(f, 21, 0, 0, 30));
}

}  // namespace
