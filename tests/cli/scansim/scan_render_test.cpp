// The scan pictures: they show the page where truth.json says, turned as it says, with tone,
// blur and noise that change the pixels only as much as asked.
#include "scan_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "picture.h"
#include "shapes_page.h"

namespace tessaly::cli {
namespace {

tessaly::stitch::test::Picture toPicture(const BgrImage& image) {
  tessaly::stitch::test::Picture picture(image.width, image.height);
  picture.bytes = image.bytes;
  return picture;
}

BgrImage fromPicture(const tessaly::stitch::test::Picture& picture) {
  BgrImage image = makeImage(picture.width, picture.height);
  image.bytes = picture.bytes;
  return image;
}

ScanPiece plainPiece(double centreX, double centreY, double angle) {
  ScanPiece piece;
  piece.centreX = centreX;
  piece.centreY = centreY;
  piece.angleDegrees = angle;
  piece.width = 160;
  piece.height = 120;
  return piece;
}

double meanOf(const BgrImage& image) {
  double sum = 0;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t i = 0; i < image.width * 3; ++i) sum += image.row(y)[i];
  return sum / (double(image.width) * image.height * 3);
}

TEST(ScanRender, TiltedPieceShowsThePageWhereItsPlacementSays) {
  const BgrImage page = tessaly::cli::test::shapesPage(400, 300);
  for (const double angle : {0.0, 1.3, -2.5}) {
    const ScanPiece piece = plainPiece(201.25, 148.5, angle);
    const BgrImage scan = sampleTilted(page, piece);
    // The stitch tests' own cutter documents the same mapping; the two agree to rounding.
    const BgrImage expected = fromPicture(tessaly::stitch::test::cutPiece(
        toPicture(page), piece.centreX, piece.centreY, piece.width, piece.height, angle));
    EXPECT_LE(tessaly::cli::test::largestDifference(scan, expected, 2), 1) << "angle " << angle;
  }
}

TEST(ScanRender, PaperBeyondThePageShowsTheWhiteLid) {
  const BgrImage page = makeImage(100, 100, 0);
  const BgrImage scan = sampleTilted(page, plainPiece(99.5, 50, 0));  // half over the edge
  EXPECT_EQ(scan.pixel(10, 60)[1], 0);
  EXPECT_EQ(scan.pixel(150, 60)[1], 255);
}

TEST(ScanRender, FileTurnedByUprightQuarterTurnsGivesTheUprightScan) {
  const BgrImage page = tessaly::cli::test::shapesPage(400, 300);
  ScanPiece piece = plainPiece(200, 150, 0.7);
  piece.noise = 3;
  piece.blur = 0.6;
  const BgrImage upright = renderScan(page, piece, 9);
  for (const int degrees : {90, 180, 270}) {
    piece.turnDegrees = degrees;
    const BgrImage file = renderScan(page, piece, 9);
    EXPECT_EQ(file.width, degrees == 180 ? upright.width : upright.height);
    const tessaly::stitch::test::Picture back =
        tessaly::stitch::test::turnByElementarySteps(toPicture(file), uprightQuarterTurns(degrees));
    EXPECT_TRUE(back.samePixels(toPicture(upright))) << degrees;
  }
  // Clockwise by 90: the upright top-left corner ends up top right in the file.
  piece.turnDegrees = 90;
  const BgrImage file = renderScan(page, piece, 9);
  EXPECT_EQ(0, std::memcmp(file.pixel(file.width - 1, 0), upright.pixel(0, 0), 3));
}

TEST(ScanRender, ToneFollowsBrightnessContrastAndGamma) {
  BgrImage identity = tessaly::cli::test::shapesPage(64, 64);
  const BgrImage original = identity;
  applyTone(identity, 0, 1, 1);
  EXPECT_EQ(tessaly::cli::test::largestDifference(identity, original, 0), 0);

  auto toned = [](uint8_t level, double b, double c, double g) {
    BgrImage grey = makeImage(4, 4, level);
    applyTone(grey, b, c, g);
    return int(grey.pixel(1, 1)[0]);
  };
  EXPECT_EQ(toned(128, 10, 1, 1), 138);
  EXPECT_EQ(toned(250, 10, 1, 1), 255);  // clipped, never wrapped
  EXPECT_LT(toned(200, 0, 1.2, 1), 255);
  EXPECT_GT(toned(200, 0, 1.2, 1), 200);  // more contrast: light gets lighter
  EXPECT_LT(toned(50, 0, 1.2, 1), 50);    // and dark darker
  EXPECT_GT(toned(128, 0, 1, 0.9), 128);  // gamma below one lifts the middle tones
  EXPECT_EQ(toned(0, 0, 1, 0.9), 0);
}

TEST(ScanRender, NoiseHasTheAskedSpreadAndEachPieceItsOwn) {
  BgrImage a = makeImage(200, 200, 128);
  BgrImage b = a, c = a;
  addNoise(a, 4, 7, 1);
  addNoise(b, 4, 7, 1);
  addNoise(c, 4, 7, 2);
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_NE(a.bytes, c.bytes);
  double sum = 0, squares = 0;
  const double n = 200.0 * 200 * 3;
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t i = 0; i < 600; ++i) {
      const double d = a.row(y)[i] - 128.0;
      sum += d;
      squares += d * d;
    }
  EXPECT_NEAR(sum / n, 0, 0.1);
  EXPECT_NEAR(std::sqrt(squares / n), 4, 0.3);
}

TEST(ScanRender, BlurSoftensEdgesAndKeepsFlatAreasAndTheMean) {
  BgrImage image = makeImage(40, 20, 0);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 20; x < 40; ++x) image.pixel(x, y)[0] = 200;
  const double before = meanOf(image);
  BgrImage untouched = image;
  blurGaussian(untouched, 0.1);
  EXPECT_EQ(untouched.bytes, image.bytes);
  blurGaussian(image, 1.0);
  EXPECT_EQ(image.pixel(5, 10)[0], 0);
  EXPECT_EQ(image.pixel(35, 10)[0], 200);
  EXPECT_GT(image.pixel(19, 10)[0], 20);
  EXPECT_LT(image.pixel(20, 10)[0], 180);
  EXPECT_NEAR(meanOf(image), before, 0.5);
}

}  // namespace
}  // namespace tessaly::cli
