// Layer operations: the layer list, copying with clipping on every side, cutting and floating by
// round trip, cloning, and a wrapped bitmap that keeps showing the caller's pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine_fixture.h"

using namespace tessaly::engine::test;

namespace {

using LayerOps = EngineTest;

std::vector<int32_t> rectOf(zanHandle layer) {
  RECT r{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  return {r.left, r.top, r.right, r.bottom};
}

// A layer of the size with pattern pixels and 7 x 5 tiles.
zanHandle patternLayer(const RECT& r, uint32_t seed, Image* pixels = nullptr, int bpp = 24) {
  const zanHandle layer = newLayer(r.left, r.top, r.right, r.bottom, bpp);
  setLayerValue(layer, ZAN_LAYER_TILEW, 7);
  setLayerValue(layer, ZAN_LAYER_TILEH, 5);
  const Image image = patternImage(r.right - r.left, r.bottom - r.top, bpp, seed);
  zanSetLayerBits(image.bytes.data(), layer, 0, 0, image.width, image.height, image.stride, -1);
  if (pixels != nullptr) *pixels = image;
  return layer;
}

const unsigned char* pixelOf(const Image& image, int x, int y) {
  return image.row(y) + x * image.pixelBytes;
}

TEST_F(LayerOps, ListInsertsRemovesAndSwapsWithIndicesAndCurrentLayer) {
  const zanHandle picture = newPicture();
  const zanHandle a = newLayer(0, 0, 1, 1), b = newLayer(0, 0, 2, 2), c = newLayer(0, 0, 3, 3);
  EXPECT_EQ(zanInsertLayer(picture, a, 0), 1);
  EXPECT_EQ(zanInsertLayer(picture, b, 7), 2) << "past the end appends";
  EXPECT_EQ(zanInsertLayer(picture, c, 1), 1) << "index 1 is the bottom";
  EXPECT_EQ(zanInsertLayer(picture, c, 1), ZAN_ERR_ARG) << "already in a picture";
  setPictureValue(picture, ZAN_PICT_CURRENTLAYER, 3);
  EXPECT_EQ(zanSwapLayer(picture, 1, 3), 0);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_CURRENTLAYER), 1);
  EXPECT_EQ(zanGetLayer(picture, 1, nullptr), b);
  EXPECT_EQ(layerValue(c, ZAN_LAYER_INDEX), 3);
  EXPECT_EQ(zanSwapLayer(picture, 0, 2), ZAN_ERR_ARG);
  EXPECT_EQ(zanSwapLayer(picture, 1, 4), ZAN_ERR_ARG);
  EXPECT_EQ(zanRemoveLayer(picture, 4, nullptr), 0u);
  EXPECT_EQ(zanRemoveLayer(picture, 1, nullptr), b);
  EXPECT_EQ(layerValue(b, ZAN_LAYER_PICTURE), 0);
  EXPECT_EQ(layerValue(c, ZAN_LAYER_INDEX), 2);
  zanDestroyLayer(b);
  zanRemoveLayer(picture, 1, nullptr);
  zanRemoveLayer(picture, 1, nullptr);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_CURRENTLAYER), 0) << "no layers left";
  zanDestroyLayer(a);
  zanDestroyLayer(c);
  EXPECT_EQ(zanInsertLayer(0, a, 1), 0);
  EXPECT_EQ(zanRemoveLayer(0, 1, nullptr), 0u);
  EXPECT_EQ(zanSwapLayer(0, 1, 2), 0);
  EXPECT_EQ(zanFindLayerWithFloat(0), 0);
  zanDestroyPicture(picture);
}

