// The verified way through the exports: pieces cut from a textured page are loaded with
// QX_STYLE_VERIFIED, arranged by QXAutoOrder, aligned and blended. Each case checks the grid the
// engine chose (shape, piece and quarter turns per cell) and the fitted placement of every cell
// against the truth (within a pixel at the piece's corners).
//
// Until the correlation search is merged, the pair evidence comes from a test source that knows
// the truth (TruthSearch); the same cases with the engine's own search are skipped until then.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "session.h"
#include "session_fixture.h"
#include "stitch_check.h"
#include "stitch_layout.h"
#include "verified_session.h"
#include "verified_truth.h"

namespace {

namespace verified = tessaly::stitch::verified;
using tessaly::stitch::test::StitchLayout;
using verified::Rigid;
using verified::Vec2;

enum class Evidence { Truth, Search };

constexpr int32_t kWidth = 360, kHeight = 270;

// Upright piece of `cell` -> page, full resolution.
Rigid uprightPose(const StitchLayout& layout, int cell) {
  const tessaly::stitch::test::PiecePlan& p = layout.cells[cell];
  const double a = p.angleDegrees * M_PI / 180;
  const Vec2 turned = verified::apply(Rigid{a, 0, 0}, {(p.width - 1) / 2.0, (p.height - 1) / 2.0});
  return {a, p.centreX - turned.x, p.centreY - turned.y};
}

// The scan of `cell` as its file holds it -> page, full resolution.
Rigid filePose(const StitchLayout& layout, int cell) {
  const tessaly::stitch::test::PiecePlan& p = layout.cells[cell];
  const int32_t back = (4 - p.fileTurns) % 4;
  return verified::compose(uprightPose(layout, cell),
                           verified::inverse(verified::quarterTurnMotion(back, p.width, p.height)));
}

// Pair evidence from the layout: every overlapping pair of loaded pieces, exactly.
struct TruthSearch {
  StitchLayout layout;
  std::vector<int> cellOfPiece;  // load order -> layout cell
  bool nothing = false;          // find no evidence at all

  bool operator()(const std::vector<verified::PieceLevels>& pieces,
                  const verified::PairSearchOptions&, const verified::ProgressCheck&,
                  std::vector<verified::PairHypothesis>& out) const {
    out.clear();
    if (nothing) return true;
    std::vector<Rigid> poses;
    std::vector<verified::PieceSize> sizes;
    for (size_t i = 0; i < pieces.size(); ++i) {
      const double toWorking = std::ldexp(1.0, -pieces[i].workingLevel);
      poses.push_back(verified::scaled(filePose(layout, cellOfPiece[i]), toWorking));
      sizes.push_back({pieces[i].working.width, pieces[i].working.height});
    }
    out = tessaly::stitch::test::truthHypotheses(poses, sizes);
    // A search is off by a pixel or two and a fraction of a degree; refinement must mend that.
    for (size_t k = 0; k < out.size(); ++k) {
      const double sign = k % 2 == 0 ? 1 : -1;
      out[k].bToA.tx += 1.5 * sign;
      out[k].bToA.ty -= 1.0 * sign;
      out[k].bToA.angle += 0.003 * sign;
    }
    return true;
  }
};

StitchLayout layoutOf(int32_t rows, int32_t columns, double overlap, uint32_t seed,
                      std::vector<double> tilts = {}) {
  const int32_t overlapPixels = static_cast<int32_t>(std::lround(kWidth * overlap));
  StitchLayout layout =
      tessaly::stitch::test::gridLayout(rows, columns, kWidth, kHeight, overlapPixels, seed);
  // Rows step by the same share of the height.
  const double stepY = kHeight * (1 - overlap);
  for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
    layout.cells[cell].centreY = 40 + (cell / columns) * stepY + (kHeight - 1) / 2.0;
    if (!tilts.empty()) layout.cells[cell].angleDegrees = tilts[cell];
  }
  const int32_t pageHeight = static_cast<int32_t>(80 + (rows - 1) * stepY + kHeight);
  if (pageHeight > layout.page.height) {
    layout.page = tessaly::stitch::test::smoothed(
        tessaly::stitch::test::makeTexturedPage(layout.page.width, pageHeight, seed));
  }
  return layout;
}

