// The JPEG plug-in: quality and resolution, the colour spaces other programs write (CMYK with
// and without inverted samples, densities in centimetres), and files that end early.
#include <gtest/gtest.h>

#include <cstdlib>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "plugin_driver.h"

namespace {

using tessaly::test::decode;
using tessaly::test::encode;
using Bytes = std::vector<uint8_t>;

// A file made by libjpeg itself: width x height pixels of one colour in the given space.
Bytes libjpegFile(J_COLOR_SPACE space, int components, const uint8_t* pixel, int width, int height,
                  int densityUnit = 0, int density = 0) {
  jpeg_compress_struct c;
  jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  c.density_unit = UINT8(densityUnit);
  c.X_density = c.Y_density = UINT16(density);
  jpeg_start_compress(&c, TRUE);
  Bytes row(size_t(width) * components);
  for (int x = 0; x < width; ++x)
    for (int k = 0; k < components; ++k) row[size_t(x) * components + k] = pixel[k];
  for (int y = 0; y < height; ++y) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes file(out, out + size);
  std::free(out);
  return file;
}

TEST(JpegWrite, QualityIsTheMainOptionAndResolutionIsStored) {
  const tessaly::test::Picture p = tessaly::test::pattern(PLUG_COLOR_BGR, 24, 64, 64);
  const SaveOptions low = {sizeof low, 20, 0}, high = {sizeof high, 98, 0};
  const Bytes small = encode(p, &low, 300), large = encode(p, &high, 300);
  ASSERT_FALSE(small.empty());
  EXPECT_LT(small.size() * 2, large.size());
  const tessaly::test::Decoded d = decode(large);
  EXPECT_EQ(d.error, 0);
  EXPECT_EQ(d.xDpi, 300);
  EXPECT_EQ(d.yDpi, 300);
  EXPECT_EQ(d.image.colorModel, PLUG_COLOR_BGR);
}

TEST(JpegWrite, GreyStaysGreyAndSizesBeyondTheFormatAreRefused) {
  const tessaly::test::Picture grey = tessaly::test::smooth(PLUG_COLOR_GREY, 8, 30, 20);
  const tessaly::test::Decoded d = decode(encode(grey));
  EXPECT_EQ(d.image.colorModel, PLUG_COLOR_GREY);
  EXPECT_EQ(d.image.bits, 8);
  EXPECT_EQ(d.rows.size(), grey.rows.size());
  tessaly::test::Picture huge = grey;
  huge.width = 70000;
  int32_t error = 0;
  EXPECT_TRUE(encode(huge, nullptr, 0, &error).empty());
  EXPECT_EQ(error, PLUG_ERR_BAD_DATA);
}

TEST(JpegWrite, AFullStreamFailsWithShortWrite) {
  int32_t error = 0;
  EXPECT_TRUE(
      encode(tessaly::test::pattern(PLUG_COLOR_BGR, 24, 64, 64), nullptr, 0, &error, 500).empty());
  EXPECT_EQ(error, PLUG_ERR_SHORT_WRITE);
}

// Magenta as CMYK: no cyan, full magenta, no yellow, no black. libjpeg writes CMYK with the
// marker that says its samples are inverted (255 = no ink).
TEST(JpegRead, CmykIsConvertedToBlueGreenRed) {
  const uint8_t inverted[4] = {255, 0, 255, 255};
  const tessaly::test::Decoded d = decode(libjpegFile(JCS_CMYK, 4, inverted, 16, 16));
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.image.colorModel, PLUG_COLOR_BGR);
  EXPECT_NEAR(d.rows[0], 255, 3);  // blue
  EXPECT_NEAR(d.rows[1], 0, 3);    // green
  EXPECT_NEAR(d.rows[2], 255, 3);  // red
}

TEST(JpegRead, DensityInCentimetresBecomesDotsPerInch) {
  const uint8_t grey[1] = {90};
  const tessaly::test::Decoded cm = decode(libjpegFile(JCS_GRAYSCALE, 1, grey, 8, 8, 2, 118));
  EXPECT_EQ(cm.xDpi, 300);
  const tessaly::test::Decoded aspect = decode(libjpegFile(JCS_GRAYSCALE, 1, grey, 8, 8, 0, 1));
  EXPECT_EQ(aspect.xDpi, 0);  // a pixel aspect ratio is no resolution
}

TEST(JpegRead, FilesThatEndEarlyAreDamagedNotPadded) {
  const Bytes file = encode(tessaly::test::pattern(PLUG_COLOR_BGR, 24, 48, 48));
  for (const size_t cut : {size_t(4), size_t(200), file.size() / 2, file.size() - 3}) {
    const tessaly::test::Decoded d = decode(tessaly::test::truncated(file, cut));
    EXPECT_EQ(d.error, PLUG_ERR_BAD_DATA) << cut;
  }
  Bytes garbage = {0xFF, 0xD8, 0xFF};
  garbage.resize(400, 0x11);
  EXPECT_EQ(decode(garbage).error, PLUG_ERR_BAD_DATA);
}

}  // namespace
