// Pictures' rows, resolution and save options, and rasters turned into pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <cstring>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "tessaly/host/operations.h"

namespace {

using namespace tessaly::host;

intptr_t ptr(const void* value) {
  return reinterpret_cast<intptr_t>(value);
}

// A picture of `image` (one reference).
ZanObject* pictureOf(const QImage& image) {
  ZanObject* picture = Zan0CreateObj(kPicture);
  Zan0Inter(picture, op::kPictureSetImage, ptr(&image));
  return picture;
}

// 3 x 2: the top line red, green, blue; the bottom line black, white, grey.
QImage sixPixels() {
  QImage image(3, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(0, 255, 0));
  image.setPixel(2, 0, qRgb(0, 0, 255));
  image.setPixel(0, 1, qRgb(0, 0, 0));
  image.setPixel(1, 1, qRgb(255, 255, 255));
  image.setPixel(2, 1, qRgb(10, 20, 30));
  return image;
}

TEST(HostPictures, RowsComeBottomFirstAsBlueGreenRed) {
  ZanObject* picture = pictureOf(sixPixels());
  std::vector<uint8_t> pixels(2 * 12, 0xAA);  // rows padded to 12 bytes
  RowRequest request{0, 2, 12, 24, pixels.data()};
  ASSERT_EQ(Zan0Inter(picture, op::kPictureReadRows, ptr(&request)), 2);
  const std::vector<uint8_t> expected = {
      0, 0, 0,   255, 255, 255, 30,  20, 10, 0xAA, 0xAA, 0xAA,  // bottom line
      0, 0, 255, 0,   255, 0,   255, 0,  0,  0xAA, 0xAA, 0xAA,  // top line
  };
  EXPECT_EQ(pixels, expected);

  // One row from the middle of the range; a request running past the top is cut short.
  std::vector<uint8_t> row(12, 0);
  RowRequest top{1, 5, 12, 24, row.data()};
  EXPECT_EQ(Zan0Inter(picture, op::kPictureReadRows, ptr(&top)), 1);
  EXPECT_EQ(row[2], 255);  // red's red byte comes third
  Zan0Release(picture);
}

TEST(HostPictures, RowRequestsOutsideThePictureOrTooNarrowReadNothing) {
  ZanObject* picture = pictureOf(sixPixels());
  std::vector<uint8_t> pixels(64, 0);
  for (RowRequest request :
       {RowRequest{2, 1, 12, 24, pixels.data()}, RowRequest{-1, 1, 12, 24, pixels.data()},
        RowRequest{0, 0, 12, 24, pixels.data()},
        RowRequest{0, 1, 8, 24, pixels.data()},  // a row needs 9 bytes
        RowRequest{0, 1, 12, 32, pixels.data()}, RowRequest{0, 1, 12, 24, nullptr}}) {
    EXPECT_EQ(Zan0Inter(picture, op::kPictureReadRows, ptr(&request)), 0)
        << request.first << " " << request.count << " " << request.bytesPerLine;
  }
  EXPECT_EQ(pixels, std::vector<uint8_t>(64, 0));
  ZanObject* empty = Zan0CreateObj(kPicture);
  RowRequest request{0, 1, 12, 24, pixels.data()};
  EXPECT_EQ(Zan0Inter(empty, op::kPictureReadRows, ptr(&request)), 0);
  Zan0Release(empty);
  Zan0Release(picture);
}

TEST(HostPictures, ARasterFilledRowByRowBecomesThePictureUpright) {
  ZanObject* raster = Zan0CreateObj(kRaster);
  ASSERT_EQ(Zan0Inter(raster, op::kRasterCreate, 3, 2), 1);
  EXPECT_EQ(Zan0Inter(raster, op::kRasterBytesPerLine), 12);
  auto* bottom = reinterpret_cast<uint8_t*>(Zan0Inter(raster, op::kRasterRow, 0));
  auto* top = reinterpret_cast<uint8_t*>(Zan0Inter(raster, op::kRasterRow, 1));
  ASSERT_TRUE(bottom && top);
  EXPECT_EQ(top - bottom, 12);
  EXPECT_EQ(bottom[0], 0xFF);  // a new raster is white
  EXPECT_EQ(Zan0Inter(raster, op::kRasterRow, 2), 0);
  EXPECT_EQ(Zan0Inter(raster, op::kRasterRow, -1), 0);
  const uint8_t blueGreenRed[3] = {200, 100, 50};
  std::memcpy(bottom + 3, blueGreenRed, 3);

  ZanObject* picture = Zan0CreateObj(kPicture);
  ASSERT_EQ(Zan0Inter(picture, op::kPictureFromRaster, ptr(raster)), 1);
  QImage image;
  Zan0Inter(picture, op::kPictureImage, ptr(&image));
  ASSERT_EQ(image.size(), QSize(3, 2));
  EXPECT_EQ(image.pixel(1, 1), qRgb(50, 100, 200));  // the bottom line
  EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));

  // And back: the rows read equal the raster's.
  std::vector<uint8_t> rows(24, 0);
  RowRequest request{0, 2, 12, 24, rows.data()};
  ASSERT_EQ(Zan0Inter(picture, op::kPictureReadRows, ptr(&request)), 2);
  EXPECT_EQ(std::memcmp(rows.data(), bottom, 9), 0);
  EXPECT_EQ(std::memcmp(rows.data() + 12, top, 9), 0);
  Zan0Release(picture);
  Zan0Release(raster);
}