class VerifiedEndToEndTest : public tessaly::stitch::test::SessionTest,
                             public ::testing::WithParamInterface<Evidence> {
 protected:
  tessaly::stitch::Session& session() { return *static_cast<tessaly::stitch::Session*>(session_); }

  // Loads the layout's files (loadOrder[k]: the cell whose file is loaded k-th; cell order when
  // empty) into a verified session with the given style hint and runs QXAutoOrder.
  long order(const StitchLayout& layout, int32_t style, std::vector<int> loadOrder = {}) {
    if (loadOrder.empty()) {
      loadOrder.resize(layout.cells.size());
      std::iota(loadOrder.begin(), loadOrder.end(), 0);
    }
    names_.assign(layout.cells.size(), "");
    for (size_t k = 0; k < loadOrder.size(); ++k) {
      const int cell = loadOrder[k];
      names_[cell] =
          addPiece("scan" + std::to_string(cell) + ".bmp", layout.file(cell), static_cast<long>(k));
    }
    open(style | QX_STYLE_VERIFIED);
    EXPECT_EQ(load(), QX_OK);
    if (GetParam() == Evidence::Truth) {
      TruthSearch truth{layout, loadOrder, nothingFound_};
      session().verified->pairSearch = truth;
    }
    candidates_ = std::make_unique<tessaly::stitch::test::CandidateRecords>(layout.cells.size());
    long count = 0;
    const long status = QXAutoOrder(session_, &count, candidates_->records);
    candidateCount_ = count;
    return status;
  }

  // The first candidate is the layout's grid, every scan turned back upright.
  void expectArrangement(const StitchLayout& layout) {
    ASSERT_GE(candidateCount_, 1);
    const tagStitchOrderInfo& best = candidates_->records[0];
    ASSERT_EQ(best.rows, layout.rows);
    ASSERT_EQ(best.columns, layout.columns);
    for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
      EXPECT_EQ(std::string(best.fileNames[cell]), names_[cell]) << "cell " << cell;
      EXPECT_EQ(best.quarterTurns[cell], layout.cells[cell].fileTurns) << "cell " << cell;
    }
    EXPECT_EQ(session().rows, layout.rows);
    EXPECT_EQ(session().columns, layout.columns);
  }

  // After QXAutoAlign: every cell's fitted global transform within a pixel of the truth.
  void expectPlacements(const StitchLayout& layout) {
    const std::vector<tessaly::stitch::Transform> globals = verified::fittedGlobals(session());
    ASSERT_EQ(globals.size(), layout.cells.size());
    const Rigid toCell0 = verified::inverse(uprightPose(layout, 0));
    for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
      const Rigid truth = verified::compose(toCell0, uprightPose(layout, static_cast<int>(cell)));
      const double* m = globals[cell].m;
      for (const Vec2 p :
           {Vec2{0, 0}, Vec2{kWidth - 1, 0}, Vec2{0, kHeight - 1}, Vec2{kWidth - 1, kHeight - 1}}) {
        const Vec2 expected = verified::apply(truth, p);
        EXPECT_NEAR(m[0] * p.x + m[1] * p.y + m[2], expected.x, 1.0) << "cell " << cell;
        EXPECT_NEAR(m[3] * p.x + m[4] * p.y + m[5], expected.y, 1.0) << "cell " << cell;
      }
    }
  }

  void align() {
    const long status = QXAutoAlign(session_);
    EXPECT_TRUE(status == QX_OK || status == QX_WARN_SMALL_OVERLAP) << status;
  }

  // Arranged, aligned and placed as the layout is.
  void expectStitched(const StitchLayout& layout, int32_t style, std::vector<int> loadOrder = {}) {
    EXPECT_EQ(order(layout, style, std::move(loadOrder)), QX_OK);
    expectArrangement(layout);
    align();
    expectPlacements(layout);
  }

  void expectBlendMatchesPage(const StitchLayout& layout) {
    tagPixelArray* result = nullptr;
    ASSERT_EQ(QXAutoBlend(session_, &result, nullptr), QX_OK);
    EXPECT_EQ(loader_.liveImages(), 0);
    const tessaly::stitch::test::StitchCheck check =
        tessaly::stitch::test::checkAgainstPage(*result, layout, 0, 6);
    EXPECT_GT(check.covered, static_cast<int64_t>(result->width) * result->height / 2);
    EXPECT_LT(check.meanError, 5.0);
    EXPECT_LE(check.worstShift, 1);
  }

  std::vector<std::string> names_;
  std::unique_ptr<tessaly::stitch::test::CandidateRecords> candidates_;
  long candidateCount_ = 0;
  bool nothingFound_ = false;
};

TEST_P(VerifiedEndToEndTest, RowOfTwo) {
  expectStitched(layoutOf(1, 2, 0.3, 201), QX_STYLE_ROW);
}

TEST_P(VerifiedEndToEndTest, RowOfThree) {
  expectStitched(layoutOf(1, 3, 0.3, 202), QX_STYLE_ROW);
}

