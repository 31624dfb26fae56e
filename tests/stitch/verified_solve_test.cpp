// The verified way's global solution on constructed hypotheses with known truth: the loop check
// of the least-squares fit, the choice among rival hypotheses by the links across each cut, the
// grid read from the placements, and the honest verdict when the evidence does not decide.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <random>

#include "verified_arrangement.h"
#include "verified_fit.h"
#include "verified_solve_candidates.h"
#include "verified_truth.h"

namespace {

namespace verified = tessaly::stitch::verified;
using verified::Arrangement;
using verified::PairHypothesis;
using verified::PieceSize;
using verified::Rigid;
using verified::Vec2;

double radians(double degrees) {
  return degrees * M_PI / 180;
}

// Pieces laid as a grid on a page, as their scans hold them: pieces may be tilted, scanned a
// number of quarter turns off, and loaded in any order.
struct Scene {
  int32_t rows = 1, columns = 1;
  int32_t width = 600, height = 450;  // working-level pixels of every upright piece
  double overlap = 0.3;
  std::vector<double> tilts;       // per cell, degrees
  std::vector<int32_t> fileTurns;  // per cell: the turns that bring its scan upright
  std::vector<int32_t> loadOrder;  // load-order index of each cell's piece

  int32_t count() const { return rows * columns; }
  Rigid upright(int32_t cell) const {  // upright piece -> page
    const double stepX = width * (1 - overlap), stepY = height * (1 - overlap);
    // Turned about the piece's centre, as a scan lies tilted on the bed.
    const double tilt = tilts.empty() ? 0 : radians(tilts[cell]);
    const Vec2 centre{(width - 1) / 2.0, (height - 1) / 2.0};
    const Vec2 turned = verified::apply(Rigid{tilt, 0, 0}, centre);
    return {tilt, (cell % columns) * stepX + 3 * (cell % 3) + centre.x - turned.x,
            (cell / columns) * stepY - 2 * (cell % 2) + centre.y - turned.y};
  }
  int32_t turnsOf(int32_t cell) const { return fileTurns.empty() ? 0 : fileTurns[cell]; }
  int32_t pieceOf(int32_t cell) const { return loadOrder.empty() ? cell : loadOrder[cell]; }

