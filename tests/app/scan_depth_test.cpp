// Scans kept at their depth in the work folder: hand-made bitmaps of every depth a source
// delivers, and the test backend's bilevel, grey and colour scans at 8 and 16 bits, stored and
// read back with libtiff: bits per sample, samples per pixel, photometric, palette, resolution and
// every pixel against the bitmap the transfer built.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>

#include "folders.h"
#include "plugin_interface.h"
#include "sane_test_backend.h"
#include "scan_store.h"
#include "scanned_image.h"
#include "twain_library.h"
#include "twain_session.h"
#include "user_folders.h"

using namespace tessaly::app;
namespace fs = std::filesystem;

namespace {

struct StoredTiff {
  uint32_t width = 0, height = 0;
  uint16_t bitsPerSample = 0, samplesPerPixel = 0, photometric = 0;
  float xResolution = 0;
  uint16_t paletteRed1 = 0;  // red of palette entry 1, 16-bit
  std::vector<std::vector<uint8_t>> rows;
};

std::optional<StoredTiff> readTiff(const std::string& path) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return std::nullopt;
  StoredTiff file;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &file.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &file.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &file.bitsPerSample);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &file.samplesPerPixel);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &file.photometric);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &file.xResolution);
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) == 1) file.paletteRed1 = red[1];
  for (uint32_t y = 0; y < file.height; ++y) {
    std::vector<uint8_t> row(size_t(TIFFScanlineSize(tif)));
    if (TIFFReadScanline(tif, row.data(), y, 0) != 1) break;
    file.rows.push_back(std::move(row));
  }
  TIFFClose(tif);
  return file;
}

// The bytes the file should hold for row y (from the top) of the bitmap: grey and indexed rows
// as they are (1-bit rows turned round when the bitmap's palette starts with white), colour with
// blue and red exchanged, samples kept whole.
std::vector<uint8_t> expectedRow(const ScannedImage& image, int32_t y, bool invert) {
  const int32_t bits = image.header.bitCount;
  const uint8_t* row = image.bits.data() + size_t(image.header.height - 1 - y) * image.rowBytes;
  const size_t bytes = (size_t(image.header.width) * size_t(bits) + 7) / 8;
  std::vector<uint8_t> out(row, row + bytes);
  if (invert)
    for (uint8_t& b : out) b = uint8_t(~b);
  if (image.rgb) {
    const size_t sample = size_t(bits / 24);
    for (size_t p = 0; p + 3 * sample <= bytes; p += 3 * sample)
      for (size_t i = 0; i < sample; ++i) std::swap(out[p + i], out[p + 2 * sample + i]);
  }
  return out;
}

// Compares every row of the file with the bitmap; 1-bit rows only in the bits that hold pixels.
void expectPixels(const StoredTiff& file, const ScannedImage& image, bool invert) {
  ASSERT_EQ(file.rows.size(), size_t(image.header.height));
  for (int32_t y = 0; y < image.header.height; ++y) {
    std::vector<uint8_t> want = expectedRow(image, y, invert);
    std::vector<uint8_t> got = file.rows[size_t(y)];
    ASSERT_EQ(got.size(), want.size()) << "row " << y;
    if (image.header.bitCount == 1 && image.header.width % 8 != 0) {
      const auto mask = uint8_t(0xFF << (8 - image.header.width % 8));
      want.back() &= mask;
      got.back() &= mask;
    }
    ASSERT_EQ(got, want) << "row " << y;
  }
}

ScannedImage patterned(int32_t width, int32_t height, uint16_t bits, bool rgb,
                       std::vector<DibColour> palette) {
  ScannedImage image;
  image.header.width = width;
  image.header.height = height;
  image.header.bitCount = bits;
  image.header.xPelsPerMeter = image.header.yPelsPerMeter = pelsPerMeter(300, TWUN_INCHES);
  image.rowBytes = uint32_t((width * bits + 31) / 32 * 4);
  image.bits.resize(size_t(image.rowBytes) * size_t(height));
  for (size_t i = 0; i < image.bits.size(); ++i) image.bits[i] = uint8_t(i * 37 + i / 97);
  image.rgb = rgb;
  image.palette = std::move(palette);
  image.header.clrUsed = uint32_t(image.palette.size());
  return image;
}

struct DepthCase {
  const char* name;
  ScannedImage image;
  uint16_t bitsPerSample, samplesPerPixel, photometric;
  bool inverted;
};