TEST_P(VerifiedEndToEndTest, TwoByTwoComposedLikeThePage) {
  const StitchLayout layout = layoutOf(2, 2, 0.3, 203, {0, 1.5, -1, 0.7});
  expectStitched(layout, QX_STYLE_GRID);
  expectBlendMatchesPage(layout);
}

TEST_P(VerifiedEndToEndTest, ThreeByThreeAskedAsARow) {
  expectStitched(layoutOf(3, 3, 0.3, 204), QX_STYLE_ROW);
}

TEST_P(VerifiedEndToEndTest, ColumnOfThreeComposedLikeThePage) {
  const StitchLayout layout = layoutOf(3, 1, 0.3, 205, {0.5, -1, 1});
  expectStitched(layout, QX_STYLE_ROW);
  expectBlendMatchesPage(layout);
}

TEST_P(VerifiedEndToEndTest, OnePieceScannedAQuarterTurnOff) {
  StitchLayout layout = layoutOf(2, 2, 0.3, 206);
  layout.cells[2].fileTurns = 1;
  expectStitched(layout, QX_STYLE_GRID);
}

TEST_P(VerifiedEndToEndTest, ShuffledLoadOrder) {
  expectStitched(layoutOf(2, 3, 0.3, 207), QX_STYLE_GRID, {4, 1, 5, 0, 3, 2});
}

TEST_P(VerifiedEndToEndTest, RowWithFifteenPercentOverlaps) {
  expectStitched(layoutOf(1, 3, 0.15, 208), QX_STYLE_ROW);
}

TEST_P(VerifiedEndToEndTest, LargeOverlapGrid) {
  expectStitched(layoutOf(2, 2, 0.7, 209), QX_STYLE_GRID);
}

TEST_P(VerifiedEndToEndTest, TiltsOfFiveDegreesEachWay) {
  expectStitched(layoutOf(2, 2, 0.3, 210, {5, -5, -5, 5}), QX_STYLE_GRID);
}

TEST_P(VerifiedEndToEndTest, ChangedArrangementIsPlacedFromTheFittingHypotheses) {
  // The caller takes the same grid turned half round: every cell reversed, every scan turned 2.
  const StitchLayout layout = layoutOf(2, 2, 0.3, 211);
  ASSERT_EQ(order(layout, QX_STYLE_GRID), QX_OK);
  std::vector<std::string> reversed(names_.rbegin(), names_.rend());
  tessaly::stitch::test::Arrangement turned(2, 2, reversed, {2, 2, 2, 2});
  ASSERT_EQ(QXChangeOrder(session_, &turned.info), QX_OK);
  align();
  const std::vector<tessaly::stitch::Transform> globals = verified::fittedGlobals(session());
  ASSERT_EQ(globals.size(), 4u);
  const auto turnedPose = [&](int cell) {
    return verified::compose(uprightPose(layout, cell),
                             verified::inverse(verified::quarterTurnMotion(2, kWidth, kHeight)));
  };
  const Rigid toCell0 = verified::inverse(turnedPose(3));
  for (int cell = 0; cell < 4; ++cell) {
    const Rigid truth = verified::compose(toCell0, turnedPose(3 - cell));
    const double* m = globals[cell].m;
    EXPECT_NEAR(m[2], truth.tx, 1.0) << "cell " << cell;
    EXPECT_NEAR(m[5], truth.ty, 1.0) << "cell " << cell;
    EXPECT_NEAR(std::atan2(m[3], m[0]), truth.angle, 0.003) << "cell " << cell;
  }
}

INSTANTIATE_TEST_SUITE_P(Evidence, VerifiedEndToEndTest,
                         ::testing::Values(Evidence::Truth, Evidence::Search),
                         [](const auto& info) {
                           return info.param == Evidence::Truth ? "FromTruth" : "FromSearch";
                         });

class VerifiedHonestyTest : public VerifiedEndToEndTest {};

TEST_P(VerifiedHonestyTest, NoEvidenceIsReportedAndTheClassicSearchPlacesTheDefault) {
  nothingFound_ = true;
  const StitchLayout layout = layoutOf(1, 2, 0.4, 212);
  EXPECT_EQ(order(layout, QX_STYLE_ROW), QX_WARN_LOW_CONFIDENCE);
  ASSERT_EQ(candidateCount_, 1);
  EXPECT_EQ(candidates_->records[0].rows, 1);
  EXPECT_EQ(candidates_->records[0].columns, 2);
  const long aligned = QXAutoAlign(session_);
  EXPECT_GE(aligned, QX_OK);
  EXPECT_TRUE(verified::fittedGlobals(session()).empty());
  tagPixelArray* result = nullptr;
  EXPECT_EQ(QXAutoBlend(session_, &result, nullptr), QX_OK);
}

