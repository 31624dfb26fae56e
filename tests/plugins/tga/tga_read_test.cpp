// Reading hand-made Targa files: what OpenImage reports and the exact bytes ReadRows delivers.
#include <cstring>

#include "tga_test_support.h"

namespace tessaly::test {
namespace {

using TgaRead = TgaTest;

TEST_F(TgaRead, GreyRowsComeAsStoredInTheDescriptorsRowOrder) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6};
  for (const uint8_t descriptor : {0x00, 0x20}) {
    Reader r(
        file({.type = 3, .width = 3, .height = 2, .depth = 8, .descriptor = descriptor}, {pixels}));
    Bytes rows;
    ASSERT_TRUE(r.readAll(rows));
    EXPECT_EQ(r.info.colorModel, PLUG_COLOR_GREY);
    EXPECT_EQ(r.info.bits, 8);
    EXPECT_EQ(r.info.hasPalette, 0);
    EXPECT_EQ(r.info.layerCount, 0);
    EXPECT_EQ(r.info.rowOrder, descriptor ? PLUG_ROWS_TOP_DOWN : PLUG_ROWS_BOTTOM_UP);
    EXPECT_EQ(r.layer.rowOrder, r.info.rowOrder);
    EXPECT_EQ(r.layer.right, 3);
    EXPECT_EQ(r.layer.bottom, 2);
    EXPECT_EQ(r.layer.rowBytes, 3);
    EXPECT_EQ(r.layer.opacity, 255);
    EXPECT_EQ(rows, pixels);
  }
}

// A 16-bit colour map starting at index 10, behind a 2-byte image ID: slots 10 to 12 are filled,
// the count is 13, and the pixels are found after the ID and the map.
TEST_F(TgaRead, SixteenBitColourMapFillsThePaletteFromItsFirstIndex) {
  const Bytes id = {'h', 'i'};
  const Bytes map = {0x1F, 0x00, 0xE0, 0x03, 0x00, 0xFC};  // blue, green, red (bit 15 set)
  Reader r(file({.idLength = 2,
                 .mapType = 1,
                 .type = 1,
                 .firstEntry = 10,
                 .mapLength = 3,
                 .entryBits = 16,
                 .width = 2,
                 .height = 1,
                 .depth = 8},
                {id, map, {10, 12}}));
  Bytes rows;
  ASSERT_TRUE(r.readAll(rows));
  EXPECT_EQ(r.info.colorModel, PLUG_COLOR_INDEXED);
  EXPECT_EQ(r.info.hasPalette, 1);
  EXPECT_EQ(r.info.paletteCount, 13);
  EXPECT_EQ(r.layer.paletteCount, 13);
  const PlugPaletteEntry empty{0, 0, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(std::memcmp(&r.info.palette[i], &empty, 4), 0) << i;
  const PlugPaletteEntry expected[3] = {{0xF8, 0, 0, 0}, {0, 0xF8, 0, 0}, {0, 0, 0xF8, 0}};
  EXPECT_EQ(std::memcmp(&r.info.palette[10], expected, sizeof expected), 0);
  EXPECT_EQ(std::memcmp(r.layer.palette, r.info.palette, sizeof r.info.palette), 0);
  EXPECT_EQ(rows, (Bytes{10, 12}));
}

// A 15-bit map stores each entry in two bytes, like a 16-bit one (eight entries take 16 bytes,
// not 15); 24- and 32-bit entries give their first three bytes.
TEST_F(TgaRead, ColourMapEntriesOfEveryWidth) {
  struct Case {
    uint8_t bits;
    Bytes map;
  };
  Bytes fifteen(16, 0);
  fifteen[0] = 0x1F;
  fifteen[2] = fifteen[3] = 0xFF;
  const Case cases[] = {{15, fifteen},
                        {24, {0xF8, 0x00, 0x00, 0xF8, 0xF8, 0xF8}},
                        {32, {0xF8, 0x00, 0x00, 0x11, 0xF8, 0xF8, 0xF8, 0x22}}};
  for (const Case& c : cases) {
    const uint16_t entries = uint16_t(c.map.size() / ((c.bits + 7) / 8));
    Reader r(file({.mapType = 1, .type = 1, .mapLength = entries, .entryBits = c.bits, .depth = 8},
                  {c.map, {1}}));
    Bytes rows;
    ASSERT_TRUE(r.readAll(rows)) << int(c.bits);
    const PlugPaletteEntry expected[2] = {{0xF8, 0, 0, 0}, {0xF8, 0xF8, 0xF8, 0}};
    EXPECT_EQ(std::memcmp(r.info.palette, expected, sizeof expected), 0) << int(c.bits);
    EXPECT_EQ(rows, Bytes{1}) << "pixels found after the map, " << int(c.bits);
  }
}

// 5-5-5 pixels become blue-green-red bytes with the low three bits clear; the top bit is not
// colour, and a 15-bit file is read exactly like a 16-bit one.
TEST_F(TgaRead, FifteenBitFilesReadLikeSixteenBitOnes) {
  const Bytes pixels = {0x1F, 0x00, 0xE0, 0x83, 0x00, 0x7C, 0xFF, 0xFF};
  const Bytes expected = {0xF8, 0, 0, 0, 0xF8, 0, 0, 0, 0xF8, 0xF8, 0xF8, 0xF8};
  for (const uint8_t depth : {15, 16}) {
    Reader r(file({.width = 4, .depth = depth}, {pixels}));
    Bytes rows;
    ASSERT_TRUE(r.readAll(rows));
    EXPECT_EQ(r.info.colorModel, PLUG_COLOR_BGR);
    EXPECT_EQ(r.info.bits, 24);
    EXPECT_EQ(r.layer.rowBytes, 12) << "the bytes delivered, not the bytes stored";
    EXPECT_EQ(rows, expected) << int(depth);
  }
}

TEST_F(TgaRead, ThirtyTwoBitFilesKeepAlphaOnlyWhenTheDescriptorSaysSo) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  Reader plain(file({.width = 2, .depth = 32}, {pixels}));
  Bytes rows;
  ASSERT_TRUE(plain.readAll(rows));
  EXPECT_EQ(plain.info.bits, 24);
  EXPECT_EQ(plain.info.layerCount, 0);
  EXPECT_EQ(plain.layer.hasAlpha, 0);
  EXPECT_EQ(plain.layer.rowBytes, 6);
  EXPECT_EQ(rows, (Bytes{1, 2, 3, 5, 6, 7}));

  Reader alpha(file({.width = 2, .depth = 32, .descriptor = 0x28}, {pixels}));
  ASSERT_TRUE(alpha.readAll(rows));
  EXPECT_EQ(alpha.info.colorModel, PLUG_COLOR_BGR);
  EXPECT_EQ(alpha.info.bits, 32);
  EXPECT_EQ(alpha.info.layerCount, 1);
  EXPECT_EQ(alpha.info.rowOrder, PLUG_ROWS_TOP_DOWN);
  EXPECT_EQ(alpha.layer.hasAlpha, 1);
  EXPECT_EQ(alpha.layer.rowBytes, 8);
  EXPECT_EQ(rows, pixels);
}

