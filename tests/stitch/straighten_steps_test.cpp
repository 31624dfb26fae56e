// The steps of skew measurement on small hand-made images (reduction, threshold, marks, the
// angle search) and the turn by an angle.
#include <gtest/gtest.h>

#include <cmath>

#include "errors.h"
#include "picture.h"
#include "straighten_angle.h"
#include "straighten_bit_image.h"
#include "straighten_grey.h"
#include "straighten_marks.h"
#include "straighten_turn.h"
#include "text_page.h"

namespace {

using tessaly::stitch::test::Picture;

tessaly::stitch::GreyImage greyOf(int32_t width, int32_t height, uint8_t value) {
  return {width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height, value)};
}

TEST(StraightenReduce, KeepsTheMeasurementNearAMillionPixels) {
  EXPECT_EQ(tessaly::stitch::reductionFactor(1024, 1024), 2);
  EXPECT_EQ(tessaly::stitch::reductionFactor(1023, 1024), 1);
  EXPECT_EQ(tessaly::stitch::reductionFactor(2048, 2048), 4);
  EXPECT_EQ(tessaly::stitch::reductionFactor(4096, 4096), 8);
  EXPECT_EQ(tessaly::stitch::reductionFactor(40000, 40000), 8);
  EXPECT_EQ(tessaly::stitch::reductionFactor(1, 1), 1);
}

TEST(StraightenReduce, PicksTheTopLeftPixelOfEveryBlockInsideTheMargins) {
  // Pixel (x, y) holds green = x % 256 and red = y % 256, so every grey value tells where it came
  // from.
  Picture p(1024, 1024);
  for (int32_t y = 0; y < p.height; ++y) {
    for (int32_t x = 0; x < p.width; ++x) {
      uint8_t* px = p.pixel(x, y);
      px[0] = 0;
      px[1] = static_cast<uint8_t>(x % 256);
      px[2] = 0;
    }
  }
  const tagPixelArray view = p.view();
  const tessaly::stitch::GreyImage grey = tessaly::stitch::reducedGrey(view, 2);
  // 512 reduced, 51 cut from every side.
  ASSERT_EQ(grey.width, 410);
  ASSERT_EQ(grey.height, 410);
  for (const int32_t x : {0, 1, 100, 409}) {
    const int32_t sourceX = (x + 51) * 2;
    EXPECT_EQ(grey.at(x, 7), (601 * (sourceX % 256)) >> 10) << x;
  }
}

TEST(StraightenThreshold, SeparatesInkFromPaper) {
  tessaly::stitch::GreyImage grey = greyOf(100, 100, 230);
  EXPECT_EQ(tessaly::stitch::darkThreshold(grey), 0) << "one tone has no ink";
  for (int32_t y = 20; y < 80; ++y) {
    for (int32_t x = 20; x < 50; ++x) grey.pixels[y * 100 + x] = 40;
  }
  const int t = tessaly::stitch::darkThreshold(grey);
  EXPECT_GT(t, 40);
  EXPECT_LE(t, 230);
  const tessaly::stitch::BitImage dark = tessaly::stitch::darkPixels(grey, t);
  EXPECT_EQ(dark.count(), 60 * 30);
  EXPECT_TRUE(dark.test(20, 20));
  EXPECT_FALSE(dark.test(50, 20));

  // A few specks on light paper: the first guess already lies between them and the paper.
  tessaly::stitch::GreyImage specks = greyOf(100, 100, 250);
  specks.pixels[50 * 100 + 50] = 180;
  EXPECT_EQ(tessaly::stitch::darkThreshold(specks), 215);
}

TEST(StraightenMarks, KeepsSmallMarksAndClearsLargerOnes) {
  // 64 x 64: marks under 4 pixels stay, 4 to 1024 pixels go.
  tessaly::stitch::BitImage bits(64, 64);
  bits.set(1, 1);  // a dot
  bits.set(3, 3);  // two diagonal neighbours are two marks, not one
  bits.set(4, 4);
  bits.setRun(10, 10, 13);  // three pixels in a row
  bits.setRun(20, 10, 20);  // an L of 14 pixels
  for (int32_t y = 21; y < 25; ++y) bits.set(10, y);
  ASSERT_TRUE(tessaly::stitch::keepSmallMarks(bits));
  EXPECT_TRUE(bits.test(1, 1));
  EXPECT_TRUE(bits.test(3, 3));
  EXPECT_TRUE(bits.test(4, 4));
  EXPECT_TRUE(bits.test(12, 10));
  EXPECT_FALSE(bits.test(15, 20));
  EXPECT_FALSE(bits.test(10, 24));
  EXPECT_EQ(bits.count(), 6);
}

TEST(StraightenMarks, AMarkOverAQuarterOfThePageStopsTheMeasurement) {
  tessaly::stitch::BitImage bits(64, 64);
  for (int32_t y = 0; y < 33; ++y) bits.setRun(y, 0, 32);  // 1056 > 1024 pixels
  bits.set(60, 60);
  EXPECT_FALSE(tessaly::stitch::keepSmallMarks(bits));
}

TEST(StraightenAngle, NoMarksMeansNoAngle) {
  const tessaly::stitch::AngleScore empty =
      tessaly::stitch::searchAngle(tessaly::stitch::BitImage(400, 300));
  EXPECT_EQ(empty.degrees, 0.0);
  EXPECT_EQ(empty.score, 0.0);
  // Marks in fewer than five scan lines cannot show a line direction either.
  tessaly::stitch::BitImage oneLine(400, 300);
  oneLine.setRun(150, 0, 400);
  EXPECT_EQ(tessaly::stitch::searchAngle(oneLine).degrees, 0.0);
}

TEST(StraightenTurn, AQuarterTurnMovesWholePixels) {
  // A right angle has whole-pixel steps, so the turn is a pure permutation: output (k, i) reads
  // source (i, 20 - k) about the centre (20, 10), which is three elementary quarter turns.
  Picture source = tessaly::stitch::test::makeTexturedPage(41, 21, 4);
  const tagPixelArray view = source.view();
  const tessaly::stitch::ImagePtr turned = tessaly::stitch::turnByAngle(view, M_PI / 2);
  ASSERT_EQ(turned->width, 21 + 1);
  ASSERT_EQ(turned->height, 41 + 1);
  const Picture expected = tessaly::stitch::test::turnByElementarySteps(source, 3);
  const Picture got = Picture::fromArray(*turned);
  for (int32_t y = 0; y < 42; ++y) {
    for (int32_t x = 0; x < 22; ++x) {
      const bool inside = x < 21 && y < 41;
      const uint8_t* want = inside ? expected.pixel(x, y) : nullptr;
      const uint8_t* have = got.pixel(x, y);
      for (int c = 0; c < 3; ++c) ASSERT_EQ(have[c], inside ? want[c] : 255) << x << "," << y;
    }
  }
}

}  // namespace