// The source lands at every offset that leaves it partly outside the target, on each side.
TEST_F(LayerOps, CopyClipsOnAllFourSides) {
  const RECT sourceRect{100, 200, 113, 209};
  Image source;
  const zanHandle from = patternLayer(sourceRect, 3, &source);
  for (const POINT to : {POINT{-6, 4}, POINT{14, -3}, POINT{-4, -7}, POINT{15, 12}, POINT{2, 2}}) {
    SCOPED_TRACE(testing::Message() << to.x << ", " << to.y);
    const RECT targetRect{0, 0, 23, 17};
    const zanHandle target = patternLayer(targetRect, 9);
    const Image before = readLayer(target, RECT{0, 0, 23, 17}, 24);
    const RECT part{101, 201, 112, 209};  // leaves out the source's first row and column
    EXPECT_EQ(zanCopyLayer(target, from, &to, &part), 0);
    const Image after = readLayer(target, RECT{0, 0, 23, 17}, 24);
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x < 23; ++x) {
        const int sx = x - to.x + part.left - sourceRect.left;
        const int sy = y - to.y + part.top - sourceRect.top;
        const bool copied = sx >= 1 && sx < 12 && sy >= 1 && sy < 9;
        const unsigned char* want = copied ? pixelOf(source, sx, sy) : pixelOf(before, x, y);
        ASSERT_EQ(std::memcmp(pixelOf(after, x, y), want, 3), 0) << x << ", " << y;
      }
    }
    zanDestroyLayer(target);
  }
  const zanHandle grey = newLayer(0, 0, 4, 4, 8);
  EXPECT_EQ(zanCopyLayer(grey, from, nullptr, nullptr), ZAN_ERR_ARG);
  EXPECT_EQ(zanCopyLayer(0, from, nullptr, nullptr), 0);
  zanDestroyLayer(grey);
  zanDestroyLayer(from);
}

TEST_F(LayerOps, CopyWithinOneLayerReadsBeforeItWrites) {
  Image pixels;
  const zanHandle layer = patternLayer(RECT{0, 0, 20, 12}, 4, &pixels);
  const POINT to{3, 2};
  const RECT part{0, 0, 15, 9};
  EXPECT_EQ(zanCopyLayer(layer, layer, &to, &part), 0);
  const Image after = readLayer(layer, RECT{0, 0, 20, 12}, 24);
  for (int y = 2; y < 11; ++y)
    for (int x = 3; x < 18; ++x)
      ASSERT_EQ(std::memcmp(pixelOf(after, x, y), pixelOf(pixels, x - 3, y - 2), 3), 0);
  zanDestroyLayer(layer);
}

TEST_F(LayerOps, CloneEqualsItsSource) {
  Image pixels;
  const zanHandle layer = patternLayer(RECT{-3, 4, 18, 15}, 5, &pixels);
  setLayerValue(layer, ZAN_LAYER_OPACITY, 77);
  const zanHandle copy = zanCloneLayer(layer, 1, nullptr);
  const zanHandle bare = zanCloneLayer(layer, 0, nullptr);
  EXPECT_EQ(rectOf(copy), rectOf(layer));
  EXPECT_EQ(layerValue(copy, ZAN_LAYER_OPACITY), 77);
  EXPECT_EQ(readLayer(copy, RECT{0, 0, 21, 11}, 24).bytes,
            readLayer(layer, RECT{0, 0, 21, 11}, 24).bytes);
  EXPECT_EQ(zanGetDataLayer(bare), 0u) << "no pixels";
  EXPECT_EQ(zanCloneLayer(0, 1, nullptr), 0u);
  zanDestroyLayer(copy);
  zanDestroyLayer(bare);
  zanDestroyLayer(layer);
}

