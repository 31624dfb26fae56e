// Brightness differences between overlapping miniatures and the offsets that even them out.
#include "blend_brightness.h"

#include <gtest/gtest.h>

#include <numeric>

#include "picture.h"
#include "text_page.h"

namespace {

using tessaly::stitch::test::Picture;

Picture flat(int32_t w, int32_t h, uint8_t grey) {
  Picture p(w, h);
  tessaly::stitch::test::fillBox(p, 0, 0, w, h, grey);
  return p;
}

int32_t difference(Picture a, Picture b, POINT at) {
  const tagPixelArray va = a.view(), vb = b.view();
  return tessaly::stitch::brightnessDifference(va, vb, at);
}

TEST(BlendBrightness, MeasuresHowMuchBrighterTheSecondPieceIs) {
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 120), {60, 3}), 20);
  EXPECT_EQ(difference(flat(100, 80, 120), flat(100, 80, 100), {60, -3}), -20);
  // Only the overlap counts: B's far part is much darker but lies outside A.
  Picture b = flat(100, 80, 130);
  tessaly::stitch::test::fillBox(b, 40, 0, 100, 80, 10);
  EXPECT_EQ(difference(flat(100, 80, 100), b, {60, 0}), 30);
}

TEST(BlendBrightness, NearBlackAndNearWhiteSayNothing) {
  // Channel sums of 45 or less and 720 or more are left out, so these pairs give 0.
  EXPECT_EQ(difference(flat(100, 80, 15), flat(100, 80, 100), {50, 0}), 0);
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 240), {50, 0}), 0);
  EXPECT_EQ(difference(flat(100, 80, 14), flat(100, 80, 16), {50, 0}), 0);
  // Under a tenth of the trimmed overlap in mid tones is not enough either.
  Picture mostlyWhite = flat(100, 80, 250);
  tessaly::stitch::test::fillBox(mostlyWhite, 60, 10, 63, 70, 100);
  EXPECT_EQ(difference(mostlyWhite, flat(100, 80, 130), {50, 0}), 0);
}

TEST(BlendBrightness, PiecesThatDoNotMeetGiveNoDifference) {
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 150), {100, 0}), 0);
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 150), {-100, -80}), 0);
  // Overlaps too thin to survive the trimming.
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 150), {99, 79}), 50);
  EXPECT_EQ(difference(flat(100, 80, 100), flat(100, 80, 150), {97, 0}), 50);
}

TEST(BlendBrightness, DisplacementIsTheMeanMatchScaledToTheMiniatures) {
  tessaly::stitch::PairAlignment pair;
  pair.matches = {
      {300, 10, 20, 12}, {310, 40, 31, 40}, {305, 90, 24, 91}};  // x: 280, 279, 281; y: -2, 0, -1
  POINT d = tessaly::stitch::miniatureDisplacement(pair, 0, 2);
  EXPECT_EQ(d.x, 70);
  EXPECT_EQ(d.y, 0);  // mean -1 scaled by 1/4 truncates to 0
  d = tessaly::stitch::miniatureDisplacement(pair, 1, 3);
  EXPECT_EQ(d.x, 70);
  // Without matched points the transform's translation stands in for them.
  pair.matches.clear();
  pair.transform.m[2] = 283.6;
  pair.transform.m[5] = -41;
  d = tessaly::stitch::miniatureDisplacement(pair, 0, 2);
  EXPECT_EQ(d.x, 70);
  EXPECT_EQ(d.y, -10);
}

TEST(BlendBrightness, OffsetsEvenOutTheStepsAndKeepTheMean) {
  // Row of three: the middle piece is 20 brighter than both neighbours.
  const std::vector<int32_t> o = tessaly::stitch::balanceOffsets({20, -20, 0}, {0, 0, 0}, 1, 3);
  EXPECT_NEAR(o[1] - o[0], -20, 1);
  EXPECT_NEAR(o[2] - o[1], 20, 1);
  EXPECT_NEAR(std::accumulate(o.begin(), o.end(), 0), 0, 2);

  // 2 x 2 where the right column is 12 brighter and the lower row 30 darker. Whole-number
  // sweeps leave an offset alone once its pull is under one level per neighbour, so a cell with
  // two neighbours may stay up to two levels short.
  const std::vector<int32_t> g =
      tessaly::stitch::balanceOffsets({12, 0, 12, 0}, {-30, -30, 0, 0}, 2, 2);
  EXPECT_NEAR(g[1] - g[0], -12, 2);
  EXPECT_NEAR(g[3] - g[2], -12, 2);
  EXPECT_NEAR(g[2] - g[0], 30, 2);
  EXPECT_NEAR(g[3] - g[1], 30, 2);
}

}  // namespace
