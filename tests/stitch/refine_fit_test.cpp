// From point pairs to a transform: the rigid least-squares fit, the collinearity test, the
// consensus step and the synthetic correspondences of a pair refined without usable points.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "picture.h"
#include "refine_consensus.h"
#include "refine_pair.h"
#include "refine_rigid_fit.h"

namespace {

using tessaly::stitch::Correspondence;
using tessaly::stitch::Rigid;

constexpr double kDegree = M_PI / 180;

// B points spread over a 400 x 600 area (no three on one line), each with its image under r.
std::vector<Correspondence> pairsUnder(const Rigid& r, int count) {
  std::vector<Correspondence> out;
  for (int i = 0; i < count; ++i) {
    const int32_t x = 20 + 31 * i, y = 10 + (i * i * 7) % 590;
    out.push_back({static_cast<int32_t>(std::lround(r.mapX(x, y))),
                   static_cast<int32_t>(std::lround(r.mapY(x, y))), x, y});
  }
  return out;
}

TEST(RefineFitTest, RecoversARigidTransform) {
  const Rigid truth{2 * kDegree, 300.4, -12.7};
  // Whole-pixel A points: the fit can only be as good as their rounding allows.
  const std::vector<Correspondence> pairs = pairsUnder(truth, 12);
  const Rigid fit = tessaly::stitch::fitRigid(pairs.data(), pairs.size());
  EXPECT_NEAR(fit.theta, truth.theta, 0.05 * kDegree);
  EXPECT_NEAR(fit.mapX(200, 300), truth.mapX(200, 300), 0.3);
  EXPECT_NEAR(fit.mapY(200, 300), truth.mapY(200, 300), 0.3);

  const Rigid shift{0, 17, -4};
  const std::vector<Correspondence> exact = pairsUnder(shift, 3);
  const Rigid fitShift = tessaly::stitch::fitRigid(exact.data(), exact.size());
  EXPECT_NEAR(fitShift.theta, 0, 1e-12);
  EXPECT_NEAR(fitShift.tx, 17, 1e-9);
  EXPECT_NEAR(fitShift.ty, -4, 1e-9);

  const Rigid none = tessaly::stitch::fitRigid(nullptr, 0);
  EXPECT_EQ(none.theta, 0);
  EXPECT_EQ(none.tx, 0);
}

TEST(RefineFitTest, OneLineMeansTheShortSidesBarelyExceedTheLongOne) {
  EXPECT_TRUE(tessaly::stitch::onOneLine({0, 0}, {10, 0}, {20, 0}));
  EXPECT_TRUE(tessaly::stitch::onOneLine({0, 0}, {10, 0}, {20, 2}));  // 10 + 10.2 < 20.1 + 1
  EXPECT_TRUE(tessaly::stitch::onOneLine({5, 5}, {5, 5}, {9, 9}));
  EXPECT_TRUE(tessaly::stitch::onOneLine({0, 0}, {10, 0}, {20, 5}));   // 10 + 11.18 < 20.62 + 1
  EXPECT_FALSE(tessaly::stitch::onOneLine({0, 0}, {10, 0}, {20, 8}));  // 10 + 12.81 > 21.54 + 1
  EXPECT_FALSE(tessaly::stitch::onOneLine({0, 0}, {10, 0}, {10, 10}));
}

TEST(RefineConsensusTest, AllInliersStopAfterTheFirstSuccessfulIteration) {
  std::vector<Correspondence> pairs = pairsUnder({1 * kDegree, 50, 3}, 10);
  const tessaly::stitch::ConsensusOutcome outcome = tessaly::stitch::keepConsensus(pairs);
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.iterations, 1);
  EXPECT_EQ(pairs.size(), 10u);
}

TEST(RefineConsensusTest, DropsOutliersTheSameWayEveryTime) {
  std::vector<Correspondence> pairs = pairsUnder({-2 * kDegree, 120, 9}, 14);
  for (const int i : {2, 5, 11}) pairs[i].xA += 25;
  pairs[8].yA -= 9;
  std::vector<Correspondence> again = pairs;

  const tessaly::stitch::ConsensusOutcome first = tessaly::stitch::keepConsensus(pairs);
  ASSERT_TRUE(first.found);
  ASSERT_EQ(pairs.size(), 10u);
  for (const Correspondence& c : pairs) {
    for (const int i : {2, 5, 8, 11})
      EXPECT_FALSE(c.xB == 20 + 31 * i) << "outlier " << i << " kept";
  }
  const tessaly::stitch::ConsensusOutcome second = tessaly::stitch::keepConsensus(again);
  EXPECT_EQ(second.iterations, first.iterations);
  EXPECT_EQ(again.size(), pairs.size());
}