  // Per load-order piece: its unturned scan's size and pose on the page.
  std::vector<PieceSize> sizes() const {
    std::vector<PieceSize> s(count());
    for (int32_t cell = 0; cell < count(); ++cell) {
      const bool across = turnsOf(cell) % 2 != 0;
      s[pieceOf(cell)] = across ? PieceSize{height, width} : PieceSize{width, height};
    }
    return s;
  }
  std::vector<Rigid> poses() const {
    std::vector<Rigid> p(count());
    for (int32_t cell = 0; cell < count(); ++cell) {
      const int32_t back = (4 - turnsOf(cell)) % 4;  // the scan is the upright piece turned back
      p[pieceOf(cell)] = verified::compose(
          upright(cell), verified::inverse(verified::quarterTurnMotion(back, width, height)));
    }
    return p;
  }
  std::vector<PairHypothesis> truth(double score = 0.8) const {
    return tessaly::stitch::test::truthHypotheses(poses(), sizes(), score);
  }
};

Scene grid(int32_t rows, int32_t columns, double overlap = 0.3) {
  Scene s;
  s.rows = rows;
  s.columns = columns;
  s.overlap = overlap;
  return s;
}

// The found arrangement is the scene's grid, every piece turned upright, and every cell placed
// within `tolerance` pixels of the truth (at the piece's corners).
void expectScene(const Arrangement& a, const Scene& scene, double tolerance = 0.5) {
  ASSERT_EQ(a.rows, scene.rows);
  ASSERT_EQ(a.columns, scene.columns);
  const Rigid toCell0 = verified::inverse(scene.upright(0));
  for (int32_t cell = 0; cell < scene.count(); ++cell) {
    EXPECT_EQ(a.cellPiece[cell], scene.pieceOf(cell)) << "cell " << cell;
    EXPECT_EQ(a.cellTurns[cell], scene.turnsOf(cell)) << "cell " << cell;
    const Rigid expected = verified::compose(toCell0, scene.upright(cell));
    for (const Vec2 corner : {Vec2{0, 0}, Vec2{599, 0}, Vec2{0, 449}, Vec2{599, 449}}) {
      const Vec2 found = verified::apply(a.cellPlacement[cell], corner);
      const Vec2 truth = verified::apply(expected, corner);
      EXPECT_NEAR(found.x, truth.x, tolerance) << "cell " << cell;
      EXPECT_NEAR(found.y, truth.y, tolerance) << "cell " << cell;
    }
  }
}

Arrangement solve(const Scene& scene, const std::vector<PairHypothesis>& hypotheses) {
  const std::vector<Arrangement> found =
      verified::arrangementsFrom(scene.sizes(), hypotheses, verified::SolveOptions{});
  EXPECT_FALSE(found.empty());
  EXPECT_LE(found.size(), verified::kMostCandidates);
  return found.front();
}

TEST(VerifiedFitTest, LinkThatDisagreesWithItsLoopsIsDropped) {
  // Four pieces in a square with both diagonals; the link 1-3 is 12 pixels off.
  const std::vector<Rigid> truth = {{0, 0, 0}, {0.02, 400, 5}, {-0.01, 3, 300}, {0.01, 405, 298}};
  std::vector<verified::FitLink> links;
  for (const auto& [a, b] :
       std::vector<std::pair<int, int>>{{0, 1}, {0, 2}, {1, 3}, {2, 3}, {0, 3}, {1, 2}}) {
    verified::FitLink link{a, b, {}, 1};
    const Rigid bToA = verified::compose(verified::inverse(truth[a]), truth[b]);
    for (const Vec2 p : {Vec2{10, 10}, Vec2{200, 40}, Vec2{60, 250}, Vec2{150, 150}}) {
      Vec2 inA = verified::apply(bToA, p);
      if (a == 1 && b == 3) inA.y += 12;
      link.points.push_back({inA, p});
    }
    links.push_back(link);
  }
  const verified::FitResult fit = verified::fitGlobal(4, links, verified::FitOptions{});
  ASSERT_TRUE(fit.connected);
  EXPECT_FALSE(fit.kept[2]);
  EXPECT_EQ(std::count(fit.kept.begin(), fit.kept.end(), true), 5);
  for (int n = 0; n < 4; ++n) {
    const Vec2 found = verified::apply(fit.poses[n], {300, 200});
    const Vec2 expected = verified::apply(truth[n], {300, 200});
    EXPECT_NEAR(found.x, expected.x, 0.01);
    EXPECT_NEAR(found.y, expected.y, 0.01);
  }
}

TEST(VerifiedFitTest, BridgeStaysEvenWhenItsPointsScatter) {
  // A single link has no loop to be checked against; it must not be dropped.
  verified::FitLink link{
      0, 1, {{{410, 0}, {0, 0}}, {{410, 300}, {0, 300}}, {{500, 10}, {90, 0}}}, 1};
  const verified::FitResult fit = verified::fitGlobal(2, {link}, verified::FitOptions{});
  EXPECT_TRUE(fit.connected);
  EXPECT_TRUE(fit.kept[0]);
}

TEST(VerifiedSolveTest, TwoByThreeWithADecoyPerPairThatOftenScoresHigher) {
  const Scene scene = grid(2, 3, 0.4);
  std::vector<PairHypothesis> hypotheses = scene.truth(0.6);
  const size_t trueLinks = hypotheses.size();
  EXPECT_GE(trueLinks, 11u);  // 7 neighbour pairs and 4 diagonals
  for (size_t k = 0; k < trueLinks; ++k) {
    // A text line pitch away: higher than the truth on every other pair.
    hypotheses.push_back(tessaly::stitch::test::decoyOf(
        hypotheses[k], k % 3 == 0 ? 14 : 0, k % 3 == 0 ? 0 : 12, k % 2 == 0 ? 0.66 : 0.5));
  }
  const Arrangement a = solve(scene, hypotheses);
  expectScene(a, scene);
  EXPECT_TRUE(a.wellSupported);
  EXPECT_EQ(a.keptLinks.size(), trueLinks);
  for (const PairHypothesis& h : a.keptLinks) EXPECT_DOUBLE_EQ(h.score, 0.6);
}

TEST(VerifiedSolveTest, GridWithoutDiagonalsDecidesDecoysByItsSquares) {
  // 15 % overlap: no diagonal overlaps, only the loops around each square of four pieces. Every
  // third pair's decoy outscores its truth.
  const Scene scene = grid(3, 3, 0.15);
  std::vector<PairHypothesis> hypotheses = scene.truth(0.55);
  EXPECT_EQ(hypotheses.size(), 12u);
  for (size_t k = 0; k < 12; ++k) {
    // Echoes at different offsets: no two of them tell the same story about a piece.
    hypotheses.push_back(tessaly::stitch::test::decoyOf(
        hypotheses[k], 0, k % 2 == 0 ? 9.0 + 4 * k : -9.0 - 4 * k, k % 3 == 0 ? 0.62 : 0.45));
  }
  const Arrangement a = solve(scene, hypotheses);
  expectScene(a, scene);
  EXPECT_TRUE(a.wellSupported);
}

TEST(VerifiedSolveTest, PieceAQuarterTurnOffItsNeighbours) {
  Scene scene = grid(2, 2);
  scene.fileTurns = {0, 0, 0, 1};
  const Arrangement a = solve(scene, scene.truth());
  expectScene(a, scene);
  EXPECT_TRUE(a.wellSupported);
}

TEST(VerifiedSolveTest, MostPiecesStayAsScannedWhenTheSetIsTurned) {
  // All scans a quarter turn off but one: the one is turned, the mosaic keeps the others.
  Scene scene = grid(1, 3);
  scene.fileTurns = {1, 0, 1};
  const Arrangement a = solve(scene, scene.truth());
  ASSERT_EQ(a.rows * a.columns, 3);
  EXPECT_EQ(a.rows, 3);  // the row, seen with the mosaic turned, is a column
  EXPECT_EQ(std::count(a.cellTurns.begin(), a.cellTurns.end(), 0), 2);
}

TEST(VerifiedSolveTest, ShapeComesFromThePlacementsNotFromAHint) {
  for (const auto& [rows, columns] :
       std::vector<std::pair<int32_t, int32_t>>{{3, 3}, {3, 1}, {1, 3}, {2, 4}}) {
    Scene scene = grid(rows, columns);
    scene.loadOrder.resize(scene.count());
    std::iota(scene.loadOrder.begin(), scene.loadOrder.end(), 0);
    std::reverse(scene.loadOrder.begin(), scene.loadOrder.end());
    std::rotate(scene.loadOrder.begin(), scene.loadOrder.begin() + 1, scene.loadOrder.end());
    SCOPED_TRACE(testing::Message() << rows << " x " << columns);
    const Arrangement a = solve(scene, scene.truth());
    expectScene(a, scene);
    EXPECT_TRUE(a.wellSupported);
  }
}

TEST(VerifiedSolveTest, TiltsOverlapsAndThirtyPieces) {
  for (const double overlap : {0.1, 0.8}) {
    Scene scene = grid(5, 6, overlap);
    for (int32_t cell = 0; cell < scene.count(); ++cell) scene.tilts.push_back((cell * 7 % 13) - 6);
    SCOPED_TRACE(overlap);
    const Arrangement a = solve(scene, scene.truth());
    expectScene(a, scene);
    EXPECT_TRUE(a.wellSupported);
  }
}

TEST(VerifiedSolveTest, ThirtyPiecesAmidClutterOfWeakChanceHypotheses) {
  // Every pair of pieces, overlapping or not, also has six chance peaks at any turn and offset.
  Scene scene = grid(5, 6, 0.25);
  std::vector<PairHypothesis> hypotheses = scene.truth(0.6);
  std::mt19937 random(5);
  std::uniform_real_distribution<double> offset(-700, 700), score(0.15, 0.5);
  for (int32_t a = 0; a < scene.count(); ++a) {
    for (int32_t b = a + 1; b < scene.count(); ++b) {
      for (int k = 0; k < 6; ++k) {
        PairHypothesis h;
        h.a = a;
        h.b = b;
        h.quarterTurnsB = k % 4;
        h.bToA = {0, offset(random), offset(random)};
        h.score = score(random);
        hypotheses.push_back(h);
      }
    }
  }
  const auto start = std::chrono::steady_clock::now();
  const Arrangement a = solve(scene, hypotheses);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  expectScene(a, scene);
  EXPECT_TRUE(a.wellSupported);
  EXPECT_LT(seconds, 5.0);
}

TEST(VerifiedSolveTest, RowOfTwoChoosesTheRowOverTheColumnReadingOnEvidence) {
  const Scene row = grid(1, 2);
  Scene column = grid(2, 1);
  column.fileTurns = {1, 1};  // the same two scans read as a column turned a quarter
  const PairHypothesis truth = row.truth(0.7).front();
  PairHypothesis rival = column.truth(0.55).front();

  std::vector<Arrangement> found =
      verified::arrangementsFrom(row.sizes(), {truth, rival}, verified::SolveOptions{});
  expectScene(found.front(), row);
  EXPECT_TRUE(found.front().wellSupported);
  ASSERT_EQ(found.size(), 2u);  // the column reading is offered second
  EXPECT_FALSE(found[1].wellSupported);

  // Nearly as strong a rival leaves the choice open: say so.
  rival.score = 0.68;
  found = verified::arrangementsFrom(row.sizes(), {truth, rival}, verified::SolveOptions{});
  expectScene(found.front(), row);
  EXPECT_FALSE(found.front().wellSupported);
}

TEST(VerifiedSolveTest, PiecesPiledOnOneAnotherAreNoGrid) {
  // Every reading of a pile has zero gaps; one must still come back, marked irregular.
  const std::vector<Rigid> poses(4, Rigid{});
  const verified::GridReading g = verified::readGrid(poses, std::vector<PieceSize>(4, {600, 450}));
  EXPECT_EQ(g.rows * g.columns, 4);
  EXPECT_EQ(g.cellPiece.size(), 4u);
  EXPECT_GE(g.irregularity, verified::kRegularGrid);
}

TEST(VerifiedSolveTest, UnsupportedCasesSaySo) {
  const Scene scene = grid(1, 3);
  std::vector<PairHypothesis> hypotheses = scene.truth();
  // Nothing joins the third piece.
  std::erase_if(hypotheses, [](const PairHypothesis& h) { return h.b == 2; });
  std::vector<Arrangement> found =
      verified::arrangementsFrom(scene.sizes(), hypotheses, verified::SolveOptions{});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(found[0].wellSupported);
  EXPECT_EQ(found[0].rows * found[0].columns, 3);

  // Weak evidence everywhere.
  found = verified::arrangementsFrom(scene.sizes(), scene.truth(0.2), verified::SolveOptions{});
  EXPECT_FALSE(found[0].wellSupported);

  // No evidence at all.
  found = verified::arrangementsFrom(scene.sizes(), {}, verified::SolveOptions{});
  EXPECT_FALSE(found[0].wellSupported);
}

TEST(VerifiedSolveTest, PlacementsForAGivenArrangementUseOnlyFittingHypotheses) {
  const Scene scene = grid(2, 2);
  std::vector<PairHypothesis> hypotheses = scene.truth(0.5);
  // A strong reading of pieces 0 and 1 as a column: it cannot fit the given 2 x 2 grid's turns.
  Scene column = grid(2, 1);
  column.fileTurns = {1, 1};
  hypotheses.push_back(column.truth(0.9).front());

  const std::vector<Rigid> placements = verified::placementsForArrangement(
      scene.sizes(), hypotheses, 2, 2, {0, 1, 2, 3}, {0, 0, 0, 0}, verified::SolveOptions{});
  ASSERT_EQ(placements.size(), 4u);
  for (int32_t cell = 0; cell < 4; ++cell) {
    const Rigid expected =
        verified::compose(verified::inverse(scene.upright(0)), scene.upright(cell));
    EXPECT_NEAR(placements[cell].tx, expected.tx, 0.5);
    EXPECT_NEAR(placements[cell].ty, expected.ty, 0.5);
  }
  // An arrangement no hypothesis fits: nothing to place it with.
  EXPECT_TRUE(verified::placementsForArrangement(scene.sizes(), scene.truth(), 2, 2, {0, 1, 2, 3},
                                                 {1, 1, 1, 1}, verified::SolveOptions{})
                  .empty() == false);
  EXPECT_TRUE(verified::placementsForArrangement(scene.sizes(), scene.truth(), 1, 4, {0, 3, 1, 2},
                                                 {0, 2, 0, 2}, verified::SolveOptions{})
                  .empty());
}

}  // namespace