// Packets that run past the end of a row carry on at the start of the next one, whether both
// rows are asked for together or in two calls.
TEST_F(TgaRead, RunLengthPacketsCarryOnIntoTheNextRow) {
  // Width 3, height 3: a run of 4 (row 0 and the start of row 1), a literal of 4 (the rest of
  // row 1 and the start of row 2), then a run of 1.
  const Bytes grey = file({.type = 11, .width = 3, .height = 3, .depth = 8},
                          {{0x83, 7, 0x03, 1, 2, 3, 4, 0x80, 9}});
  const Bytes expectedGrey = {7, 7, 7, 7, 1, 2, 3, 4, 9};
  // The same shape with 24-bit pixels, so a carried run repeats a whole 3-byte value.
  const Bytes colour =
      file({.type = 10, .width = 2, .height = 2}, {{0x82, 1, 2, 3, 0x00, 4, 5, 6}});
  const Bytes expectedColour = {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6};
  for (const int32_t batch : {1, 2, 3}) {
    Bytes rows;
    Reader g(grey);
    ASSERT_TRUE(g.readAll(rows, batch));
    EXPECT_EQ(rows, expectedGrey) << "batches of " << batch;
    Reader c(colour);
    ASSERT_TRUE(c.readAll(rows, batch));
    EXPECT_EQ(rows, expectedColour) << "batches of " << batch;
  }
}

TEST_F(TgaRead, RunLengthSixteenAndThirtyTwoBitPixelsAreConverted) {
  Reader sixteen(
      file({.type = 10, .width = 3, .depth = 16}, {{0x81, 0x1F, 0x00, 0x00, 0xE0, 0x03}}));
  Bytes rows;
  ASSERT_TRUE(sixteen.readAll(rows));
  EXPECT_EQ(rows, (Bytes{0xF8, 0, 0, 0xF8, 0, 0, 0, 0xF8, 0}));
  Reader thirtyTwo(file({.type = 10, .width = 2, .depth = 32}, {{0x81, 1, 2, 3, 4}}));
  ASSERT_TRUE(thirtyTwo.readAll(rows));
  EXPECT_EQ(rows, (Bytes{1, 2, 3, 1, 2, 3}));
}

// Rows land at the caller's stride, whatever it is: wider than the row (the padding stays as it
// was) or negative (bottom-up rows into a top-down buffer).
TEST_F(TgaRead, RowsLandAtTheCallersStride) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const Bytes tga = file({.width = 2, .height = 2}, {pixels});
  {
    Reader r(tga);
    ASSERT_TRUE(r.open());
    Bytes buffer(16, 0xEE);
    EXPECT_EQ(r.read(2, buffer.data(), 8), 2);
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE}));
  }
  {
    Reader r(tga);
    ASSERT_TRUE(r.open());
    Bytes buffer(12, 0);
    EXPECT_EQ(r.read(2, buffer.data() + 6, -6), 2);
    EXPECT_EQ(buffer, (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
  }
}

TEST_F(TgaRead, ABatchBeyondTheLastRowDeliversOnlyTheRowsLeft) {
  Reader r(file({.type = 3, .width = 1, .height = 3, .depth = 8}, {{1, 2, 3}}));
  ASSERT_TRUE(r.open());
  Bytes buffer(32, 0);
  EXPECT_EQ(r.read(2, buffer.data(), 1), 2);
  EXPECT_EQ(r.read(32, buffer.data(), 1), 1);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(r.read(1, buffer.data(), 1), 0) << "no rows are left";
  EXPECT_EQ(r.error(), PLUG_ERR_BAD_DATA);
}

}  // namespace
}  // namespace tessaly::test
