// The scanned image's sizes, palette, row order and resolution: the sizes a source describes
// checked before anything is allocated, and the bitmap's conversions against hand-made rows.
#include <gtest/gtest.h>

#include <functional>

#include "scanned_image.h"
#include "scanner_list.h"

using namespace tessaly::app;

namespace {

TW_IMAGEINFO infoOf(int32_t width, int32_t length, int16_t bits) {
  TW_IMAGEINFO info{};
  info.ImageWidth = width;
  info.ImageLength = length;
  info.BitsPerPixel = bits;
  return info;
}

TEST(ScanLayout, RowsArePaddedAndTheBlockNeverExceedsTheImage) {
  const auto layout = transferLayout(infoOf(78, 59, 24), 1 << 20);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->rowBytes, 236u);  // 234 bytes of pixels padded to 4
  EXPECT_EQ(layout->imageBytes, 236u * 59);
  EXPECT_EQ(layout->blockBytes, 236u * 59);
  const auto bilevel = transferLayout(infoOf(33, 2, 1), 100);
  ASSERT_TRUE(bilevel);
  EXPECT_EQ(bilevel->rowBytes, 8u);
  EXPECT_EQ(bilevel->blockBytes, 16u);
}

TEST(ScanLayout, SizesThatCannotBeHeldAreRefused) {
  // A zero preferred block is one row per block, never a division by zero.
  const auto zeroBlock = transferLayout(infoOf(10, 10, 8), 0);
  ASSERT_TRUE(zeroBlock);
  EXPECT_EQ(zeroBlock->blockBytes, 12u);
  EXPECT_FALSE(transferLayout(infoOf(10, -1, 8), 4096)) << "unknown length";
  EXPECT_FALSE(transferLayout(infoOf(0, 10, 8), 4096));
  EXPECT_FALSE(transferLayout(infoOf(10, 10, 7), 4096)) << "no bitmap has 7 bits";
  // 60000 x 30000 colour pixels need more than 32 bits of bytes.
  EXPECT_FALSE(transferLayout(infoOf(60000, 30000, 24), 4096));
  EXPECT_FALSE(transferLayout(infoOf(0x7FFFFFFF, 1, 48), 4096));
}

TEST(ScanPalette, BilevelGreyColourAndSourcePalettes) {
  const auto chocolate = paletteFor(TWPT_BW, TWPF_CHOCOLATE, nullptr);
  ASSERT_EQ(chocolate.size(), 2u);
  EXPECT_EQ(chocolate[0].red, 0);
  EXPECT_EQ(chocolate[1].red, 255);
  const auto vanilla = paletteFor(TWPT_BW, TWPF_VANILLA, nullptr);
  EXPECT_EQ(vanilla[0].red, 255) << "vanilla: entry 0 is white";
  EXPECT_EQ(vanilla[1].green, 0);
  const auto grey = paletteFor(TWPT_GRAY, 0, nullptr);
  ASSERT_EQ(grey.size(), 256u);
  EXPECT_EQ(grey[77].blue, 77);
  EXPECT_TRUE(paletteFor(TWPT_RGB, 0, nullptr).empty());

  TW_PALETTE8 palette{};
  palette.NumColors = 300;  // more than the palette room holds
  for (int i = 0; i < 256; ++i) palette.Colors[i] = TW_ELEMENT8{TW_UINT8(i), 1, 2, TW_UINT8(i)};
  const auto fromSource = paletteFor(3, 0, &palette);
  ASSERT_EQ(fromSource.size(), 256u);
  EXPECT_EQ(fromSource[9].red, 1);
  EXPECT_EQ(fromSource[9].green, 2);
  EXPECT_EQ(fromSource[9].blue, 9);
  EXPECT_EQ(paletteFor(3, 0, nullptr).size(), 256u) << "no palette from the source: greys";
}

TEST(ScanResolution, ThreeHundredDotsPerInchGoThereAndBack) {
  EXPECT_EQ(pelsPerMeter(300, TWUN_INCHES), 11811);
  EXPECT_EQ(dotsPerInch(11811), 300);
  EXPECT_EQ(pelsPerMeter(100, TWUN_CENTIMETERS), 10000);
  EXPECT_EQ(pelsPerMeter(300, 5), 0) << "other units give no resolution";
  EXPECT_EQ(pelsPerMeter(-3, TWUN_INCHES), 0);
}

// A colour image of `rows` rows as the source delivers them (top row first), placed in its
// bitmap in blocks of two rows. Row y, pixel x, sample s holds 100 y + 10 x + s in its first
// byte; `before` may change the delivered rows first.
ScannedImage colourImage(int32_t width, int32_t rows, int bytesPerSample,
                         const std::function<void(std::vector<uint8_t>&, uint32_t)>& before = {}) {
  ScannedImage image;
  image.header.width = width;
  image.header.height = rows;
  image.header.bitCount = uint16_t(24 * bytesPerSample);
  image.rgb = true;
  image.rowBytes = uint32_t((width * 3 * bytesPerSample + 3) / 4 * 4);
  image.bits.assign(size_t(image.rowBytes) * size_t(rows), 0);
  std::vector<uint8_t> delivered(image.bits.size(), 0);
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int s = 0; s < 3; ++s)
        delivered[size_t(y) * image.rowBytes + size_t((x * 3 + s) * bytesPerSample)] =
            uint8_t(100 * y + 10 * x + s);
  if (before) before(delivered, image.rowBytes);
  for (uint32_t first = 0; first < uint32_t(rows); first += 2)
    placeRowsBottomUp(image, delivered.data() + first * image.rowBytes, first, 2);
  return image;
}

