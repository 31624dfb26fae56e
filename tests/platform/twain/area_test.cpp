// The scan area's arithmetic: a device's allowed values, millimetres and pixels, and the corners
// an area becomes when it is clamped to the bed and put on the device's steps.
#include <gtest/gtest.h>

#include "scan_area.h"

namespace tessaly::twain {
namespace {

NumberOption range(double min, double max, double step) {
  NumberOption option;
  option.bounded = true;
  option.min = min;
  option.max = max;
  option.step = step;
  return option;
}

Geometry millimetreBed(double width, double height, double step) {
  Geometry geometry;
  geometry.x = range(0, width, step);
  geometry.y = range(0, height, step);
  return geometry;
}

void expectCorners(const Corners& corners, double left, double top, double right, double bottom) {
  EXPECT_DOUBLE_EQ(corners.left, left);
  EXPECT_DOUBLE_EQ(corners.top, top);
  EXPECT_DOUBLE_EQ(corners.right, right);
  EXPECT_DOUBLE_EQ(corners.bottom, bottom);
}

TEST(AllowedValue, RangesClampAndRoundToTheirStepsAndListsGiveTheNearestEntry) {
  const NumberOption steps = range(10, 101, 4);  // 10, 14, ... 98: 101 is not on a step
  EXPECT_DOUBLE_EQ(steps.nearestAllowed(3), 10);
  EXPECT_DOUBLE_EQ(steps.nearestAllowed(15.9), 14);
  EXPECT_DOUBLE_EQ(steps.nearestAllowed(16.1), 18);
  EXPECT_DOUBLE_EQ(steps.nearestAllowed(500), 98) << "never past the top";
  EXPECT_DOUBLE_EQ(range(0, 5, 0).nearestAllowed(2.37), 2.37) << "no step: any value";

  NumberOption list;
  list.list = {75, 90, 100, 150, 300};
  EXPECT_DOUBLE_EQ(list.nearestAllowed(60), 75);
  EXPECT_DOUBLE_EQ(list.nearestAllowed(95), 90) << "a tie takes the lower value";
  EXPECT_DOUBLE_EQ(list.nearestAllowed(1000), 300);
  EXPECT_DOUBLE_EQ(NumberOption{}.nearestAllowed(-7.5), -7.5) << "unconstrained";
}

TEST(ScanArea, MillimetreCornersAreClampedToTheBedAndRoundedToTheDevicesSteps) {
  const Geometry geometry = millimetreBed(215.9, 297, 1);
  const AreaMm bed = bedOf(geometry);
  EXPECT_DOUBLE_EQ(bed.width, 215.9);
  EXPECT_DOUBLE_EQ(bed.height, 297);
  expectCorners(cornersFor({10.4, 20.6, 50.2, 30}, geometry), 10, 21, 61, 51);
  expectCorners(cornersFor({-30, -1, 1000, 1000}, geometry), 0, 0, 215, 297);
  // A coarser step moves the corners further.
  expectCorners(cornersFor({11, 0, 10, 10}, millimetreBed(100, 100, 2)), 12, 0, 22, 10);
}

TEST(ScanArea, InvertedRectanglesTurnRoundAndEmptyOnesGrowToOneStep) {
  const Geometry geometry = millimetreBed(100, 100, 1);
  expectCorners(cornersFor({60, 50, -20, -10}, geometry), 40, 40, 60, 50);
  expectCorners(cornersFor({30, 30, 0, 0}, geometry), 30, 30, 31, 31);
  // At the far edge the rectangle grows inwards, and a rectangle beyond the bed keeps one step.
  expectCorners(cornersFor({100, 100, 0, 0}, geometry), 99, 99, 100, 100);
  expectCorners(cornersFor({150, 40, 10, 0.2}, geometry), 99, 40, 100, 41);
  // Without steps the least extent is one unit of the device.
  expectCorners(cornersFor({5, 5, 0, 0}, millimetreBed(100, 100, 0)), 5, 5, 6, 6);
}

TEST(ScanArea, PixelCornersCountPixelsAtTheDevicesResolution) {
  Geometry geometry;
  geometry.pixels = true;
  geometry.dotsPerInch = 254;  // ten pixels a millimetre
  geometry.x = range(0, 2000, 1);
  geometry.y = range(0, 3000, 1);
  EXPECT_DOUBLE_EQ(millimetresOf(2000, geometry), 200);
  EXPECT_DOUBLE_EQ(deviceValueOf(12.34, geometry), 123.4);
  const AreaMm bed = bedOf(geometry);
  EXPECT_DOUBLE_EQ(bed.width, 200);
  EXPECT_DOUBLE_EQ(bed.height, 300);
  const Corners corners = cornersFor({10.04, 20, 50, 400}, geometry);
  expectCorners(corners, 100, 200, 600, 3000);
  const AreaMm back = areaOf(corners, geometry);
  EXPECT_DOUBLE_EQ(back.left, 10);
  EXPECT_DOUBLE_EQ(back.height, 280);
  // A device that does not say its resolution is taken at 72 pixels an inch.
  geometry.dotsPerInch = 0;
  EXPECT_NEAR(millimetresOf(72, geometry), 25.4, 1e-12);
}

}  // namespace
}  // namespace tessaly::twain
