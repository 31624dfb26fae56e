// The pair search of the verified way on cut pieces with known truth: offsets, tilts, quarter
// turns and grey-level changes on textured and text-like pages, the choice between a row and a
// column reading, pieces that do not overlap, blank overlaps, and cancelling.
#include "verified_pairs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "picture.h"
#include "stitch_layout.h"
#include "text_page.h"
#include "verified_scene.h"

namespace {

using tessaly::stitch::test::CutPlan;
using tessaly::stitch::verified::findPairHypotheses;
using tessaly::stitch::verified::PairHypothesis;
using tessaly::stitch::verified::PairSearchOptions;
using tessaly::stitch::verified::PieceLevels;

constexpr double kPi = 3.14159265358979323846;

struct Found {
  const PairHypothesis* hypothesis = nullptr;
  int rank = -1;  // among the pair's hypotheses
};

// The pair's hypothesis that matches the truth: b's quarter turns and b's centre within
// `tolerance` working pixels.
Found findTrue(const std::vector<PairHypothesis>& all, const std::vector<PieceLevels>& pieces,
               const CutPlan& a, const CutPlan& b, int a_, int b_, double tolerance = 3) {
  double x = 0, y = 0, angle = 0;
  tessaly::stitch::test::trueLanding(a, b, x, y, angle);
  Found found;
  int rank = 0;
  for (const PairHypothesis& h : all) {
    if (h.a != a_ || h.b != b_) continue;
    double hx = 0, hy = 0;
    tessaly::stitch::test::hypothesisLanding(h, pieces[b_], hx, hy);
    if (h.quarterTurnsB == (b.turns - a.turns + 4) % 4 && std::hypot(hx - x, hy - y) < tolerance) {
      found = {&h, rank};
      break;
    }
    ++rank;
  }
  return found;
}

void expectAccurate(const PairHypothesis& h, const PieceLevels& b, const CutPlan& pa,
                    const CutPlan& pb) {
  double x = 0, y = 0, angle = 0, hx = 0, hy = 0;
  tessaly::stitch::test::trueLanding(pa, pb, x, y, angle);
  tessaly::stitch::test::hypothesisLanding(h, b, hx, hy);
  EXPECT_LT(std::hypot(hx - x, hy - y), 1.0)
      << "at " << hx << ", " << hy << " not " << x << ", " << y;
  EXPECT_NEAR(h.bToA.angle * 180 / kPi, angle, 0.3);
}

class PairSearch : public ::testing::Test {
 protected:
  static const tessaly::stitch::test::Picture& texturedPage() {
    static const tessaly::stitch::test::Picture page =
        tessaly::stitch::test::smoothed(tessaly::stitch::test::makeTexturedPage(1100, 900, 7));
    return page;
  }
  static const tessaly::stitch::test::Picture& textPage() {
    static const tessaly::stitch::test::Picture page =
        tessaly::stitch::test::makeParagraphPage(1100, 900, 11, 12);
    return page;
  }

  std::vector<PairHypothesis> search(const std::vector<PieceLevels>& pieces,
                                     const PairSearchOptions& options = {}) {
    std::vector<PairHypothesis> out;
    EXPECT_TRUE(findPairHypotheses(pieces, options, nullptr, out));
    return out;
  }
};

TEST_F(PairSearch, FindsRowOfTwoOnTexturedPageWithTiltsTurnsAndGreyChanges) {
  for (int turns = 0; turns < 4; ++turns) {
    SCOPED_TRACE(turns);
    const CutPlan a{300, 420, 400, 560, 2.0, 0, 1, 0, 1, 0};
    const CutPlan b{580, 440, 400, 560, -3.0, turns, 0.7, 30, 1.3, 3};
    const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(texturedPage(), a, 1),
                                          tessaly::stitch::test::cutLevels(texturedPage(), b, 2)};
    const std::vector<PairHypothesis> all = search(pieces);
    const Found found = findTrue(all, pieces, a, b, 0, 1);
    ASSERT_NE(found.hypothesis, nullptr);
    EXPECT_EQ(found.rank, 0);
    EXPECT_TRUE(found.hypothesis->confirmed);
    EXPECT_GT(found.hypothesis->distinctness, 0.1);
    expectAccurate(*found.hypothesis, pieces[1], a, b);
  }
}

