// The Result page's arithmetic and picture operations without a window: the zoom table, the
// turning matrix, the angle value's rules, the grey test, and the image tools behind quarter
// turns and the rotation.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "grey_test.h"
#include "picture_tools.h"
#include "rotation_angle.h"
#include "turn_matrix.h"
#include "zoom_levels.h"

namespace tessaly::app {
namespace {

TEST(ResultZoom, LevelsRunInHalfStepsOfTheFittedScale) {
  const auto ratios = zoomRatios(0.25);
  for (int i = 0; i < kZoomLevelCount; ++i) EXPECT_EQ(ratios[size_t(i)], 2500 + 1250 * i) << i;
  EXPECT_EQ(ratios.back(), 21250);  // 2.125
}

TEST(ResultZoom, RatiosAreCutNotRoundedToTenThousandths) {
  const auto ratios = zoomRatios(1.0 / 3);
  EXPECT_EQ(ratios[0], 3333);
  EXPECT_EQ(ratios[1], 5000);  // 0.49999... is 0.5 in doubles
  EXPECT_EQ(ratios[3], 8333);  // 0.8333...
  // A picture far larger than the view still gets a level that shows something.
  EXPECT_EQ(zoomRatios(1e-7)[0], 1);
}

TEST(ResultZoom, InStopsAtTheTopOutStopsAtTheFit) {
  ZoomLevels zoom;
  zoom.refit(0.5);
  EXPECT_TRUE(zoom.isFit());
  EXPECT_FALSE(zoom.canZoomOut());
  EXPECT_FALSE(zoom.zoomOut());
  for (int i = 1; i < kZoomLevelCount; ++i) EXPECT_TRUE(zoom.zoomIn());
  EXPECT_EQ(zoom.level(), 15);
  EXPECT_EQ(zoom.ratio(), 42500);
  EXPECT_FALSE(zoom.canZoomIn());
  EXPECT_FALSE(zoom.zoomIn());
  EXPECT_TRUE(zoom.zoomOut());
  EXPECT_EQ(zoom.level(), 14);
  zoom.refit(0.5);  // every refit starts again at the fit
  EXPECT_EQ(zoom.level(), 0);
}

TEST(ResultZoom, AFitOfOneTenThousandthHasNoRoomToZoom) {
  // Every level cut to the same ratio: neither way leads anywhere.
  ZoomLevels zoom;
  zoom.refit(0.00001);
  EXPECT_FALSE(zoom.canZoomIn());
  EXPECT_FALSE(zoom.canZoomOut());
}

// Where the matrix takes a point.
QPointF mapped(const ToolTransform& t, double x, double y) {
  return {t.m[0] * x + t.m[3] * y + t.m[6], t.m[1] * x + t.m[4] * y + t.m[7]};
}

TEST(TurnMatrix, MultiplesOfNinetyDegreesAreExact) {
  for (const int tenths : {0, 900, -900, 1800, 2700, -2700, 3600}) {
    const TurnGeometry g = turnGeometry(40, 40, 1, 1, tenths);
    for (const double value :
         {g.transform.m[0], g.transform.m[1], g.transform.m[3], g.transform.m[4]}) {
      EXPECT_TRUE(value == 0 || value == 1 || value == -1) << tenths << " gives " << value;
    }
  }
  double c = 0, s = 0;
  turnCosSin(90.0000000001, c, s);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(s, 1);
  turnCosSin(90.001, c, s);
  EXPECT_NE(c, 0);
}

TEST(TurnMatrix, TheCentreStaysInTheMiddleOfTheScaledOutput) {
  for (const int tenths : {0, 37, -100, 450}) {
    const TurnGeometry g = turnGeometry(300, 200, 0.5, 0.25, tenths);
    EXPECT_EQ(g.width, 150);
    EXPECT_EQ(g.height, 50);
    const QPointF centre = mapped(g.transform, 150, 100);
    EXPECT_NEAR(centre.x(), 75, 1e-9);
    EXPECT_NEAR(centre.y(), 25, 1e-9);
  }
  // Sizes are rounded to the nearest pixel.
  const TurnGeometry odd = turnGeometry(101, 51, 0.5, 0.5, 0);
  EXPECT_EQ(odd.width, 51);
  EXPECT_EQ(odd.height, 26);
}

TEST(TurnMatrix, APositiveValueTurnsCounterClockwiseOnScreen) {
  // Rows count from the bottom in the matrix: v = 900 takes the point right of the centre to
  // above it in top-down rows.
  const TurnGeometry g = turnGeometry(100, 100, 1, 1, 900);
  const QPointF right = mapped(g.transform, 100, 50);
  EXPECT_NEAR(right.x(), 50, 1e-9);
  EXPECT_NEAR(right.y(), 0, 1e-9);
  const TurnGeometry small = turnGeometry(100, 100, 1, 1, 50);
  EXPECT_LT(mapped(small.transform, 100, 50).y(), 50);
  const TurnGeometry back = turnGeometry(100, 100, 1, 1, -50);
  EXPECT_GT(mapped(back.transform, 100, 50).y(), 50);
}

TEST(RotationAngle, TextButtonsAndLimits) {
  EXPECT_EQ(angleText(1), "0.1");
  EXPECT_EQ(angleText(-100), "-10");
  EXPECT_EQ(angleText(0), "0");
  EXPECT_EQ(angleText(33), "3.3");
  EXPECT_FALSE(canReduceAngle(-100));
  EXPECT_TRUE(canReduceAngle(-99));
  EXPECT_TRUE(canIncreaseAngle(99));
  EXPECT_FALSE(canIncreaseAngle(100));
  EXPECT_EQ(clampAngle(-140), -100);
  EXPECT_EQ(clampAngle(101), 100);
}

TEST(RotationAngle, ThePresetUndoesTheSkewUnlessARotatedPictureIsNearlyStraight) {
  EXPECT_EQ(presetAngle(0.3, false), -3);
  EXPECT_EQ(presetAngle(0.29999999999999993, false), -3);
  EXPECT_EQ(presetAngle(0.3, true), 0);
  EXPECT_EQ(presetAngle(0.4, true), 0);
  EXPECT_EQ(presetAngle(0.45, true), -4);
  EXPECT_EQ(presetAngle(-2.57, false), 25);
  EXPECT_EQ(presetAngle(skewDegrees(12 / kDegreesPerRadian), false), -100);
  EXPECT_EQ(presetAngle(skewDegrees(-12 / kDegreesPerRadian), false), 100);
  EXPECT_DOUBLE_EQ(skewDegrees(NAN), 0);
}

QImage filled(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(colour);
  return image;
}

TEST(GreyTest, EveryTileMustBeGrey) {
  QImage grey = filled(250, 230, QColor(90, 90, 90));
  EXPECT_TRUE(isGreyImage(grey));
  // One coloured pixel in the last, partial tile.
  grey.setPixelColor(249, 229, QColor(90, 91, 90));
  EXPECT_FALSE(isGreyImage(grey));
  EXPECT_FALSE(isGreyImage(QImage()));
  EXPECT_TRUE(isGreyImage(filled(10, 10, Qt::white).convertToFormat(QImage::Format_RGB32)));
  QImage colour = filled(10, 10, Qt::white).convertToFormat(QImage::Format_RGB32);
  colour.setPixelColor(5, 5, Qt::red);
  EXPECT_FALSE(isGreyImage(colour));
}

// A small picture with a different colour in each pixel.
QImage numbered(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixelColor(x, y, QColor(x * 20, y * 20, 100));
  }
  return image;
}

TEST(PictureTools, QuarterTurnsMovePixelsExactly) {
  const QImage image = numbered(5, 3);
  const QImage left = quarterTurned(image, true).convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(left.size(), QSize(3, 5));
  // Counter-clockwise: the top-right corner comes to the top-left.
  EXPECT_EQ(left.pixelColor(0, 0), image.pixelColor(4, 0));
  EXPECT_EQ(left.pixelColor(0, 4), image.pixelColor(0, 0));
  const QImage right = quarterTurned(image, false).convertToFormat(QImage::Format_RGB888);
  EXPECT_EQ(right.pixelColor(2, 0), image.pixelColor(0, 0));
  EXPECT_EQ(quarterTurned(left, false).convertToFormat(QImage::Format_RGB888), image);
}

TEST(PictureTools, TurningLeavesWhiteWhereThePictureDoesNotReach) {
  const TurnSource black(filled(200, 100, Qt::black));
  ASSERT_TRUE(black.isValid());
  const QImage straight = black.turned(turnGeometry(200, 100, 1, 1, 0));
  ASSERT_EQ(straight.size(), QSize(200, 100));
  EXPECT_EQ(straight.convertToFormat(QImage::Format_RGB888), filled(200, 100, Qt::black));

  const QImage turned = black.turned(turnGeometry(200, 100, 1, 1, 100));
  ASSERT_EQ(turned.size(), QSize(200, 100));
  EXPECT_EQ(turned.pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(turned.pixelColor(199, 99), QColor(Qt::white));
  EXPECT_EQ(turned.pixelColor(100, 50), QColor(Qt::black));
}

TEST(PictureTools, AReducedCopyHasTheScaledSize) {
  const QImage reduced = reducedBy(filled(400, 300, Qt::gray), 0.25);
  EXPECT_EQ(reduced.size(), QSize(100, 75));
  EXPECT_EQ(reduced.pixelColor(50, 40), QColor(Qt::gray));
}

TEST(PictureTools, EnhancingStretchesADullPicture) {
  QImage dull = filled(64, 64, QColor(100, 100, 100));
  for (int x = 0; x < 32; ++x) {
    for (int y = 0; y < 64; ++y) dull.setPixelColor(x, y, QColor(140, 140, 140));
  }
  const QImage better = enhanced(dull);
  ASSERT_EQ(better.size(), dull.size());
  const int before = 140 - 100;
  const int after = better.pixelColor(0, 0).red() - better.pixelColor(63, 0).red();
  EXPECT_GT(after, before);
}

}  // namespace
}  // namespace tessaly::app
