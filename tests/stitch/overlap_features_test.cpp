// Feature images, the similarity table, turned copies and the placement score of the coarse
// overlap search.
#include "overlap_features.h"

#include <gtest/gtest.h>

#include "overlap_search.h"
#include "overlap_turn.h"
#include "picture.h"

namespace {

using tessaly::stitch::FeatureImage;
using tessaly::stitch::test::Picture;

void setPixel(Picture& p, int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* px = p.pixel(x, y);
  px[0] = b;
  px[1] = g;
  px[2] = r;
}

Picture filled(int32_t w, int32_t h, uint8_t value) {
  Picture p(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) setPixel(p, x, y, value, value, value);
  }
  return p;
}

FeatureImage featuresOf(Picture p) {
  const tagPixelArray view = p.view();
  return tessaly::stitch::buildFeatures(view);
}

TEST(OverlapFeaturesTest, EdgeStrengthIsTheStrongestChannelHalvedAndCapped) {
  Picture p = filled(12, 6, 0);
  // A full step in red at column 4 | 5, a step of 20 in blue at 8 | 9 (and red stays 255 there).
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 5; x < 12; ++x) setPixel(p, x, y, x >= 9 ? 20 : 0, 0, 255);
  }
  const FeatureImage f = featuresOf(p);
  EXPECT_EQ(f.edgeAt(1, 3), 0);
  EXPECT_EQ(f.edgeAt(4, 3), 254);  // |gx| = 4 * 255 = 1020, capped
  EXPECT_EQ(f.edgeAt(5, 3), 254);
  EXPECT_EQ(f.edgeAt(8, 3), 40);  // |gx| = 80 in blue, halved
  EXPECT_GE(f.edgeAt(8, 3), tessaly::stitch::kEdgePixel);
  EXPECT_EQ(f.edgeAt(11, 0), 0);  // clamped at the corner of a flat area
}

TEST(OverlapFeaturesTest, LocalContrastCutsTheNeighbourhoodAtTheBorderAndStaysInTheTable) {
  Picture p = filled(5, 5, 0);
  setPixel(p, 2, 2, 255, 255, 255);  // a lone bright pixel: the largest contrast there is
  setPixel(p, 0, 0, 255, 255, 255);
  setPixel(p, 4, 2, 0, 0, 255);
  const FeatureImage f = featuresOf(p);
  EXPECT_EQ(f.contrastAt(2, 2)[0], 255 - 255 / 9);
  EXPECT_EQ(f.contrastAt(2, 2)[0], tessaly::stitch::SimilarityTable::kLimit);
  EXPECT_EQ(f.contrastAt(1, 2)[1], -(255 / 9));
  EXPECT_EQ(f.contrastAt(0, 0)[0], 255 - 255 / 4);  // corner: 4 pixels
  EXPECT_EQ(f.contrastAt(4, 2)[2], 255 - 255 / 6);  // edge: 6 pixels
  EXPECT_EQ(f.contrastAt(4, 2)[0], 0);

  // The similarity table reaches every contrast, 227 included.
  const tessaly::stitch::SimilarityTable t;
  EXPECT_EQ(t(227, 227), 256);
  EXPECT_EQ(t(-227, 227), -256);
  EXPECT_EQ(t(0, 100), 0);
  EXPECT_EQ(t(-3, 1), -(512 * 3 / 10));  // 512 u v / (u^2 + v^2), truncated toward zero
}

// Stripes two pixels wide: away from the border every pixel is an edge pixel with non-zero
// contrast in all channels.
Picture stripes(int32_t w, int32_t h) {
  Picture p(w, h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t v = x % 4 < 2 ? 0 : 255;
      setPixel(p, x, y, v, v, v);
    }
  }
  return p;
}

TEST(OverlapFeaturesTest, ScoresIdenticalTextureThreeAndOneSidedEdgesMinusOne) {
  const FeatureImage texture = featuresOf(stripes(20, 16));
  const tessaly::stitch::SimilarityTable table;
  const tessaly::stitch::PlacementScore same =
      tessaly::stitch::scorePlacement(texture, texture, 0, 0, table);
  EXPECT_DOUBLE_EQ(same.score, 3.0);
  EXPECT_EQ(same.support, 18 * 14);  // the overlap less its one-pixel margin

  const tessaly::stitch::PlacementScore oneSided =
      tessaly::stitch::scorePlacement(texture, featuresOf(filled(20, 16, 90)), 0, 0, table);
  EXPECT_DOUBLE_EQ(oneSided.score, -1.0);
  EXPECT_EQ(oneSided.support, 0);

  const FeatureImage flat = featuresOf(filled(20, 16, 90));
  EXPECT_DOUBLE_EQ(tessaly::stitch::scorePlacement(flat, flat, 0, 0, table).score, 0.0);
  // Placements that leave no overlap count nothing.
  EXPECT_DOUBLE_EQ(tessaly::stitch::scorePlacement(texture, texture, 40, 0, table).score, 0.0);
  EXPECT_DOUBLE_EQ(tessaly::stitch::scorePlacement(texture, texture, -19, 3, table).score, 0.0);
}

TEST(OverlapFeaturesTest, QuarterTurnedCopyMovesEveryPixelExactly) {
  FeatureImage f(5, 3);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x) {
      f.edge[f.index(x, y)] = static_cast<uint8_t>(x + 10 * y);
      f.contrast[3 * f.index(x, y) + 1] = static_cast<int16_t>(-(x + 10 * y));
    }
  }
  const tessaly::stitch::TurnedFeatures t = tessaly::stitch::turnFeatures(f, 90);
  ASSERT_EQ(t.image.width, 3);
  ASSERT_EQ(t.image.height, 5);
  EXPECT_EQ(t.left, -1);
  EXPECT_EQ(t.top, -2);
  for (int32_t j = 0; j < 5; ++j) {
    for (int32_t i = 0; i < 3; ++i) {
      // Copy point q shows source point centre + R(-90) q.
      EXPECT_EQ(t.image.edgeAt(i, j), j + 10 * (2 - i)) << i << ", " << j;
      EXPECT_EQ(t.image.contrastAt(i, j)[1], -(j + 10 * (2 - i)));
    }
  }
}

TEST(OverlapFeaturesTest, SmallTurnKeepsTheCentreAndLeavesCornersAbsent) {
  const FeatureImage f = featuresOf(tessaly::stitch::test::makeTexturedPage(61, 41, 3));
  const tessaly::stitch::TurnedFeatures t = tessaly::stitch::turnFeatures(f, 5);
  EXPECT_GT(t.image.width, f.width);
  EXPECT_GT(t.image.height, f.height);
  EXPECT_EQ(t.image.edgeAt(0, 0), tessaly::stitch::kAbsent);
  EXPECT_EQ(t.image.edgeAt(t.image.width - 1, t.image.height - 1), tessaly::stitch::kAbsent);
  EXPECT_EQ(t.image.contrastAt(0, 0)[0], 0);
  // The source centre (30, 20) sits at copy pixel (-left, -top) and is read unchanged.
  EXPECT_EQ(t.image.edgeAt(-t.left, -t.top), f.edgeAt(30, 20));
  EXPECT_EQ(t.image.contrastAt(-t.left, -t.top)[2], f.contrastAt(30, 20)[2]);
  // Nothing the copy reads from the source is marked absent.
  int present = 0;
  for (const uint8_t e : t.image.edge) present += e != tessaly::stitch::kAbsent;
  EXPECT_GT(present, f.width * f.height * 9 / 10);
}

}  // namespace