TEST_F(PairSearch, FindsTextPiecesInRowAndColumnDespiteRepeatedLines) {
  // Right neighbour with a narrow overlap and a column neighbour turned half round; the line
  // pitch repeats every 21 pixels, so rival peaks exist, but the true place must win.
  const CutPlan a{300, 300, 400, 500, 1.0, 0, 1, 0, 1, 2};
  const CutPlan right{640, 310, 400, 500, -2.0, 0, 1.2, -20, 0.8, 2};
  const CutPlan below{310, 620, 400, 500, 4.0, 2, 0.9, 10, 1, 2};
  const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(textPage(), a, 1),
                                        tessaly::stitch::test::cutLevels(textPage(), right, 2),
                                        tessaly::stitch::test::cutLevels(textPage(), below, 3)};
  const std::vector<PairHypothesis> all = search(pieces);
  for (auto [index, plan] : {std::pair{1, right}, std::pair{2, below}}) {
    SCOPED_TRACE(index);
    const Found found = findTrue(all, pieces, a, plan, 0, index);
    ASSERT_NE(found.hypothesis, nullptr);
    EXPECT_EQ(found.rank, 0);
    EXPECT_TRUE(found.hypothesis->confirmed);
    expectAccurate(*found.hypothesis, pieces[index], a, plan);
  }
}

TEST_F(PairSearch, RowReadingBeatsColumnReadingOnEvidence) {
  // Two upright pieces side by side: the reading with b turned a quarter below a must score
  // clearly lower than the true one, and so must b turned half round.
  const CutPlan a{280, 400, 360, 500, 0, 0, 1, 0, 1, 2};
  const CutPlan b{520, 400, 360, 500, 0, 0, 1, 0, 1, 2};
  const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(textPage(), a, 1),
                                        tessaly::stitch::test::cutLevels(textPage(), b, 2)};
  const std::vector<PairHypothesis> all = search(pieces);
  const Found found = findTrue(all, pieces, a, b, 0, 1);
  ASSERT_NE(found.hypothesis, nullptr);
  ASSERT_EQ(found.rank, 0);
  for (const PairHypothesis& h : all) {
    if (h.quarterTurnsB != 0) {
      EXPECT_LT(h.score, found.hypothesis->score - 0.2);
    }
  }
}

TEST_F(PairSearch, PiecesThatDoNotOverlapGetNoConfirmedHypothesis) {
  const CutPlan a{250, 250, 300, 300, 0, 0, 1, 0, 1, 2};
  const CutPlan b{800, 600, 300, 300, 1.0, 1, 1, 0, 1, 2};
  for (const tessaly::stitch::test::Picture* page : {&texturedPage(), &textPage()}) {
    const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(*page, a, 1),
                                          tessaly::stitch::test::cutLevels(*page, b, 2)};
    for (const PairHypothesis& h : search(pieces)) {
      EXPECT_FALSE(h.confirmed && h.score > 0.4) << h.score;
      EXPECT_LT(h.score, 0.5);
    }
  }
}

TEST_F(PairSearch, BlankOverlapScoresNothing) {
  // The pieces share only blank paper (with scanner noise): flat is not evidence.
  tessaly::stitch::test::Picture page = textPage();
  tessaly::stitch::test::fillBox(page, 0, 0, page.width, page.height, 240);
  tessaly::stitch::test::fillBox(page, 60, 100, 260, 600, 40);  // ink only far from the overlap
  const CutPlan a{250, 350, 360, 500, 0, 0, 1, 0, 1, 3};
  const CutPlan b{520, 350, 360, 500, 0, 0, 1, 0, 1, 3};
  const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(page, a, 1),
                                        tessaly::stitch::test::cutLevels(page, b, 2)};
  for (const PairHypothesis& h : search(pieces)) {
    EXPECT_FALSE(h.confirmed);
    EXPECT_LT(h.score, 0.3);
  }
}

TEST_F(PairSearch, CancelThroughProgressReturnsFalse) {
  const CutPlan a{300, 420, 400, 560, 0, 0, 1, 0, 1, 0};
  const CutPlan b{580, 440, 400, 560, 0, 0, 1, 0, 1, 0};
  const std::vector<PieceLevels> pieces{tessaly::stitch::test::cutLevels(texturedPage(), a, 1),
                                        tessaly::stitch::test::cutLevels(texturedPage(), b, 2)};
  std::vector<PairHypothesis> out;
  double last = -1;
  bool monotone = true;
  EXPECT_FALSE(findPairHypotheses(
      pieces, {},
      [&](double f) {
        monotone = monotone && f >= last && f <= 1.0;
        last = f;
        return f > 0.3;
      },
      out));
  EXPECT_TRUE(monotone);
  EXPECT_GT(last, 0.3);
  EXPECT_LT(last, 0.7);
}

}  // namespace
