// The bitmap plug-in on hand-made files: every stored depth and compression it reads, the
// layouts it writes, and damaged files that must fail cleanly.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin_driver.h"
#include "plugin_kit.h"

namespace {

using tessaly::test::decode;
using tessaly::test::encode;
using tessaly::test::pattern;
using Bytes = std::vector<uint8_t>;

// A bitmap file: file header, 40-byte info header, extra (masks), palette (4-byte entries),
// then data.
Bytes bitmap(int32_t width, int32_t height, int bits, uint32_t compression, const Bytes& palette,
             const Bytes& data, const Bytes& extra = {}) {
  Bytes f(54, 0);
  f[0] = 'B';
  f[1] = 'M';
  const auto offset = uint32_t(54 + extra.size() + palette.size());
  tessaly::plugin::put32(&f[2], uint32_t(offset + data.size()));
  tessaly::plugin::put32(&f[10], offset);
  tessaly::plugin::put32(&f[14], 40);
  tessaly::plugin::put32(&f[18], uint32_t(width));
  tessaly::plugin::put32(&f[22], uint32_t(height));
  tessaly::plugin::put16(&f[26], 1);
  tessaly::plugin::put16(&f[28], uint32_t(bits));
  tessaly::plugin::put32(&f[30], compression);
  tessaly::plugin::put32(&f[46], uint32_t(palette.size() / 4));
  f.insert(f.end(), extra.begin(), extra.end());
  f.insert(f.end(), palette.begin(), palette.end());
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

Bytes greyPalette(int entries) {
  Bytes p;
  for (int i = 0; i < entries; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
  return p;
}

TEST(BmpWrite, EveryLayoutRoundTripsExactly) {
  struct Case {
    int32_t model, bits, optionBits;
  };
  for (const Case c : {Case{PLUG_COLOR_BGR, 24, 0}, Case{PLUG_COLOR_BGR, 24, 32},
                       Case{PLUG_COLOR_INDEXED, 8, 0}, Case{PLUG_COLOR_GREY, 8, 0}}) {
    SCOPED_TRACE(testing::Message() << c.model << "/" << c.bits << " stored " << c.optionBits);
    const tessaly::test::Picture p = pattern(c.model, c.bits, 5, 7);  // odd width: padded rows
    const SaveOptions options = {sizeof options, c.optionBits, 0};
    const tessaly::test::Decoded d = decode(encode(p, &options));
    ASSERT_TRUE(d.opened);
    ASSERT_EQ(d.error, 0);
    EXPECT_EQ(d.image.rowOrder, PLUG_ROWS_BOTTOM_UP);
    EXPECT_EQ(d.rows, p.rows);
    if (c.model == PLUG_COLOR_INDEXED) {
      EXPECT_EQ(std::memcmp(d.image.palette, p.palette, 1024), 0);
    }
  }
}

TEST(BmpWrite, SmallPalettesPackIntoFourAndOneBits) {
  tessaly::test::Picture p = pattern(PLUG_COLOR_INDEXED, 8, 11, 3);
  for (const int bits : {1, 4}) {
    p.paletteCount = 1 << bits;
    for (uint8_t& v : p.rows) v &= uint8_t(p.paletteCount - 1);
    const SaveOptions options = {sizeof options, bits, 0};
    const Bytes file = encode(p, &options);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file[28], bits);
    EXPECT_EQ(decode(file).rows, p.rows);
  }
}

TEST(BmpWrite, ResolutionIsStoredInPixelsPerMetreAndReadBack) {
  const Bytes file = encode(pattern(PLUG_COLOR_BGR, 24, 2, 2), nullptr, 300);
  EXPECT_EQ(tessaly::plugin::le32(&file[38]), 11811u);
  const tessaly::test::Decoded d = decode(file);
  EXPECT_EQ(d.xDpi, 300);
  EXPECT_EQ(d.yDpi, 300);
}

TEST(BmpWrite, AFullStreamFailsWithShortWrite) {
  int32_t error = 0;
  EXPECT_TRUE(encode(pattern(PLUG_COLOR_BGR, 24, 40, 40), nullptr, 0, &error, 200).empty());
  EXPECT_EQ(error, PLUG_ERR_SHORT_WRITE);
}

TEST(BmpRead, TopDownFilesKeepTheirRowOrder) {
  const Bytes data = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  const tessaly::test::Decoded d = decode(bitmap(2, -2, 24, 0, {}, data));
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.image.rowOrder, PLUG_ROWS_TOP_DOWN);
  EXPECT_EQ(d.rows, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(BmpRead, OneAndFourBitIndicesAreSpreadToBytes) {
  const tessaly::test::Decoded one =
      decode(bitmap(10, 1, 1, 0, greyPalette(2), {0xA5, 0xC0, 0, 0}));
  EXPECT_EQ(one.rows, (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
  EXPECT_EQ(one.image.paletteCount, 2);
  const tessaly::test::Decoded four =
      decode(bitmap(3, 1, 4, 0, greyPalette(16), {0x1F, 0x70, 0, 0}));
  EXPECT_EQ(four.rows, (Bytes{1, 15, 7}));
}

TEST(BmpRead, OldCoreHeaderWithThreeBytePaletteEntries) {
  Bytes f = {'B',  'M', 0,  0,  0,  0,  0, 0, 0, 0, 32, 0, 0, 0,  // data at 14 + 12 + 6
             12,   0,   0,  0,  2,  0,  1, 0, 1, 0, 1,  0,        // 2 x 1, 1 bit
             10,   20,  30, 40, 50, 60,                           // two entries
             0x40, 0,   0,  0};
  const tessaly::test::Decoded d = decode(f);
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.rows, (Bytes{0, 1}));
  EXPECT_EQ(d.image.palette[1].blue, 40);
  EXPECT_EQ(d.image.palette[1].red, 60);
}

TEST(BmpRead, BitFieldsAreUnpackedThroughTheirMasks) {
  // 16-bit 5-6-5: pure red, pure green; then 32-bit with red in the low byte.
  Bytes masks565(12);
  tessaly::plugin::put32(&masks565[0], 0xF800);
  tessaly::plugin::put32(&masks565[4], 0x07E0);
  tessaly::plugin::put32(&masks565[8], 0x001F);
  const tessaly::test::Decoded d16 =
      decode(bitmap(2, 1, 16, 3, {}, {0x00, 0xF8, 0xE0, 0x07}, masks565));
  EXPECT_EQ(d16.rows, (Bytes{0, 0, 255, 0, 255, 0}));
  Bytes masksLow(12);
  tessaly::plugin::put32(&masksLow[0], 0x000000FF);
  tessaly::plugin::put32(&masksLow[4], 0x0000FF00);
  tessaly::plugin::put32(&masksLow[8], 0x00FF0000);
  const tessaly::test::Decoded d32 = decode(bitmap(1, 1, 32, 3, {}, {10, 20, 30, 40}, masksLow));
  EXPECT_EQ(d32.rows, (Bytes{30, 20, 10}));
  // Plain 32-bit: the fourth byte is dropped.
  EXPECT_EQ(decode(bitmap(1, 1, 32, 0, {}, {10, 20, 30, 40})).rows, (Bytes{10, 20, 30}));
}

// Bottom row 5 5 5 7; a jump leaves the middle row empty and starts the top row at column 1
// with a literal stretch 9 8 7. Read one row per call, so the jump crosses calls.
TEST(BmpRead, RunLengthEightWithJumpsAcrossCalls) {
  const Bytes data = {3, 5, 1, 7, 0, 0, 0, 2, 1, 1, 0, 3, 9, 8, 7, 0, 0, 1};
  const tessaly::test::Decoded d = decode(bitmap(4, 3, 8, 1, greyPalette(16), data), 1);
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.rows, (Bytes{0, 9, 8, 7, 0, 0, 0, 0, 5, 5, 5, 7}));
}

TEST(BmpRead, RunLengthFourAlternatesNibbles) {
  const Bytes data = {3, 0x12, 0, 3, 0xAB, 0xC0, 2, 0x34, 0, 0, 0, 1};
  const tessaly::test::Decoded d = decode(bitmap(8, 1, 4, 2, greyPalette(16), data));
  ASSERT_EQ(d.error, 0);
  EXPECT_EQ(d.rows, (Bytes{1, 2, 1, 0xA, 0xB, 0xC, 3, 4}));
}

TEST(BmpRead, RunLengthOverrunsAreDamagedData) {
  const Bytes palette = greyPalette(4);
  const Bytes cases[] = {
      {5, 1, 0, 1},              // a run longer than the row
      {0, 5, 1, 2, 3, 4, 5, 0},  // a literal stretch longer than the row
      {0, 2, 1, 3, 0, 1},        // a jump below the last row
      {0, 2, 9, 0, 0, 1},        // a jump right of the row's end
      {2, 1},                    // data ends inside the image
  };
  for (const Bytes& data : cases) {
    const tessaly::test::Decoded d = decode(bitmap(4, 2, 8, 1, palette, data));
    EXPECT_TRUE(d.opened);
    EXPECT_EQ(d.error, PLUG_ERR_BAD_DATA);
  }
}

TEST(BmpRead, HeadersOutOfRangeAreRefused) {
  const Bytes row = {1, 2, 3, 0};
  const Bytes cases[] = {
      bitmap(0, 1, 24, 0, {}, row),               // no width
      bitmap(1 << 30, 1, 24, 0, {}, row),         // absurd width
      bitmap(1, 1, 7, 0, {}, row),                // no such depth
      bitmap(1, 1, 24, 9, {}, row),               // no such compression
      bitmap(1, 1, 8, 0, greyPalette(257), row),  // more colours than the depth holds
      bitmap(1, -1, 8, 1, greyPalette(2), row),   // run-length data cannot run top-down
  };
  for (const Bytes& file : cases) {
    const tessaly::test::Decoded d = decode(file);
    EXPECT_FALSE(d.opened);
    EXPECT_EQ(d.error, PLUG_ERR_BAD_DATA);
  }
  Bytes offsetInsideHeader = bitmap(1, 1, 24, 0, {}, row);
  tessaly::plugin::put32(&offsetInsideHeader[10], 20);
  EXPECT_EQ(decode(offsetInsideHeader).error, PLUG_ERR_BAD_DATA);
}

TEST(BmpRead, EveryTruncationFailsCleanly) {
  const Bytes file = encode(pattern(PLUG_COLOR_INDEXED, 8, 9, 4));
  for (size_t n = 0; n < file.size(); ++n) {
    const tessaly::test::Decoded d = decode(tessaly::test::truncated(file, n));
    if (d.opened) {
      EXPECT_EQ(d.error, PLUG_ERR_BAD_DATA) << n;
    }
  }
}

}  // namespace