TEST(ScanRows, ColourRowsTurnBottomUpWithRedAndBlueExchangedOnEveryRow) {
  // The padding of the top row goes with its row.
  const ScannedImage image = colourImage(
      3, 3, 1, [](std::vector<uint8_t>& rows, uint32_t rowBytes) { rows[rowBytes - 1] = 0xAB; });
  for (int32_t y = 0; y < 3; ++y) {
    const uint8_t* row = image.bits.data() + size_t(y) * image.rowBytes;
    const int source = 2 - y;
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(row[x * 3 + 0], 100 * source + 10 * x + 2) << y << "," << x;
      EXPECT_EQ(row[x * 3 + 1], 100 * source + 10 * x + 1);
      EXPECT_EQ(row[x * 3 + 2], 100 * source + 10 * x + 0);
    }
  }
  EXPECT_EQ(image.bits[3 * image.rowBytes - 1], 0xAB);
}

TEST(ScanRows, SixteenBitSamplesMoveWithBothBytes) {
  // The second byte of the top-left red sample.
  const ScannedImage image =
      colourImage(2, 2, 2, [](std::vector<uint8_t>& rows, uint32_t) { rows[1] = 0x11; });
  const uint8_t* bottom = image.bits.data() + image.rowBytes;  // the former top row
  EXPECT_EQ(bottom[4], 0);  // red moved to the third sample: its first byte is 0 + 0
  EXPECT_EQ(bottom[5], 0x11);
  EXPECT_EQ(bottom[0], 2);  // blue came first
}

TEST(ScanRows, RowsPastTheImageAreIgnored) {
  ScannedImage grey;
  grey.header.width = 4;
  grey.header.height = 2;
  grey.header.bitCount = 8;
  grey.rowBytes = 4;
  grey.bits.assign(8, 0);
  const std::vector<uint8_t> rows(12, 7);
  placeRowsBottomUp(grey, rows.data(), 1, 3);  // only row 1 (the bitmap's first) is in the image
  EXPECT_EQ(grey.bits[0], 7);
  EXPECT_EQ(grey.bits[4], 0);
  placeRowsBottomUp(grey, rows.data(), 2, 1);
  EXPECT_EQ(grey.bits[4], 0);
}

TEST(ScanPicture, BilevelGreyAndColourBecomeUprightPicturesWithTheirResolution) {
  ScannedImage bilevel;
  bilevel.header.width = 9;
  bilevel.header.height = 2;
  bilevel.header.bitCount = 1;
  bilevel.header.xPelsPerMeter = bilevel.header.yPelsPerMeter = 11811;
  bilevel.rowBytes = 4;
  bilevel.palette = paletteFor(TWPT_BW, TWPF_VANILLA, nullptr);
  bilevel.bits = {0x00, 0, 0, 0, 0x80, 0, 0, 0};  // bottom row first: the top row starts with 1
  const QImage picture = toQImage(bilevel);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(picture.pixel(1, 0), qRgb(255, 255, 255));
  EXPECT_EQ(picture.pixel(0, 1), qRgb(255, 255, 255));
  EXPECT_EQ(qRound(picture.dotsPerMeterX() * 0.0254), 300);

  const ScannedImage colour = colourImage(2, 2, 2);
  const QImage narrowed = toQImage(colour);
  ASSERT_FALSE(narrowed.isNull());
  // The top-left pixel's samples were 0, 1, 2 in their low bytes: nothing in the high bytes.
  EXPECT_EQ(narrowed.pixel(0, 0), qRgb(0, 0, 0));

  ScannedImage unknown;
  unknown.header.width = unknown.header.height = 1;
  unknown.header.bitCount = 32;
  unknown.rowBytes = 4;
  unknown.bits.assign(4, 0);
  EXPECT_TRUE(toQImage(unknown).isNull());
}

TEST(ScannerChoice, TheRememberedDeviceThenTheManagersDefaultThenTheFirst) {
  const std::vector<std::string> names{"Flatbed", "Sheetfed", "flatbed"};
  EXPECT_EQ(preselectedScanner(names, "Sheetfed", "FLATBED"), 2) << "the last one of that name";
  EXPECT_EQ(preselectedScanner(names, "Sheetfed", "gone"), 1) << "no longer installed";
  EXPECT_EQ(preselectedScanner(names, "", "gone"), 0) << "no default: the first";
  EXPECT_EQ(preselectedScanner(names, "elsewhere", ""), 0);
  EXPECT_EQ(preselectedScanner({}, "x", "x"), 0);
}

}  // namespace