int filesIn(const std::string& folder) {
  if (!fs::exists(folder)) return 0;
  return int(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(ScanStore, EveryDepthIsStoredAsItWasScannedWithItsResolution) {
  const app_test::UserFolders user;
  std::vector<DibColour> colours = paletteFor(TWPT_GRAY, 0, nullptr);
  std::reverse(colours.begin(), colours.end());  // not plain grey: kept as a palette
  const DepthCase cases[] = {
      {"vanilla bilevel", patterned(37, 5, 1, false, paletteFor(TWPT_BW, TWPF_VANILLA, nullptr)), 1,
       1, PHOTOMETRIC_MINISBLACK, true},
      {"chocolate bilevel",
       patterned(16, 3, 1, false, paletteFor(TWPT_BW, TWPF_CHOCOLATE, nullptr)), 1, 1,
       PHOTOMETRIC_MINISBLACK, false},
      {"grey", patterned(13, 4, 8, false, paletteFor(TWPT_GRAY, 0, nullptr)), 8, 1,
       PHOTOMETRIC_MINISBLACK, false},
      {"palette", patterned(13, 4, 8, false, colours), 8, 1, PHOTOMETRIC_PALETTE, false},
      {"16-bit grey", patterned(11, 3, 16, false, paletteFor(TWPT_GRAY, 0, nullptr)), 16, 1,
       PHOTOMETRIC_MINISBLACK, false},
      {"colour", patterned(7, 3, 24, true, {}), 8, 3, PHOTOMETRIC_RGB, false},
      {"48-bit colour", patterned(5, 3, 48, true, {}), 16, 3, PHOTOMETRIC_RGB, false},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<QString> path = storeScan(c.image);
    ASSERT_TRUE(path);
    const std::optional<StoredTiff> file = readTiff(path->toStdString());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->width, uint32_t(c.image.header.width));
    EXPECT_EQ(file->bitsPerSample, c.bitsPerSample);
    EXPECT_EQ(file->samplesPerPixel, c.samplesPerPixel);
    EXPECT_EQ(file->photometric, c.photometric);
    EXPECT_FLOAT_EQ(file->xResolution, 300.0f);
    if (c.photometric == PHOTOMETRIC_PALETTE) {
      EXPECT_EQ(file->paletteRed1, 254 * 257);
    }
    expectPixels(*file, c.image, c.inverted);
  }
  EXPECT_EQ(filesIn(pictBinFolder()), int(std::size(cases))) << "no staging file is left";
}

TEST(ScanStore, ADepthNoFileHoldsWritesNothing) {
  const app_test::UserFolders user;
  const ScannedImage nibbles = patterned(9, 2, 4, false, paletteFor(3, 0, nullptr));
  EXPECT_FALSE(scanFileLayout(nibbles));
  EXPECT_FALSE(storeScan(nibbles));
  ScannedImage short_ = patterned(9, 2, 8, false, paletteFor(TWPT_GRAY, 0, nullptr));
  short_.bits.resize(10);  // fewer bytes than its rows need
  EXPECT_FALSE(storeScan(short_));
  EXPECT_EQ(filesIn(pictBinFolder()), 0);
}

// The test backend's scans, received through the real source manager and stored.
class BackendScanStore : public testing::Test {
 protected:
  void SetUp() override {
    session_.setParent(&parent_);
    session_.imageArrived = [this](std::unique_ptr<ScannedImage> image) {
      image_ = std::move(image);
    };
  }
  void TearDown() override { session_.closeAll(); }

  // One scan with the backend set to `mode` and `depth`; the image received, or null.
  void scan(const std::string& mode, int depth, const std::string& picture) {
    image_.reset();
    app_test::writeSaneTestBackend(
        app_test::saneConfigFolder(),
        {{"mode", mode}, {"depth", std::to_string(depth)}, {"test-picture", picture}});
    ASSERT_EQ(session_.acquire("test:0"), TwainSession::kStarted);
    auto* window = parent_.findChild<QDialog*>("twain_scan");
    ASSERT_TRUE(window);
    window->findChild<QPushButton*>("butn_scan")->click();
    QElapsedTimer clock;
    clock.start();
    while (!image_ && clock.elapsed() < 10000) {
      session_.filterEvent();
      QApplication::processEvents();
    }
    session_.closeAll();
  }

  app_test::UserFolders user_;
  QWidget parent_;
  TwainSession session_{sharedManagerLibrary(), "Tessaly tests"};
  std::unique_ptr<ScannedImage> image_;
};

TEST_F(BackendScanStore, BilevelGreyAndColourScansKeepTheirDepth) {
  struct Case {
    const char* mode;
    int depth;
    const char* picture;
    uint16_t bitsPerSample, samplesPerPixel;
  };
  for (const Case& c :
       {Case{"Gray", 1, "\"Grid\"", 1, 1}, Case{"Gray", 8, "\"Grid\"", 8, 1},
        Case{"Gray", 16, "\"Color pattern\"", 16, 1}, Case{"Color", 8, "\"Color pattern\"", 8, 3},
        Case{"Color", 16, "\"Color pattern\"", 16, 3}}) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.depth));
    scan(c.mode, c.depth, c.picture);
    ASSERT_TRUE(image_);
    const std::optional<QString> path = storeScan(*image_);
    ASSERT_TRUE(path);
    const std::optional<StoredTiff> file = readTiff(path->toStdString());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->bitsPerSample, c.bitsPerSample);
    EXPECT_EQ(file->samplesPerPixel, c.samplesPerPixel);
    EXPECT_FLOAT_EQ(file->xResolution, 50.0f);
    const std::optional<ScanFileLayout> layout = scanFileLayout(*image_);
    ASSERT_TRUE(layout);
    expectPixels(*file, *image_, layout->invertBits);
    if (c.depth == 1) {
      // The grid's black lines are black in the file too: bit 0 in a file where 1 is white.
      EXPECT_EQ(file->photometric, PHOTOMETRIC_MINISBLACK);
      EXPECT_TRUE(layout->invertBits) << "the source's bilevel scans are vanilla";
    }
  }
}

}  // namespace
