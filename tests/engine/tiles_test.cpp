// Tile grids and layer pixel transfer: grids with narrower last columns and rows, writing and
// reading rectangles at every pixel format, clipping, and the caller's buffer offsets.
#include <gtest/gtest.h>

#include <cstring>

#include "engine_fixture.h"
#include "tile_grid.h"

using namespace tessaly::engine::test;

namespace {

TEST(TileGrid, CutsTheSizeIntoTilesWithNarrowerLastColumnAndRow) {
  const tessaly::engine::TileGrid grid{600, 300, 256, 256};
  EXPECT_EQ(grid.columns(), 3u);
  EXPECT_EQ(grid.rows(), 2u);
  EXPECT_EQ(grid.count(), 6);
  const RECT third = grid.tileRect(2);
  EXPECT_EQ((std::vector<int32_t>{third.left, third.top, third.right, third.bottom}),
            (std::vector<int32_t>{512, 0, 600, 256}));
  const RECT sixth = grid.tileRect(5);
  EXPECT_EQ((std::vector<int32_t>{sixth.left, sixth.top, sixth.right, sixth.bottom}),
            (std::vector<int32_t>{512, 256, 600, 300}));
  EXPECT_EQ(grid.indexAt(599, 299), 6u);
  EXPECT_EQ(grid.indexAt(0, 0), 1u);
  EXPECT_EQ(grid.indexAt(600, 0), 0u);
  EXPECT_EQ(grid.indexAt(-1, 0), 0u);
  EXPECT_EQ((tessaly::engine::TileGrid{0, 300, 256, 256}.count()), 0);
  // A table that would not fit the heap's 32-bit sizes is refused, not wrapped around.
  EXPECT_EQ((tessaly::engine::TileGrid{INT32_MAX, INT32_MAX, 1, 1}.count()), -1);
}

class LayerPixels : public EngineTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  int32_t bpp() const { return GetParam(); }
};

// Odd tile sizes give partial last columns and rows; the writes cross tile edges.
TEST_P(LayerPixels, WritesAndReadsBackRectanglesAcrossPartialTiles) {
  const zanHandle layer = newLayer(10, 20, 10 + 61, 20 + 37, bpp());
  setLayerValue(layer, ZAN_LAYER_TILEW, 16);
  setLayerValue(layer, ZAN_LAYER_TILEH, 10);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILECOUNT), 4 * 4);

  Image whole = patternImage(61, 37, bpp());
  ASSERT_EQ(zanSetLayerBits(whole.bytes.data(), layer, 0, 0, 61, 37, whole.stride, -1), ZAN_OK);
  Image back = readLayer(layer, RECT{0, 0, 61, 37}, bpp(), 0xEE);
  for (int32_t y = 0; y < 37; ++y)
    ASSERT_EQ(std::memcmp(back.row(y), whole.row(y), 61 * whole.pixelBytes), 0) << "row " << y;

  // Overwrite an inner rectangle that cuts through four tiles; only it changes.
  Image patch = patternImage(20, 13, bpp(), 7);
  ASSERT_EQ(zanSetLayerBits(patch.bytes.data(), layer, 9, 5, 29, 18, patch.stride, -1), ZAN_OK);
  back = readLayer(layer, RECT{0, 0, 61, 37}, bpp());
  for (int32_t y = 0; y < 37; ++y) {
    for (int32_t x = 0; x < 61; ++x) {
      const bool inPatch = x >= 9 && x < 29 && y >= 5 && y < 18;
      const unsigned char* want = inPatch ? patch.row(y - 5) + (x - 9) * patch.pixelBytes
                                          : whole.row(y) + x * whole.pixelBytes;
      ASSERT_EQ(std::memcmp(back.row(y) + x * back.pixelBytes, want, back.pixelBytes), 0)
          << "pixel " << x << "," << y;
    }
  }
  zanDestroyLayer(layer);
}

TEST_P(LayerPixels, ReadingOutsideTheLayerKeepsTheCallersOffsets) {
  const zanHandle layer = newLayer(0, 0, 30, 20, bpp());
  Image image = patternImage(30, 20, bpp());
  ASSERT_EQ(zanSetLayerBits(image.bytes.data(), layer, 0, 0, 30, 20, image.stride, -1), ZAN_OK);
  // The request starts 3 left of and 2 above the layer and ends past it: the layer's pixels land
  // where the unclipped rectangle puts them, the rest of the buffer is left alone.
  Image back = readLayer(layer, RECT{-3, -2, 40, 25}, bpp(), 0xAB);
  const int32_t pb = back.pixelBytes;
  for (int32_t y = -2; y < 25; ++y) {
    for (int32_t x = -3; x < 40; ++x) {
      const unsigned char* got = back.row(y + 2) + (x + 3) * pb;
      if (x >= 0 && x < 30 && y >= 0 && y < 20)
        ASSERT_EQ(std::memcmp(got, image.row(y) + x * pb, pb), 0) << x << "," << y;
      else
        ASSERT_EQ(got[0], 0xAB) << x << "," << y;
    }
  }
  zanDestroyLayer(layer);
}

