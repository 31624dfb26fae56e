// Gradient features of a miniature and the two structure tests on them.
#include "ordering_features.h"

#include <gtest/gtest.h>

#include "picture.h"
#include "turn.h"

namespace {

using tessaly::stitch::test::Picture;

// An engine image whose pixels are value(x, y) in all three channels.
template <typename Value>
tessaly::stitch::ImagePtr greyImage(int32_t width, int32_t height, Value value) {
  tessaly::stitch::ImagePtr image = tessaly::stitch::makeImage(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = tessaly::stitch::rowOf(*image, y) + 3 * x;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(value(x, y));
    }
  }
  return image;
}

uint8_t at(const tagPixelArray& image, int32_t x, int32_t y) {
  return tessaly::stitch::rowOf(image, y)[3 * x];
}

TEST(OrderingFeatures, GradientIsHalfTheSobelMagnitudeCappedAt254) {
  // A step of 20 between columns 3 and 4, and a full black-to-white step between rows 3 and 4.
  const tessaly::stitch::ImagePtr image =
      greyImage(8, 8, [](int x, int y) { return (x >= 4 ? 20 : 0) + (y >= 4 ? 235 : 0); });
  const tessaly::stitch::ImagePtr g = tessaly::stitch::gradientImage(*image);
  EXPECT_EQ(at(*g, 3, 0), 40);  // |gx| = 4 * 20; the clamped row above counts as the row itself
  EXPECT_EQ(at(*g, 4, 1), 40);
  EXPECT_EQ(at(*g, 1, 1), 0);    // flat
  EXPECT_EQ(at(*g, 0, 0), 0);    // clamped corner of a flat area
  EXPECT_EQ(at(*g, 1, 3), 254);  // |gy| = 4 * 235 is beyond the cap
  EXPECT_EQ(at(*g, 7, 7), 0);
}

TEST(OrderingFeatures, CropMarginGrowsWithTheSmallerSideUpToTwo) {
  EXPECT_EQ(tessaly::stitch::cropMargin(29, 500), 0);
  EXPECT_EQ(tessaly::stitch::cropMargin(30, 500), 1);
  EXPECT_EQ(tessaly::stitch::cropMargin(500, 59), 1);
  EXPECT_EQ(tessaly::stitch::cropMargin(60, 500), 2);
  EXPECT_EQ(tessaly::stitch::cropMargin(900, 900), 2);

  const tessaly::stitch::ImagePtr image = greyImage(10, 6, [](int x, int y) { return 10 * y + x; });
  const tessaly::stitch::ImagePtr inner = tessaly::stitch::cropped(*image, 2);
  ASSERT_EQ(inner->width, 6);
  ASSERT_EQ(inner->height, 2);
  EXPECT_EQ(at(*inner, 0, 0), 22);
  EXPECT_EQ(at(*inner, 5, 1), 37);
}

TEST(OrderingFeatures, SummedAreaTableGivesTheSumOfAnyRectangle) {
  Picture page = tessaly::stitch::test::makeTexturedPage(23, 17, 5);
  const tagPixelArray view = page.view();
  const tessaly::stitch::GradientFeatures f =
      tessaly::stitch::withSums(tessaly::stitch::copyImage(view));
  const int32_t rects[][4] = {
      {0, 0, 23, 17}, {3, 2, 4, 3}, {5, 7, 20, 17}, {0, 16, 23, 17}, {4, 4, 4, 9}};
  for (const auto& r : rects) {
    uint64_t expected = 0;
    for (int32_t y = r[1]; y < r[3]; ++y) {
      for (int32_t x = r[0] * 3; x < r[2] * 3; ++x) expected += page.pixel(0, y)[x];
    }
    EXPECT_EQ(f.sumOf(r[0], r[1], r[2], r[3]), expected)
        << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
  }
}