// A selection shaped like an L: cutting clears the mask under it; a floating layer holds exactly
// the selected pixels, and merging it down restores the picture.
TEST_F(LayerOps, FloatCutAndMergeDownRoundTrip) {
  Image pixels;
  const zanHandle layer = patternLayer(RECT{0, 0, 16, 12}, 6, &pixels);
  const zanHandle selection = newLayer(4, 3, 20, 10, 8);
  EXPECT_EQ(zanSetLayerBits(nullptr, selection, 0, 0, 16, 7, 0, 0), 0);
  EXPECT_EQ(zanSetLayerBits(nullptr, selection, 0, 5, 16, 7, 0, 1), 0);   // the L's foot, barely on
  EXPECT_EQ(zanSetLayerBits(nullptr, selection, 0, 0, 3, 7, 0, 255), 0);  // its stem
  int32_t error = 1;
  const zanHandle floating = zanCreateFloatLayer(layer, selection, 0, &error);
  ASSERT_NE(floating, 0u);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(rectOf(floating), (std::vector<int32_t>{4, 3, 16, 10}));
  const Image floatMask = readLayer(zanLayerGetMask(floating, nullptr), RECT{0, 0, 12, 7}, 8);
  const Image layerMask = readLayer(zanLayerGetMask(layer, nullptr), RECT{0, 0, 16, 12}, 8);
  const Image floatPixels = readLayer(floating, RECT{0, 0, 12, 7}, 24);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool stem = x >= 4 && x < 7 && y >= 3 && y < 10;
      const bool foot = x >= 4 && y >= 8 && y < 10;
      ASSERT_EQ(layerMask.row(y)[x], stem || foot ? 0 : 255) << x << ", " << y;
      if (x < 4 || y < 3 || y >= 10) continue;
      ASSERT_EQ(floatMask.row(y - 3)[x - 4], stem ? 255 : foot ? 1 : 0);
      ASSERT_EQ(std::memcmp(pixelOf(floatPixels, x - 4, y - 3), pixelOf(pixels, x, y), 3), 0);
    }
  }
  EXPECT_EQ(zanDiscardFloatLayer(layer, &error), 0u);
  EXPECT_EQ(error, ZAN_ERR_ARG) << "nothing floats yet";
  EXPECT_EQ(zanLayerAttachFloat(layer, floating), 0);
  EXPECT_EQ(zanLayerGetFloat(layer, nullptr), floating);
  const zanHandle merged = zanDiscardFloatLayer(layer, &error);
  ASSERT_NE(merged, 0u);
  EXPECT_EQ(rectOf(merged), (std::vector<int32_t>{0, 0, 16, 12}));
  const Image mergedPixels = readLayer(merged, RECT{0, 0, 16, 12}, 24);
  const Image mergedMask = readLayer(zanLayerGetMask(merged, nullptr), RECT{0, 0, 16, 12}, 8);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool foot = x >= 7 && y >= 8 && y < 10;  // selected at 1: only 1/255 came back
      if (foot) {
        ASSERT_EQ(mergedMask.row(y)[x], 1);
        continue;
      }
      ASSERT_EQ(mergedMask.row(y)[x], 255) << x << ", " << y;
      ASSERT_EQ(std::memcmp(pixelOf(mergedPixels, x, y), pixelOf(pixels, x, y), 3), 0);
    }
  }
  zanDestroyLayer(merged);
  zanDestroyLayer(layer);  // with its floating layer
  EXPECT_EQ(zanCutLayer(layer, 0), 0);
  EXPECT_EQ(zanCutLayer(0, selection), ZAN_ERR_ARG);
  EXPECT_EQ(zanCreateFloatLayer(0, selection, 0, &error), 0u);
  EXPECT_EQ(error, ZAN_ERR_ARG);
  zanDestroyLayer(selection);
}

// The caller's pixels stay reachable through every lock, not just the first.
TEST_F(LayerOps, WrappedBitmapShowsTheCallersPixelsAfterEveryUnlock) {
  std::vector<unsigned char> bits(12 * 3, 0);  // 3 x 3 pixels, rows of 12 bytes
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<unsigned char>(i + 1);
  const ZanDibHeader header{1, 200};
  const ZanBitmap bitmap{5, 6, 3, 3, &header, 24, bits.data()};
  const zanHandle layer = zanDib2Layer(&bitmap);
  ASSERT_NE(layer, 0u);
  EXPECT_EQ(rectOf(layer), (std::vector<int32_t>{5, 6, 8, 9}));
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_KIND), ZAN_LAYERKIND_TRANSFORMED);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_OPACITY), 200);
  for (int round = 0; round < 2; ++round) {
    BlockHeader* block = zanLockBlock(layer, 1, 1, nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->data, bits.data());
    zanUnlockBlock(block, round);
  }
  const Image read = readLayer(layer, RECT{0, 0, 3, 3}, 24);
  EXPECT_EQ(read.row(2)[8], 12 * 2 + 9);
  const zanHandle copy = zanCloneLayer(layer, 1, nullptr);
  bits[0] = 99;
  EXPECT_EQ(readLayer(copy, RECT{0, 0, 1, 1}, 24).row(0)[0], 1) << "the clone owns a copy";
  zanDestroyLayer(copy);
  zanDestroyLayer(layer);
  EXPECT_EQ(bits[1], 2) << "the caller's pixels are left alone";
  EXPECT_EQ(zanDib2Layer(nullptr), 0u);
}

}  // namespace