INSTANTIATE_TEST_SUITE_P(Evidence, VerifiedHonestyTest, ::testing::Values(Evidence::Truth),
                         [](const auto&) { return "FromTruth"; });

class VerifiedSelectionTest : public tessaly::stitch::test::SessionTest {};

// The session keeps no style of its own: what it was given shows in the policy built from it.
bool hasPolicyOf(void* session, int32_t style) {
  const tessaly::stitch::StitchPolicy have =
      static_cast<tessaly::stitch::Session*>(session)->policy;
  const tessaly::stitch::StitchPolicy want = tessaly::stitch::policyFor(style);
  return have.coarsestMinimumSide == want.coarsestMinimumSide &&
         have.composition == want.composition && have.linkThreshold == want.linkThreshold;
}

TEST_F(VerifiedSelectionTest, FlagChoosesTheWayAndLeavesTheBaseStyle) {
  open(QX_STYLE_GRID);
  EXPECT_EQ(static_cast<tessaly::stitch::Session*>(session_)->verified, nullptr);
  EXPECT_TRUE(hasPolicyOf(session_, QX_STYLE_GRID));
  QXReleaseStitch(session_);

  // Without the flag any value stays as the caller gave it.
  open(0x200);
  EXPECT_TRUE(hasPolicyOf(session_, 0x200));
  QXReleaseStitch(session_);

  open(QX_STYLE_GRID | QX_STYLE_VERIFIED);
  EXPECT_NE(static_cast<tessaly::stitch::Session*>(session_)->verified, nullptr);
  EXPECT_TRUE(hasPolicyOf(session_, QX_STYLE_GRID));
}

TEST_F(VerifiedSelectionTest, CancelDuringThePairSearchStopsTheOrdering) {
  const tessaly::stitch::test::Picture page = tessaly::stitch::test::makeTexturedPage(700, 400, 33);
  addPiece("a.bmp", tessaly::stitch::test::cutPiece(page, 200, 200, 360, 270), 0);
  addPiece("b.bmp", tessaly::stitch::test::cutPiece(page, 480, 200, 360, 270), 1);
  open(QX_STYLE_ROW | QX_STYLE_VERIFIED);
  ASSERT_EQ(load(), QX_OK);
  // Report 1 of QXAutoOrder is its start; the next comes from inside the pair search.
  loader_.cancelAtReport(loader_.reports() + 2);
  tessaly::stitch::test::CandidateRecords candidates(2);
  long count = 0;
  EXPECT_EQ(QXAutoOrder(session_, &count, candidates.records), QX_CANCELLED);
  EXPECT_EQ(loader_.positions().back(), 100);
  EXPECT_EQ(loader_.liveImages(), 0);
}

TEST_F(VerifiedSelectionTest, LoadKeepsTheWorkingLevelsBesideTheClassicMiniatures) {
  const tessaly::stitch::test::Picture page =
      tessaly::stitch::test::makeTexturedPage(2400, 1000, 31);
  addPiece("a.bmp", tessaly::stitch::test::cutPiece(page, 650, 500, 1200, 900), 0);
  addPiece("b.bmp", tessaly::stitch::test::cutPiece(page, 1450, 500, 1200, 900), 1);
  open(QX_STYLE_ROW | QX_STYLE_VERIFIED);
  ASSERT_EQ(load(), QX_OK);
  const tessaly::stitch::Session& s = *static_cast<tessaly::stitch::Session*>(session_);
  ASSERT_EQ(s.verified->pieces.size(), 2u);
  for (const verified::PieceLevels& p : s.verified->pieces) {
    EXPECT_EQ(p.workingLevel, 1);  // 1200 pixels wide: halved once to 600
    EXPECT_EQ(p.working.width, 600);
    EXPECT_EQ(p.working.height, 450);
    EXPECT_EQ(p.finer.width, 1200);
    EXPECT_EQ(p.finer.pixels.size(), 1200u * 900u);
  }
  // Only the miniatures stay of the classic levels, and each piece was loaded once.
  for (const tessaly::stitch::PieceRecord& piece : s.pieces) {
    for (int k = 0; k < s.coarsest; ++k) EXPECT_EQ(piece.levels[k], nullptr);
    EXPECT_NE(piece.levels[s.coarsest], nullptr);
  }
  EXPECT_EQ(loader_.loads(), 2);
  EXPECT_EQ(loader_.liveImages(), 0);
}

}  // namespace