TEST(RefineConsensusTest, FailsWithoutThreeConsistentPoints) {
  std::vector<Correspondence> two = pairsUnder({0, 5, 5}, 2);
  EXPECT_FALSE(tessaly::stitch::keepConsensus(two).found);
  // Every B point on one line: every sample is skipped until the limit.
  std::vector<Correspondence> line;
  for (int i = 0; i < 6; ++i) line.push_back({10 * i + 100, 7 * i, 10 * i, 0});
  const std::vector<Correspondence> before = line;
  const tessaly::stitch::ConsensusOutcome outcome = tessaly::stitch::keepConsensus(line);
  EXPECT_FALSE(outcome.found);
  EXPECT_EQ(outcome.iterations, 500);
  EXPECT_EQ(line.size(), before.size());
}

// Two unrelated textured level images standing in for A and B at a level.
struct LevelPair {
  tessaly::stitch::test::Picture a = tessaly::stitch::test::makeTexturedPage(220, 320, 31);
  tessaly::stitch::test::Picture b = tessaly::stitch::test::makeTexturedPage(220, 320, 32);
};

TEST(RefinePairTest, AThinOverlapKeepsItsTransform) {
  LevelPair images;
  const tagPixelArray a = images.a.view(), b = images.b.view();
  // Level 1 of 440 x 640 pieces; B's left 22 full-resolution columns overlap A: 10 at level 1.
  tessaly::stitch::PairSetup later{true, false, 1, 440, 640, 440, 640};
  tessaly::stitch::PairAlignment pair;
  pair.overlap = {0, 0, 21, 639};
  const Rigid before{0.8 * kDegree, 104.3, 2.6};  // in level-2 units
  pair.transform = before.toTransform();
  tessaly::stitch::findCorrespondences(a, b, later, pair);
  EXPECT_EQ(pair.matches.size(), 3u);
  tessaly::stitch::fitPairTransform(pair);
  const Rigid after = Rigid::of(pair.transform);
  const Rigid doubled{before.theta, 2 * before.tx, 2 * before.ty};
  // The three points are whole pixels about 100 apart, so the angle survives to about 0.3 degree
  // and the placement over the overlap to a pixel.
  EXPECT_NEAR(after.theta, before.theta, 0.5 * kDegree);
  for (const auto& [x, y] : {std::pair{5, 10}, std::pair{5, 300}}) {
    EXPECT_NEAR(after.mapX(x, y), doubled.mapX(x, y), 1.0);
    EXPECT_NEAR(after.mapY(x, y), doubled.mapY(x, y), 1.0);
  }

  // On the first pass the overlap comes from the translation: 10 columns, and only the whole
  // translation is kept.
  tessaly::stitch::PairSetup first{true, true, 1, 440, 640, 440, 640};
  tessaly::stitch::PairAlignment firstPair;
  firstPair.transform = Rigid{2 * kDegree, 209, 0}.toTransform();
  tessaly::stitch::findCorrespondences(a, b, first, firstPair);
  EXPECT_EQ(firstPair.overlap.left, 0);
  EXPECT_EQ(firstPair.overlap.right, 439 - 418);
  EXPECT_EQ(firstPair.overlap.bottom, 639);
  tessaly::stitch::fitPairTransform(firstPair);
  const Rigid kept = Rigid::of(firstPair.transform);
  EXPECT_NEAR(kept.theta, 0, 1e-9);
  EXPECT_NEAR(kept.tx, 209, 1e-6);
  EXPECT_NEAR(kept.ty, 0, 1e-6);
}

TEST(RefinePairTest, AnOverlapOutsideBGetsSyntheticCorrespondences) {
  LevelPair images;
  const tagPixelArray a = images.a.view(), b = images.b.view();
  tessaly::stitch::PairSetup first{false, true, 0, 220, 320, 220, 320};
  tessaly::stitch::PairAlignment pair;
  pair.transform = Rigid{0, 0, 5000}.toTransform();
  tessaly::stitch::findCorrespondences(a, b, first, pair);
  EXPECT_LT(pair.overlap.bottom, pair.overlap.top);
  EXPECT_EQ(pair.matches.size(), 3u);
}

}  // namespace
