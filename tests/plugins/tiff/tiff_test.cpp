// The TIFF plug-in on files as libtiff writes them: tiles, white-is-zero grey, small palettes,
// JPEG-compressed YCbCr, resolutions in centimetres, layouts it refuses; and the tags it writes.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "plugin_driver.h"
#include "temp_folder.h"

namespace {

using tessaly::test::decode;
using tessaly::test::encode;
using Bytes = std::vector<uint8_t>;

// Writes a file with libtiff into a temporary file, sets its tags with tags, writes its rows
// (scanlines, or tiles when tileSize is not 0) and returns the bytes.
Bytes libtiffFile(uint32_t width, uint32_t height, const std::function<void(TIFF*)>& tags,
                  const std::vector<Bytes>& rows, uint32_t tileSize = 0) {
  const tessaly::test::TempFolder folder;
  const std::string name = folder.file("libtiff.tif");
  TIFF* t = TIFFOpen(name.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  tags(t);
  if (tileSize == 0) {
    for (uint32_t y = 0; y < height; ++y)
      TIFFWriteScanline(t, const_cast<uint8_t*>(rows[y].data()), y, 0);
  } else {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, tileSize);
    TIFFSetField(t, TIFFTAG_TILELENGTH, tileSize);
    const size_t rowBytes = rows[0].size(), pixel = rowBytes / width;
    Bytes tile(TIFFTileSize(t));
    for (uint32_t ty = 0; ty < height; ty += tileSize)
      for (uint32_t tx = 0; tx < width; tx += tileSize) {
        std::fill(tile.begin(), tile.end(), 0);
        for (uint32_t y = ty; y < std::min(height, ty + tileSize); ++y)
          for (uint32_t x = tx; x < std::min(width, tx + tileSize); ++x)
            std::copy_n(&rows[y][x * pixel], pixel,
                        &tile[((y - ty) * tileSize + (x - tx)) * pixel]);
        TIFFWriteTile(t, tile.data(), tx, ty, 0, 0);
      }
  }
  TIFFClose(t);
  std::ifstream in(name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), {});
}

void rgb8(TIFF* t) {
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
}

std::vector<Bytes> rgbRows(uint32_t width, uint32_t height) {
  std::vector<Bytes> rows(height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      rows[y].insert(rows[y].end(), {uint8_t(x * 5), uint8_t(y * 7), uint8_t(x + y)});
  return rows;
}

// The rows in the plug-in's blue-green-red order, top first.
Bytes asBgr(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& r : rows)
    for (size_t i = 0; i < r.size(); i += 3) out.insert(out.end(), {r[i + 2], r[i + 1], r[i]});
  return out;
}

TEST(TiffRead, TilesWithPartialEdgesReadLikeStrips) {
  const std::vector<Bytes> rows = rgbRows(40, 21);
  const tessaly::test::Decoded tiled = decode(libtiffFile(40, 21, rgb8, rows, 16), 7);
  ASSERT_EQ(tiled.error, 0);
  EXPECT_EQ(tiled.rows, asBgr(rows));
  EXPECT_EQ(decode(libtiffFile(40, 21, rgb8, rows)).rows, asBgr(rows));
}

TEST(TiffRead, WhiteIsZeroGreyIsTurnedRound) {
  const auto whiteIsZero = [](int bits) {
    return [bits](TIFF* t) {
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    };
  };
  EXPECT_EQ(decode(libtiffFile(3, 1, whiteIsZero(8), {{0, 100, 255}})).rows, (Bytes{255, 155, 0}));
  EXPECT_EQ(decode(libtiffFile(4, 1, whiteIsZero(1), {{0x50}})).rows, (Bytes{255, 0, 255, 0}));
}

TEST(TiffRead, SmallPalettesAreSpreadToIndices) {
  const auto palette4 = [](TIFF* t) {
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 4);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    uint16_t red[16], green[16], blue[16];
    for (int i = 0; i < 16; ++i) {
      red[i] = uint16_t(i * 4096);
      green[i] = 0;
      blue[i] = 65535;
    }
    TIFFSetField(t, TIFFTAG_COLORMAP, red, green, blue);
  };
  const tessaly::test::Decoded d = decode(libtiffFile(3, 1, palette4, {{0x2F, 0x70}}));
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.rows, (Bytes{2, 15, 7}));
  EXPECT_EQ(d.image.paletteCount, 16);
  EXPECT_EQ(d.image.palette[15].red, 240);
  EXPECT_EQ(d.image.palette[15].blue, 255);
}

TEST(TiffRead, JpegCompressedYCbCrComesOutAsColour) {
  const auto ycbcr = [](TIFF* t) {
    rgb8(t);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  };
  std::vector<Bytes> rows(32, Bytes());
  for (Bytes& r : rows)
    for (int x = 0; x < 32; ++x) r.insert(r.end(), {200, 60, 30});
  const tessaly::test::Decoded d = decode(libtiffFile(32, 32, ycbcr, rows));
  ASSERT_EQ(d.error, 0);
  EXPECT_NEAR(d.rows[0], 30, 4);
  EXPECT_NEAR(d.rows[2], 200, 4);
}

TEST(TiffRead, ResolutionInCentimetresBecomesDotsPerInch) {
  const auto centimetres = [](TIFF* t) {
    rgb8(t);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 118.11f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 59.055f);
  };
  const tessaly::test::Decoded d = decode(libtiffFile(2, 2, centimetres, rgbRows(2, 2)));
  EXPECT_EQ(d.xDpi, 300);
  EXPECT_EQ(d.yDpi, 150);
}

TEST(TiffRead, LayoutsItCannotDeliverAreRefused) {
  const auto separatePlanes = [](TIFF* t) {
    rgb8(t);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
  };
  const auto floats = [](TIFF* t) {
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  };
  EXPECT_EQ(decode(libtiffFile(2, 1, separatePlanes, {Bytes(6)})).error, PLUG_ERR_BAD_DATA);
  EXPECT_EQ(decode(libtiffFile(2, 1, floats, {Bytes(8)})).error, PLUG_ERR_BAD_DATA);
}

TEST(TiffWrite, TheOptionChoosesTheCompressionAndTheTagsSayIt) {
  const tessaly::test::Picture p = tessaly::test::pattern(PLUG_COLOR_BGR, 24, 30, 30);
  const SaveOptions lzw = {sizeof lzw, 5, 0};
  const Bytes file = encode(p, &lzw, 300);
  const tessaly::test::TempFolder folder;
  const std::string name = folder.file("written.tif");
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), file.size());
  TIFF* t = TIFFOpen(name.c_str(), "r");
  ASSERT_NE(t, nullptr);
  uint16_t compression = 0, unit = 0;
  float x = 0;
  TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  TIFFGetField(t, TIFFTAG_XRESOLUTION, &x);
  EXPECT_EQ(compression, COMPRESSION_LZW);
  EXPECT_EQ(unit, RESUNIT_INCH);
  EXPECT_FLOAT_EQ(x, 300);
  TIFFClose(t);
  int32_t error = 0;
  EXPECT_TRUE(encode(p, &lzw, 0, &error, 100).empty());
  EXPECT_EQ(error, PLUG_ERR_SHORT_WRITE);
}

}  // namespace