TEST(HostPictures, RastersRefuseSizesTheyCannotHold) {
  ZanObject* raster = Zan0CreateObj(kRaster);
  EXPECT_EQ(Zan0Inter(raster, op::kRasterCreate, 0, 10), 0);
  EXPECT_EQ(Zan0Inter(raster, op::kRasterCreate, 10, -1), 0);
  EXPECT_EQ(Zan0Inter(raster, op::kRasterCreate, 100000, 100000), 0);  // 30 GB
  EXPECT_EQ(Zan0Inter(raster, op::kRasterRow, 0), 0);
  ZanObject* picture = Zan0CreateObj(kPicture);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureFromRaster, ptr(raster)), 0);   // never made
  EXPECT_EQ(Zan0Inter(picture, op::kPictureFromRaster, ptr(picture)), 0);  // not a raster
  Zan0Release(picture);
  Zan0Release(raster);
}

TEST(HostPictures, SaveOptionsAndResolutionReachTheFile) {
  QImage colours(64, 4, QImage::Format_RGB32);
  for (int x = 0; x < 64; ++x) {
    for (int y = 0; y < 4; ++y) colours.setPixel(x, y, qRgb(x * 4, 255 - x * 4, y * 60));
  }
  ZanObject* picture = pictureOf(colours);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureSaveOption, kSaveOptionBitsPerPixel), 0);
  Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionBitsPerPixel, 8);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureSaveOption, kSaveOptionBitsPerPixel), 8);
  ASSERT_EQ(Zan0Inter(picture, op::kPictureSetResolution, 300, 150), 1);
  int32_t across = 0, down = 0;
  Zan0Inter(picture, op::kPictureResolution, ptr(&across), ptr(&down));
  EXPECT_EQ(across, 300);
  EXPECT_EQ(down, 150);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureSetResolution, 0, 150), 0);

  const std::string path = std::string(testing::TempDir()) + "/host_options.png";
  ASSERT_EQ(
      Zan0Inter(picture, op::kPictureSave, host_test::text(path.c_str()), host_test::text("PNG")),
      1);
  const QImage saved(QString::fromStdString(path));
  EXPECT_EQ(saved.format(), QImage::Format_Indexed8);
  EXPECT_NEAR(saved.dotsPerMeterX() * 0.0254, 300, 0.5);
  EXPECT_NEAR(saved.dotsPerMeterY() * 0.0254, 150, 0.5);

  // Clearing the option saves the colours as they are.
  Zan0Inter(picture, op::kPictureSetSaveOption, kSaveOptionBitsPerPixel, 0);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureSaveOption, kSaveOptionBitsPerPixel), 0);
  ASSERT_EQ(Zan0Inter(picture, op::kPictureSave, host_test::text(path.c_str()), 0), 1);
  EXPECT_NE(QImage(QString::fromStdString(path)).format(), QImage::Format_Indexed8);
  EXPECT_EQ(Zan0Inter(picture, op::kPictureSave, host_test::text("/no/such/folder/x.png"), 0), 0);
  Zan0Release(picture);
}

}  // namespace