TEST_P(LayerPixels, FirstWriteOfATileLeavesZerosOutsideTheRectangle) {
  const zanHandle layer = newLayer(0, 0, 8, 8, bpp());
  Image patch = patternImage(2, 2, bpp());
  ASSERT_EQ(zanSetLayerBits(patch.bytes.data(), layer, 3, 3, 5, 5, patch.stride, -1), ZAN_OK);
  Image back = readLayer(layer, RECT{0, 0, 8, 8}, bpp(), 0xCC);
  EXPECT_EQ(back.row(0)[0], 0);
  EXPECT_EQ(back.row(7)[7 * back.pixelBytes], 0);
  EXPECT_EQ(std::memcmp(back.row(4) + 4 * back.pixelBytes, patch.row(1) + patch.pixelBytes,
                        patch.pixelBytes),
            0);

  // A fill of part of an untouched tile changes only that part as well.
  const zanHandle other = newLayer(0, 0, 8, 8, bpp());
  ASSERT_EQ(zanSetLayerBits(nullptr, other, 0, 0, 2, 2, 0, 0x7F7F7F), ZAN_OK);
  back = readLayer(other, RECT{0, 0, 8, 8}, bpp(), 0xCC);
  EXPECT_EQ(back.row(1)[back.pixelBytes], 0x7F);
  EXPECT_EQ(back.row(2)[0], 0);
  EXPECT_EQ(back.row(0)[2 * back.pixelBytes], 0);
  zanDestroyLayer(layer);
  zanDestroyLayer(other);
}

INSTANTIATE_TEST_SUITE_P(Formats, LayerPixels, ::testing::Values(1, 8, 16, 24, 48));

using LayerBits = EngineTest;

TEST_F(LayerBits, EmptyAndOutsideRectanglesDoNothing) {
  const zanHandle layer = newLayer(0, 0, 10, 10);
  const unsigned char pixel[4] = {1, 2, 3, 0};
  EXPECT_EQ(zanSetLayerBits(pixel, layer, 5, 5, 5, 9, 4, -1), ZAN_OK);
  EXPECT_EQ(zanSetLayerBits(pixel, layer, 10, 0, 11, 1, 4, -1), ZAN_OK);
  EXPECT_EQ(zanSetLayerBits(pixel, layer, 4, 4, 3, 3, 4, -1), ZAN_OK);  // inverted
  EXPECT_EQ(zanGetDataLayer(layer), 0u) << "nothing was written, so no data layer was needed";
  EXPECT_EQ(zanGetLayerBits(nullptr, layer, 0, 0, 10, 10, 30), ZAN_OK);
  EXPECT_EQ(zanSetLayerBits(pixel, 0, 0, 0, 1, 1, 4, -1), ZAN_OK);
  zanDestroyLayer(layer);
}

TEST_F(LayerBits, FillValuesSpreadOverEveryPixelFormat) {
  struct Case {
    int32_t bpp;
    int32_t value;
    std::vector<unsigned char> pixel;
  };
  const Case cases[] = {
      {8, 0x123456, {0x56}},
      {16, 0x123456, {0x56, 0x56}},
      {24, 0x123456, {0x12, 0x34, 0x56}},                    // blue from bits 16-23
      {48, 0x123456, {0x12, 0, 0x34, 0, 0x56, 0}},           // high bytes keep what they held
      {48, 0x414141, {0x41, 0x41, 0x41, 0x41, 0x41, 0x41}},  // equal parts fill every byte
  };
  for (const Case& c : cases) {
    const zanHandle layer = newLayer(0, 0, 3, 2, c.bpp);
    // Part of the tile: the block gets memory and the value is spread inside it.
    ASSERT_EQ(zanSetLayerBits(nullptr, layer, 1, 0, 3, 2, 0, c.value), ZAN_OK);
    Image back = readLayer(layer, RECT{0, 0, 3, 2}, c.bpp);
    EXPECT_EQ(std::vector<unsigned char>(back.row(1) + back.pixelBytes,
                                         back.row(1) + 2 * back.pixelBytes),
              c.pixel)
        << c.bpp << " bits, filled in memory";
    // The whole tile: no memory until a lock makes it, spreading the value the same way.
    ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 3, 2, 0, c.value), ZAN_OK);
    BlockHeader* block = zanLockBlock(layer, 0, 0, nullptr);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(block->data, nullptr);
    const int32_t pb = back.pixelBytes;
    EXPECT_EQ(std::vector<unsigned char>(block->data + block->stride + 2 * pb,
                                         block->data + block->stride + 3 * pb),
              c.pixel)
        << c.bpp << " bits, memory made by the lock";
    zanUnlockBlock(block, 0);
    zanDestroyLayer(layer);
  }
}

TEST_F(LayerBits, ALayerWhoseDepthDiffersFromItsDataLayerIsRefused) {
  const zanHandle a = newLayer(0, 0, 4, 4, 8);
  const zanHandle b = newLayer(0, 0, 4, 4, 24);
  ASSERT_EQ(zanSetLayerBits(nullptr, a, 0, 0, 4, 4, 0, 9), ZAN_OK);
  ASSERT_EQ(zanAttachDataLayer(b, zanGetDataLayer(a), nullptr), 1);
  // b's callers size their buffers for 24 bits; the shared tiles hold 8.
  std::vector<unsigned char> buffer(4 * 4 * 3);
  EXPECT_EQ(zanGetLayerBits(buffer.data(), b, 0, 0, 4, 4, 12), ZAN_ERR_ARG);
  EXPECT_EQ(zanSetLayerBits(buffer.data(), b, 0, 0, 4, 4, 12, -1), ZAN_ERR_ARG);
  zanDestroyLayer(a);
  zanDestroyLayer(b);
}

}  // namespace
