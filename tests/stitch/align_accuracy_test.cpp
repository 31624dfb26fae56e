// QXAutoAlign on pieces cut from one page with known offsets and small rotations: every pair's
// transform comes back within a pixel over the overlap and a tenth of a degree, for rows and
// 2 x 2 grids with overlaps from 20 % to 50 %.
#include "align_fixture.h"

namespace {

using tessaly::stitch::test::Placement;

// Piece sizes whose coarsest level is 2 000 to 4 000 pixels, as for typical scans: 56 x 75 for a
// row (five levels; a row's coarsest level keeps more than 54 pixels a side) and 43 x 56 for a
// grid.
constexpr int32_t kRowWidth = 900, kRowHeight = 1200;
constexpr int32_t kGridWidth = 700, kGridHeight = 900;

struct Layout {
  int32_t rows, columns;
  int32_t width, height;  // of every piece
  double across, down;    // distance between neighbouring cells; the overlap is the rest
};

// The pieces of a layout, each nudged off the grid a little and turned by its angle.
std::vector<Placement> piecesOf(const Layout& l, const std::vector<double>& degrees) {
  std::vector<Placement> cells;
  for (int32_t r = 0; r < l.rows; ++r) {
    for (int32_t c = 0; c < l.columns; ++c) {
      const int i = r * l.columns + c;
      cells.push_back({l.width / 2.0 + 20 + c * l.across + 3 * (i % 3),
                       l.height / 2.0 + 30 + r * l.down - 4 * (i % 2), l.width, l.height,
                       degrees[i]});
    }
  }
  return cells;
}

tessaly::stitch::test::Picture pageFor(const Layout& l, uint32_t seed) {
  return tessaly::stitch::test::makeTexturedPage(
      static_cast<int32_t>(l.width + 80 + (l.columns - 1) * l.across),
      static_cast<int32_t>(l.height + 80 + (l.rows - 1) * l.down), seed);
}

Layout row(double overlap) {
  return {1, 3, kRowWidth, kRowHeight, kRowWidth * (1 - overlap), 0};
}
Layout grid(double overlapAcross, double overlapDown) {
  return {2,
          2,
          kGridWidth,
          kGridHeight,
          kGridWidth * (1 - overlapAcross),
          kGridHeight * (1 - overlapDown)};
}

class AlignAccuracyTest : public tessaly::stitch::test::AlignTest {
 protected:
  void expectAllPairsWithin(int32_t rows, int32_t columns) {
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t c = 0; c < columns; ++c) {
        if (c + 1 < columns) expectPairWithin(r * columns + c, true, 1.0, 0.1);
        if (r + 1 < rows) expectPairWithin(r * columns + c, false, 1.0, 0.1);
      }
    }
  }
};

TEST_F(AlignAccuracyTest, RowOfThreeWithHalfAndTwoFifthsOverlap) {
  const Layout l = row(0.5);
  std::vector<Placement> cells = piecesOf(l, {0, 1.5, -1.5});  // relative +1.5 and -3 degrees
  cells[2].centreX += kRowWidth * 0.1;                         // 40 % for the second pair
  ASSERT_EQ(alignGrid(pageFor(row(0.4), 11), 1, 3, cells, QX_STYLE_ROW), QX_OK);
  expectAllPairsWithin(1, 3);
}

TEST_F(AlignAccuracyTest, RowNearTheSmallestOverlapARowSearches) {
  // A row searches overlaps from a third of the piece up: 35 %.
  const Layout l = row(0.35);
  ASSERT_EQ(alignGrid(pageFor(l, 12), 1, 3, piecesOf(l, {1.5, 0, 3}), QX_STYLE_ROW), QX_OK);
  expectAllPairsWithin(1, 3);
}

TEST_F(AlignAccuracyTest, GridWithAQuarterOverlapBothWays) {
  const Layout l = grid(0.25, 0.25);
  ASSERT_EQ(alignGrid(pageFor(l, 13), 2, 2, piecesOf(l, {0, 3, -1.5, 1.5}), QX_STYLE_GRID), QX_OK);
  expectAllPairsWithin(2, 2);
}

TEST_F(AlignAccuracyTest, GridWithAFifthAcrossAndHalfDown) {
  const Layout l = grid(0.2, 0.5);
  ASSERT_EQ(alignGrid(pageFor(l, 14), 2, 2, piecesOf(l, {-1.5, 1.5, 1.5, -1.5}), QX_STYLE_GRID),
            QX_OK);
  expectAllPairsWithin(2, 2);
}

TEST_F(AlignAccuracyTest, GridWithHalfAcrossAndAFifthDownUnturned) {
  const Layout l = grid(0.5, 0.2);
  ASSERT_EQ(alignGrid(pageFor(l, 15), 2, 2, piecesOf(l, {0, 0, 0, 0}), QX_STYLE_GRID), QX_OK);
  expectAllPairsWithin(2, 2);
}

TEST_F(AlignAccuracyTest, GridAtHalfResolution) {
  const Layout l = grid(0.3, 0.3);
  ASSERT_EQ(alignGrid(pageFor(l, 16), 2, 2, piecesOf(l, {3, 0, 1.5, 3}), QX_STYLE_GRID, 1), QX_OK);
  expectAllPairsWithin(2, 2);
}

}  // namespace