TEST(OrderingFeatures, BlankBandNeedsFlatLinesOverMoreThan36PercentOfTheSize) {
  auto busy = [](int x, int y) { return (x * 7 + y * 13) % 11 * 20; };
  // Flat columns 0..35 of 100 (36 %) are not enough; 0..36 are.
  const tessaly::stitch::ImagePtr narrow =
      greyImage(100, 40, [&](int x, int y) { return x < 37 ? 100 : busy(x, y); });
  const tessaly::stitch::ImagePtr wide =
      greyImage(100, 40, [&](int x, int y) { return x < 38 ? 100 : busy(x, y); });
  // The Sobel response spreads one column into the flat side, so 37 flat image columns give 36
  // flat gradient columns.
  EXPECT_FALSE(tessaly::stitch::hasBlankBand(*tessaly::stitch::gradientImage(*narrow)));
  EXPECT_TRUE(tessaly::stitch::hasBlankBand(*tessaly::stitch::gradientImage(*wide)));
  const tessaly::stitch::ImagePtr rows =
      greyImage(40, 100, [&](int x, int y) { return y >= 60 ? 100 : busy(x, y); });
  EXPECT_TRUE(tessaly::stitch::hasBlankBand(*tessaly::stitch::gradientImage(*rows)));
  // A faint ramp (gradient 12, within the 15 that counts as flat) is blank.
  const tessaly::stitch::ImagePtr faint = greyImage(50, 50, [](int x, int) { return 3 * x; });
  EXPECT_TRUE(tessaly::stitch::hasBlankBand(*tessaly::stitch::gradientImage(*faint)));
}

TEST(OrderingFeatures, BorderStructureJudgesTheWeakerAxis) {
  // Gradient images built directly: strips of the given strength along each border.
  auto borders = [](int top, int bottom, int left, int right) {
    return greyImage(100, 100, [=](int x, int y) {
      if ((x < 5 || x >= 95) && (y < 5 || y >= 95)) return 0;  // corners belong to neither side
      if (y < 5) return top;
      if (y >= 95) return bottom;
      if (x < 5) return left;
      if (x >= 95) return right;
      return 0;
    });
  };
  EXPECT_TRUE(tessaly::stitch::hasBorderStructure(*borders(50, 50, 40, 40)));
  EXPECT_FALSE(tessaly::stitch::hasBorderStructure(*borders(0, 0, 0, 0)));
  // Top and bottom strong: left and right decide. Alike, the stronger counts; far apart, the
  // weaker does.
  EXPECT_TRUE(tessaly::stitch::hasBorderStructure(*borders(90, 90, 30, 4)));
  EXPECT_FALSE(tessaly::stitch::hasBorderStructure(*borders(90, 90, 60, 4)));
  // Left and right strong: top and bottom decide the same way.
  EXPECT_TRUE(tessaly::stitch::hasBorderStructure(*borders(30, 4, 90, 90)));
  EXPECT_FALSE(tessaly::stitch::hasBorderStructure(*borders(60, 4, 90, 90)));
  // Too small for a twentieth: no strips, no structure, no division by zero.
  EXPECT_FALSE(
      tessaly::stitch::hasBorderStructure(*greyImage(19, 19, [](int, int) { return 200; })));
}

TEST(OrderingFeatures, FeaturesAreTheCroppedGradientInFourTurns) {
  Picture page = tessaly::stitch::test::makeTexturedPage(75, 100, 9);
  const tagPixelArray view = page.view();
  const tessaly::stitch::PieceFeatures f = tessaly::stitch::prepareFeatures(view);
  const tessaly::stitch::ImagePtr expected =
      tessaly::stitch::gradientImage(*tessaly::stitch::cropped(view, 2));
  EXPECT_TRUE(Picture::fromArray(*f.turns[0].gradient).samePixels(Picture::fromArray(*expected)));
  for (int t = 1; t < 4; ++t) {
    const Picture turned =
        tessaly::stitch::test::turnByElementarySteps(Picture::fromArray(*expected), t);
    EXPECT_TRUE(Picture::fromArray(*f.turns[t].gradient).samePixels(turned)) << "turn " << t;
    EXPECT_EQ(f.turns[t].sums.size(), static_cast<size_t>(turned.width + 1) * (turned.height + 1));
  }
}

}  // namespace
