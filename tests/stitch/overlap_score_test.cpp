// The bit-row scorer must give exactly the plain placement score: same sum, count and support,
// for placements that overlap partly, wholly or not at all, and for turned copies whose absent
// pixels are skipped.
#include "overlap_score.h"

#include <gtest/gtest.h>

#include "overlap_turn.h"
#include "picture.h"

namespace {

tessaly::stitch::FeatureImage featuresOf(int32_t w, int32_t h, uint32_t seed) {
  tessaly::stitch::test::Picture p = tessaly::stitch::test::makeTexturedPage(w, h, seed);
  const tagPixelArray view = p.view();
  return tessaly::stitch::buildFeatures(view);
}

void expectSameScores(const tessaly::stitch::FeatureImage& a,
                      const tessaly::stitch::FeatureImage& b) {
  const tessaly::stitch::SimilarityTable table;
  const tessaly::stitch::PlacementScorer fast(a, b, table);
  for (int32_t y = -b.height - 2; y <= a.height + 2; y += 3) {
    for (int32_t x = -b.width - 2; x <= a.width + 2; x += 5) {
      const tessaly::stitch::PlacementScore plain =
          tessaly::stitch::scorePlacement(a, b, x, y, table);
      const tessaly::stitch::PlacementScore quick = fast(x, y);
      ASSERT_EQ(quick.score, plain.score) << x << ", " << y;
      ASSERT_EQ(quick.support, plain.support) << x << ", " << y;
    }
  }
}

TEST(PlacementScorerTest, EqualsThePlainScoreEverywhere) {
  // Widths across one, two and three 64-bit words.
  expectSameScores(featuresOf(77, 109, 1), featuresOf(77, 109, 2));
  expectSameScores(featuresOf(150, 40, 3), featuresOf(63, 50, 4));
  expectSameScores(featuresOf(64, 30, 5), featuresOf(129, 31, 6));
}

TEST(PlacementScorerTest, SkipsAbsentPixelsOfTurnedCopiesAsThePlainScoreDoes) {
  const tessaly::stitch::FeatureImage a = featuresOf(90, 70, 7);
  const tessaly::stitch::TurnedFeatures turned =
      tessaly::stitch::turnFeatures(featuresOf(80, 60, 8), 4);
  expectSameScores(a, turned.image);
}

}  // namespace
