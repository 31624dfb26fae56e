// The PNG plug-in on files of every colour type and bit depth as libpng writes them, interlaced
// or not, and on damaged files.
#include <gtest/gtest.h>
#include <png.h>

#include "plugin_driver.h"

namespace {

using tessaly::test::decode;
using tessaly::test::encode;
using Bytes = std::vector<uint8_t>;

void append(png_structp png, png_bytep data, size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

// A file made by libpng itself from rows in the file's own layout.
Bytes libpngFile(int width, int height, int depth, int type, const std::vector<Bytes>& rows,
                 bool interlaced = false, int paletteSize = 0) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, append, nullptr);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, type,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[16];
  for (int i = 0; i < 16; ++i) palette[i] = {uint8_t(i * 16), uint8_t(i), uint8_t(255 - i)};
  if (paletteSize > 0) png_set_PLTE(png, info, palette, paletteSize);
  png_set_pHYs(png, info, 3937, 7874, PNG_RESOLUTION_METER);  // 100 and 200 dots per inch
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const Bytes& r : rows) pointers.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngWrite, EveryLayoutRoundTripsExactly) {
  for (const auto& [model, bits] :
       std::vector<std::pair<int32_t, int32_t>>{{PLUG_COLOR_BGR, 24},
                                                {PLUG_COLOR_BGR, 48},
                                                {PLUG_COLOR_GREY, 8},
                                                {PLUG_COLOR_GREY, 16},
                                                {PLUG_COLOR_INDEXED, 8}}) {
    SCOPED_TRACE(testing::Message() << model << "/" << bits);
    const tessaly::test::Picture p = tessaly::test::pattern(model, bits, 17, 9);
    const tessaly::test::Decoded d = decode(encode(p, nullptr, 600));
    ASSERT_EQ(d.error, 0);
    EXPECT_EQ(d.image.colorModel, model);
    EXPECT_EQ(d.image.bits, bits);
    EXPECT_EQ(d.rows, p.rows);
    EXPECT_EQ(d.xDpi, 600);
  }
}

TEST(PngRead, LowDepthGreyIsStretchedAndPaletteIndicesAreSpread) {
  // 2-bit grey 0 1 2 3, then 4-bit palette indices 1 and 15.
  const tessaly::test::Decoded grey = decode(libpngFile(4, 1, 2, PNG_COLOR_TYPE_GRAY, {{0x1B}}));
  EXPECT_EQ(grey.rows, (Bytes{0, 85, 170, 255}));
  EXPECT_EQ(grey.xDpi, 100);
  EXPECT_EQ(grey.yDpi, 200);
  const tessaly::test::Decoded indexed =
      decode(libpngFile(2, 1, 4, PNG_COLOR_TYPE_PALETTE, {{0x1F}}, false, 16));
  EXPECT_EQ(indexed.rows, (Bytes{1, 15}));
  EXPECT_EQ(indexed.image.paletteCount, 16);
  EXPECT_EQ(indexed.image.palette[15].red, 240);
}

TEST(PngRead, AlphaIsKeptAtEightBitsAndDroppedAtSixteen) {
  const tessaly::test::Decoded rgba =
      decode(libpngFile(1, 1, 8, PNG_COLOR_TYPE_RGBA, {{1, 2, 3, 4}}));
  EXPECT_EQ(rgba.image.bits, 32);
  EXPECT_EQ(rgba.image.layerCount, 1);
  EXPECT_EQ(rgba.layer.hasAlpha, 1);
  EXPECT_EQ(rgba.rows, (Bytes{3, 2, 1, 4}));
  const tessaly::test::Decoded greyAlpha =
      decode(libpngFile(1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{9, 200}}));
  EXPECT_EQ(greyAlpha.rows, (Bytes{9, 9, 9, 200}));
  // 16-bit samples are stored big-endian and delivered little-endian, without the alpha.
  const tessaly::test::Decoded rgba16 =
      decode(libpngFile(1, 1, 16, PNG_COLOR_TYPE_RGBA, {{1, 2, 3, 4, 5, 6, 7, 8}}));
  EXPECT_EQ(rgba16.image.bits, 48);
  EXPECT_EQ(rgba16.rows, (Bytes{6, 5, 4, 3, 2, 1}));
}

TEST(PngRead, InterlacedFilesReadLikePlainOnes) {
  std::vector<Bytes> rows;
  for (int y = 0; y < 13; ++y) {
    Bytes row;
    for (int x = 0; x < 11; ++x) row.insert(row.end(), {uint8_t(x * 20), uint8_t(y * 19), 7});
    rows.push_back(row);
  }
  const tessaly::test::Decoded plain = decode(libpngFile(11, 13, 8, PNG_COLOR_TYPE_RGB, rows));
  const tessaly::test::Decoded interlaced =
      decode(libpngFile(11, 13, 8, PNG_COLOR_TYPE_RGB, rows, true), 5);
  ASSERT_EQ(interlaced.error, 0);
  EXPECT_EQ(interlaced.rows, plain.rows);
  EXPECT_EQ(plain.rows[0], 7);  // blue first
}

TEST(PngRead, DamagedFilesFailCleanly) {
  Bytes file = encode(tessaly::test::pattern(PLUG_COLOR_BGR, 24, 20, 20));
  Bytes badCrc = file;
  badCrc[29] ^= 0xFF;  // the header chunk's checksum
  EXPECT_EQ(decode(badCrc).error, PLUG_ERR_BAD_DATA);
  Bytes tooWide = file;
  tooWide[16] = 0x7F;  // width beyond what the plug-in takes
  EXPECT_EQ(decode(tooWide).error, PLUG_ERR_BAD_DATA);
  EXPECT_EQ(decode(tessaly::test::truncated(file, file.size() / 2)).error, PLUG_ERR_BAD_DATA);
  int32_t error = 0;
  EXPECT_TRUE(
      encode(tessaly::test::pattern(PLUG_COLOR_BGR, 24, 64, 64), nullptr, 0, &error, 100).empty());
  EXPECT_EQ(error, PLUG_ERR_SHORT_WRITE);
}

}  // namespace
