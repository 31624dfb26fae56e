// Writing Targa files: the exact bytes of headers and run-length packets, round trips of every
// layout the writer makes, and a stream that fills up part way.
#include <cstring>
#include <numeric>
#include <string>

#include "tga_test_support.h"

namespace tessaly::test {
namespace {

using TgaWrite = TgaTest;

Bytes pixelData(const Written& w) {
  return Bytes(w.file.begin() + 18, w.file.end());
}

// The pixel bytes of one run-length encoded grey row.
Bytes encodedGreyRow(const Bytes& row) {
  const WriteRequest grey{
      .colorModel = PLUG_COLOR_GREY, .bits = 8, .width = int32_t(row.size()), .runLength = 1};
  return pixelData(write(grey, row));
}

TEST_F(TgaWrite, RunLengthPacketsOfARow) {
  EXPECT_EQ(encodedGreyRow({1, 1, 2, 3, 3, 3, 4}), (Bytes{0x81, 1, 0x00, 2, 0x82, 3, 0x00, 4}));
  EXPECT_EQ(encodedGreyRow(Bytes(130, 5)), (Bytes{0xFF, 5, 0x81, 5}));
  Bytes distinct(130);
  std::iota(distinct.begin(), distinct.end(), uint8_t{0});
  Bytes split = {0x7F};
  split.insert(split.end(), distinct.begin(), distinct.begin() + 128);
  split.insert(split.end(), {0x01, 128, 129});
  EXPECT_EQ(encodedGreyRow(distinct), split);
  EXPECT_EQ(encodedGreyRow({9}), (Bytes{0x00, 9}));
}

// Rows are encoded one by one, and pixels compare as stored: two sources that differ only in
// the bits a 16-bit file drops make one run.
TEST_F(TgaWrite, PacketsNeverCrossRowsAndCompareStoredPixels) {
  const Written rows =
      write({.colorModel = PLUG_COLOR_GREY, .bits = 8, .width = 2, .height = 2, .runLength = 1},
            {4, 4, 4, 4});
  EXPECT_EQ(pixelData(rows), (Bytes{0x81, 4, 0x81, 4}));
  const Written close =
      write({.width = 2, .fileBits = 16, .runLength = 1}, {0xF8, 0x00, 0x08, 0xFF, 0x07, 0x0F});
  EXPECT_EQ(pixelData(close), (Bytes{0x81, 0x1F, 0x04}));
}

TEST_F(TgaWrite, HeadersOfEveryLayout) {
  const Bytes bgr = {0x10, 0x20, 0x30, 0xFF, 0x80, 0x08};
  const Written sixteen = write({.width = 2, .height = 1, .fileBits = 16}, bgr);
  EXPECT_EQ(sixteen.file, file({.type = 2, .width = 2, .depth = 16}, {{0x82, 0x18, 0x1F, 0x06}}));
  const Written thirtyTwo = write({.width = 2, .height = 1, .fileBits = 32, .runLength = 1}, bgr);
  EXPECT_EQ(thirtyTwo.file, file({.type = 10, .width = 2, .depth = 32, .descriptor = 0x08},
                                 {{0x01, 0x10, 0x20, 0x30, 0xFF, 0xFF, 0x80, 0x08, 0xFF}}));
  // The origin is bottom left; the y origin field holds height - 1.
  const Written twentyFour = write({.width = 1, .height = 2}, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(twentyFour.file, file({.width = 1, .height = 2, .yOrigin = 1}, {{1, 2, 3, 4, 5, 6}}));

  const std::vector<PlugPaletteEntry> palette = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  const Written indexed = write(
      {.colorModel = PLUG_COLOR_INDEXED, .bits = 8, .width = 2, .palette = palette, .fileBits = 8},
      {1, 0});
  EXPECT_EQ(indexed.file,
            file({.mapType = 1, .type = 1, .mapLength = 2, .entryBits = 24, .width = 2, .depth = 8},
                 {{1, 2, 3, 4, 5, 6}, {1, 0}}));
  // Without a palette an indexed file has no colour map; grey never has one.
  const Written bare = write({.colorModel = PLUG_COLOR_INDEXED, .bits = 8}, {7});
  EXPECT_EQ(bare.file, file({.type = 1, .entryBits = 24, .depth = 8}, {{7}}));
  const Written grey = write({.colorModel = PLUG_COLOR_GREY, .bits = 8, .palette = palette}, {7});
  EXPECT_EQ(grey.file, file({.type = 3, .depth = 8}, {{7}}));
  const Written greyRle = write({.colorModel = PLUG_COLOR_GREY, .bits = 8, .runLength = 1}, {7});
  EXPECT_EQ(greyRle.file, file({.type = 11, .depth = 8}, {{0x00, 7}}));
  // Another colour code with 8 bits: indexed with a palette, grey without.
  EXPECT_EQ(write({.colorModel = 1, .bits = 8, .palette = palette}, {1}).file[2], 1);
  EXPECT_EQ(write({.colorModel = 1, .bits = 8}, {1}).file[2], 3);

  // Rows go bottom row first; the row bytes are fixed only when writing starts.
  EXPECT_EQ(grey.layout.rowOrder, PLUG_ROWS_BOTTOM_UP);
  EXPECT_EQ(grey.layout.wantsComposite, 1);
  EXPECT_EQ(grey.layout.layerOrder, PLUG_LAYERS_TOP_FIRST);
  EXPECT_EQ(grey.layout.storesLayers, 0);
  EXPECT_EQ(grey.layout.rowBytes, 0);
}

TEST_F(TgaWrite, WithoutOptionsATwentyFourBitSourceIsStoredUncompressedAt24Bits) {
  const Written w =
      write({.width = 2, .withOptions = false, .fileBits = 16, .runLength = 1}, {1, 2, 3, 1, 2, 3});
  EXPECT_EQ(w.file, file({.width = 2}, {{1, 2, 3, 1, 2, 3}}));
}

// What a written file reads back as: every layout the writer makes, with and without
// run-length encoding, in batches that do not divide the height.
struct Layout {
  const char* name;
  int32_t colorModel, bits, fileBits;
};

class TgaRoundTrip : public TgaTest,
                     public ::testing::WithParamInterface<std::tuple<Layout, int32_t>> {};

// Rows with long runs, short runs and noise, wider than one packet.
Bytes testRows(int32_t width, int32_t height, int32_t pixelBytes) {
  Bytes rows(size_t(width) * height * pixelBytes);
  uint32_t seed = 12345;
  for (size_t i = 0; i < rows.size(); ++i) {
    const size_t x = (i / pixelBytes) % width;
    seed = seed * 1103515245u + 12345u;
    rows[i] = x < 140   ? uint8_t(i / (pixelBytes * width))
              : x < 200 ? uint8_t(x / 3)
                        : uint8_t(seed >> 16);
  }
  return rows;
}

TEST_P(TgaRoundTrip, RowsReadBackAsWritten) {
  const auto& [layout, runLength] = GetParam();
  const int32_t width = 300, height = 11, pixelBytes = layout.bits / 8;
  std::vector<PlugPaletteEntry> palette;
  if (layout.colorModel == PLUG_COLOR_INDEXED)
    for (int i = 0; i < 256; ++i) palette.push_back({uint8_t(i), uint8_t(255 - i), 7, 0});
  const Bytes rows = testRows(width, height, pixelBytes);
  const Written w = write({.colorModel = layout.colorModel,
                           .bits = layout.bits,
                           .width = width,
                           .height = height,
                           .palette = palette,
                           .fileBits = layout.fileBits,
                           .runLength = runLength},
                          rows, 4);
  ASSERT_EQ(w.rowsTaken, height);

  Reader r(w.file);
  Bytes back;
  ASSERT_TRUE(r.readAll(back, 5));
  EXPECT_EQ(r.info.colorModel, layout.colorModel);
  EXPECT_EQ(r.info.rowOrder, PLUG_ROWS_BOTTOM_UP);
  EXPECT_EQ(r.info.width, width);
  EXPECT_EQ(r.info.height, height);
  EXPECT_EQ(r.info.paletteCount, int32_t(palette.size()));
  if (!palette.empty()) {
    EXPECT_EQ(std::memcmp(r.info.palette, palette.data(), 256 * 4), 0);
  }
  Bytes expected = rows;
  if (layout.fileBits == 16) {
    for (uint8_t& b : expected) b &= 0xF8;  // five bits per channel are kept
  } else if (layout.fileBits == 32) {
    // A 32-bit file says it holds alpha, and comes back with the opaque alpha it was given.
    expected.clear();
    for (size_t i = 0; i < rows.size(); i += 3)
      expected.insert(expected.end(), {rows[i], rows[i + 1], rows[i + 2], 255});
  }
  EXPECT_EQ(r.info.bits, layout.fileBits == 32 ? 32 : layout.bits);
  EXPECT_EQ(r.layer.rowBytes, int32_t(expected.size()) / height);
  EXPECT_EQ(back, expected);
}

std::string layoutName(const ::testing::TestParamInfo<std::tuple<Layout, int32_t>>& info) {
  return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Rle" : "Raw");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TgaRoundTrip,
    ::testing::Combine(::testing::Values(Layout{"Bgr16", PLUG_COLOR_BGR, 24, 16},
                                         Layout{"Bgr24", PLUG_COLOR_BGR, 24, 24},
                                         Layout{"Bgr32", PLUG_COLOR_BGR, 24, 32},
                                         Layout{"Indexed8", PLUG_COLOR_INDEXED, 8, 8},
                                         Layout{"Grey8", PLUG_COLOR_GREY, 8, 8}),
                       ::testing::Values(0, 1)),
    layoutName);

// A stream that fills up anywhere, in the header, the colour map or the rows, fails the step
// that met it with the short-write code, and no later row is taken.
TEST_F(TgaWrite, AStreamThatFillsUpFailsTheWrite) {
  std::vector<PlugPaletteEntry> palette(4, PlugPaletteEntry{1, 2, 3, 0});
  const Bytes rows = testRows(20, 6, 1);
  for (const int32_t runLength : {0, 1}) {
    const WriteRequest request{.colorModel = PLUG_COLOR_INDEXED,
                               .bits = 8,
                               .width = 20,
                               .height = 6,
                               .palette = palette,
                               .fileBits = 8,
                               .runLength = runLength};
    const size_t full = write(request, rows).file.size();
    for (size_t limit = 0; limit < full; ++limit) {
      const Written w = write(request, rows, 2, limit);
      EXPECT_TRUE(!w.started || w.rowsTaken < 6) << "limit " << limit;
      EXPECT_EQ(w.error, PLUG_ERR_SHORT_WRITE) << "limit " << limit;
      EXPECT_EQ(w.started, limit >= 18 + 12) << "limit " << limit;
    }
  }
}

TEST_F(TgaWrite, RequestsTheFormatCannotHoldAreRefused) {
  const WriteRequest refused[] = {
      {.width = 0},
      {.width = 0x10000},
      {.height = 0x10000},
      {.colorModel = PLUG_COLOR_BGR, .bits = 32},
      {.colorModel = PLUG_COLOR_RGB_PLANES, .bits = 16},
      {.colorModel = PLUG_COLOR_INDEXED, .bits = 8, .palette = std::vector<PlugPaletteEntry>(257)},
  };
  for (const WriteRequest& request : refused) {
    const Written w = write(request, Bytes(16, 0));
    EXPECT_FALSE(w.created);
    EXPECT_EQ(w.error, PLUG_ERR_BAD_DATA);
    EXPECT_TRUE(w.file.empty());
  }
  EXPECT_TRUE(write({.width = 0xFFFF}, Bytes(0xFFFF * 3, 0)).started);
}

TEST_F(TgaWrite, RowsBeyondTheImageAreRefused) {
  tessaly::plugin::MemoryStream out;
  PlugInstance* w = GetPlugStruct(out.stream(), 1, PLUG_FORMAT_TGA);
  ASSERT_NE(w, nullptr);
  SaveOptions options;
  const CreateRequest request =
      createRequest({.colorModel = PLUG_COLOR_GREY, .bits = 8, .height = 2}, &options);
  RowLayout layout{};
  layout.size = sizeof layout;
  ASSERT_EQ(w->table.CreateImage(w, &request, &layout), 1);
  ASSERT_EQ(w->table.StartWriteImage(w), 1);
  const Bytes rows = {1, 2, 3};
  const uint8_t* planes[1] = {rows.data()};
  EXPECT_EQ(w->table.WriteRows(w, 3, planes, 1), 0);
  EXPECT_EQ(w->table.GetError(w), PLUG_ERR_BAD_DATA);
  EXPECT_EQ(out.bytes().size(), 18u) << "nothing of the refused batch was written";
  w->table.CloseImage(w);
}

}  // namespace
}  // namespace tessaly::test
