// Composition against a reference written plainly here: each layer's pixels held whole, blended
// pixel by pixel with the blend formulas evaluated in double precision and truncated the same
// way. Odd rectangles and 7 x 5 tiles make every composition meet partial tiles on all sides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "blend_tables.h"
#include "engine_fixture.h"
#include "pixel_format.h"

using namespace tessaly::engine::test;

namespace {

using Composition = EngineTest;

int keepRef(int j, int k) {
  return static_cast<int>(std::floor(((255.0 - j) * k + 127.0) / 255.0));
}
int takeRef(int j, int k) {
  return static_cast<int>(std::floor((double(k) * j + 127.0) / 255.0));
}
int uniteRef(int j, int k) {
  return k + j - takeRef(j, k);
}
int ratioRef(int j, int k) {
  return k == 0 ? 0 : static_cast<int>(std::floor(j * 256.0 / k));
}

// A layer as the reference sees it: its rectangle, pixels, opacity and mask (empty: none).
struct RefLayer {
  RECT rect;
  int bpp;
  Image pixels;
  int opacity;
  Image mask;
  bool hasMask;

  bool covers(int x, int y) const {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
  }
  int coverage(int x, int y) const {
    if (!hasMask) return opacity;
    return takeRef(opacity, mask.row(y - rect.top)[x - rect.left]);
  }
  const unsigned char* pixel(int x, int y) const {
    return pixels.row(y - rect.top) + (x - rect.left) * pixels.pixelBytes;
  }
};

// Makes the engine layer for a reference layer, with 7 x 5 tiles, and puts it into the picture.
zanHandle addLayer(zanHandle picture, RefLayer& ref, uint32_t seed) {
  const zanHandle layer =
      newLayer(ref.rect.left, ref.rect.top, ref.rect.right, ref.rect.bottom, ref.bpp);
  setLayerValue(layer, ZAN_LAYER_TILEW, 7);
  setLayerValue(layer, ZAN_LAYER_TILEH, 5);
  setLayerValue(layer, ZAN_LAYER_OPACITY, ref.opacity);
  const int w = ref.rect.right - ref.rect.left, h = ref.rect.bottom - ref.rect.top;
  ref.pixels = patternImage(w, h, ref.bpp, seed);
  EXPECT_EQ(zanSetLayerBits(ref.pixels.bytes.data(), layer, 0, 0, w, h, ref.pixels.stride, -1), 0);
  if (ref.hasMask) {
    const zanHandle mask =
        newLayer(ref.rect.left, ref.rect.top, ref.rect.right, ref.rect.bottom, 8);
    ref.mask = patternImage(w, h, 8, seed + 100);
    EXPECT_EQ(zanSetLayerBits(ref.mask.bytes.data(), mask, 0, 0, w, h, ref.mask.stride, -1), 0);
    EXPECT_EQ(zanLayerAttachMask(layer, mask), 0);
  }
  insert(picture, layer);
  return layer;
}

// A caller's block over rect, its pixels a pattern.
BlockHeader* patternBlock(const RECT& rect, int bpp, Image& initial) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const auto stride = static_cast<int32_t>(tessaly::engine::rowStride(bpp, w));
  BlockHeader* block = zanCreateBlock(static_cast<uint32_t>(stride * h), ZAN_BLOCK_PIXELS, nullptr);
  block->left = rect.left;
  block->top = rect.top;
  block->right = rect.right;
  block->bottom = rect.bottom;
  block->bitsPerPixel = bpp;
  block->stride = stride;
  initial = patternImage(w, h, bpp, 77);
  for (int y = 0; y < h; ++y)
    std::memcpy(block->data + y * stride, initial.row(y),
                static_cast<size_t>(w * initial.pixelBytes));
  return block;
}

// The source pixel as channels of the 24-bit target.
std::vector<int> asTarget24(const RefLayer& layer, const unsigned char* p) {
  switch (layer.bpp) {
    case 8:
      return {p[0], p[0], p[0]};
    case 16:
      return {p[1], p[1], p[1]};
    case 48:
      return {p[1], p[3], p[5]};
    default:
      return {p[0], p[1], p[2]};
  }
}

// True when every pixel byte of the image (not the padding) is value.
bool allBytes(const Image& image, int value) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width * image.pixelBytes; ++x)
      if (image.row(y)[x] != value) return false;
  return true;
}

TEST_F(Composition, TablesAndTheirFastArithmeticAgree) {
  const auto& t = tessaly::engine::blendTables();
  for (int j = 0; j < 256; ++j) {
    for (int k = 0; k < 256; ++k) {
      ASSERT_EQ(t.keep[j][k], keepRef(j, k));
      ASSERT_EQ(t.take[j][k], takeRef(j, k));
      ASSERT_EQ(t.unite[j][k], uniteRef(j, k));
      ASSERT_EQ(t.ratio[j][k], ratioRef(j, k));
    }
  }
  for (uint32_t x = 0; x <= 65152; ++x) ASSERT_EQ(tessaly::engine::div255(x), x / 255) << x;
  EXPECT_EQ(t.keep[128][0] + t.take[128][255], 128) << "white over black at opacity 128";
}

// Two layers over a caller's block at 1 / 1: every opacity that rounds differently, with and
// without a mask on the upper layer, for each depth that composes onto 24 bits.
TEST_F(Composition, PictureBitsMatchTheReference) {
  for (const int bpp : {24, 8, 16, 48}) {
    for (const int opacity : {0, 1, 128, 254, 255}) {
      for (const bool masked : {false, true}) {
        SCOPED_TRACE(testing::Message()
                     << bpp << " bits, opacity " << opacity << ", mask " << masked);
        const zanHandle picture = newPicture();
        RefLayer bottom{{-5, -3, 37, 23}, 24, {}, 255, {}, false};
        RefLayer top{{4, 6, 29, 41}, bpp, {}, opacity, {}, masked};
        addLayer(picture, bottom, 1);
        addLayer(picture, top, 2);
        const RECT target{-2, 1, 33, 30};
        Image initial;
        BlockHeader* block = patternBlock(target, 24, initial);
        EXPECT_EQ(zanGetPictureBits(block, picture, -100, -100, 100, 29), 0);
        EXPECT_EQ(block->left, -2) << "the block's rectangle is given back";
        EXPECT_EQ(block->bottom, 30);
        for (int y = target.top; y < target.bottom; ++y) {
          for (int x = target.left; x < target.right; ++x) {
            const unsigned char* was = initial.row(y - target.top) + 3 * (x - target.left);
            std::vector<int> v{was[0], was[1], was[2]};
            if (y < 29) {  // the limit leaves the last row alone
              for (const RefLayer* layer : {&bottom, &top}) {
                if (!layer->covers(x, y)) continue;
                const int a = layer->coverage(x, y);
                const std::vector<int> src = asTarget24(*layer, layer->pixel(x, y));
                for (int c = 0; c < 3; ++c) v[c] = keepRef(a, v[c]) + takeRef(a, src[c]);
              }
            }
            const unsigned char* got =
                block->data + (y - target.top) * block->stride + 3 * (x - target.left);
            for (int c = 0; c < 3; ++c)
              ASSERT_EQ(got[c], v[c]) << x << ", " << y << " channel " << c;
          }
        }
        zanDestroyBlock(block);
        zanDestroyPicture(picture);
      }
    }
  }
}

// A merge whose layers are translucent gets a mask, and composes with the masked equation.
TEST_F(Composition, MergeIntoAMaskMatchesTheReference) {
  for (const int bpp : {24, 8, 48}) {
    SCOPED_TRACE(bpp);
    const zanHandle picture = newPicture();
    setPictureValue(picture, ZAN_PICT_WIDTH, 41);
    setPictureValue(picture, ZAN_PICT_HEIGHT, 29);
    setPictureValue(picture, ZAN_PICT_BPP, bpp);
    RefLayer lower{{-3, 2, 30, 27}, bpp, {}, 254, {}, false};
    RefLayer upper{{9, -4, 45, 20}, bpp, {}, 129, {}, true};
    addLayer(picture, lower, 3);
    addLayer(picture, upper, 4);
    const RECT request{1, 1, 40, 28};
    int32_t error = 1;
    const zanHandle merged = zanMergeLayers(picture, 1, 1, nullptr, &request, nullptr, &error);
    ASSERT_NE(merged, 0u);
    EXPECT_EQ(error, 0);
    const zanHandle mask = zanLayerGetMask(merged, nullptr);
    ASSERT_NE(mask, 0u);
    const Image pixels = readLayer(merged, RECT{0, 0, 39, 27}, bpp);
    const Image coverage = readLayer(mask, RECT{0, 0, 39, 27}, 8);
    const int channels = bpp == 8 ? 1 : 3;
    const int wide = bpp == 48 ? 2 : 1;
    for (int y = request.top; y < request.bottom; ++y) {
      for (int x = request.left; x < request.right; ++x) {
        std::vector<int> v(channels, 0);
        int m = 0;
        for (const RefLayer* layer : {&lower, &upper}) {
          if (!layer->covers(x, y)) continue;
          const int a = layer->coverage(x, y);
          const int united = uniteRef(a, m);
          const int w = ratioRef(a, united);
          const unsigned char* p = layer->pixel(x, y);
          for (int c = 0; c < channels; ++c) {
            const int src = wide == 2 ? p[2 * c] | p[2 * c + 1] << 8 : p[c];
            v[c] += static_cast<int>(std::floor(w * double(src - v[c]) / 256.0));
          }
          m = united;
        }
        const unsigned char* got = pixels.row(y - 1) + (x - 1) * channels * wide;
        for (int c = 0; c < channels; ++c) {
          const int value = wide == 2 ? got[2 * c] | got[2 * c + 1] << 8 : got[c];
          ASSERT_EQ(value, v[c]) << x << ", " << y;
        }
        ASSERT_EQ(coverage.row(y - 1)[x - 1], m) << x << ", " << y;
      }
    }
    zanDestroyLayer(merged);
    zanDestroyPicture(picture);
  }
}

TEST_F(Composition, MergeOfOneCoveringOpaqueLayerHasNoMaskAndEqualPixels) {
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 20);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 11);
  RefLayer only{{0, 0, 20, 11}, 24, {}, 255, {}, false};
  const zanHandle layer = addLayer(picture, only, 5);
  const zanHandle hidden = newLayer(0, 0, 20, 11);
  EXPECT_EQ(zanSetLayerBits(nullptr, hidden, 0, 0, 20, 11, 0, 0x00FF00), 0);
  setLayerValue(hidden, ZAN_LAYER_VISIBLE, 0);
  insert(picture, hidden);
  const zanHandle merged = zanMergeLayers(picture, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(merged, 0u);
  EXPECT_EQ(zanLayerGetMask(merged, nullptr), 0u);
  EXPECT_EQ(readLayer(merged, RECT{0, 0, 20, 11}, 24).bytes,
            readLayer(layer, RECT{0, 0, 20, 11}, 24).bytes);
  zanDestroyLayer(merged);
  zanDestroyPicture(picture);
}

// A merge leaves target tiles unfilled only where an opaque layer's pixels will cover them: tiles
// of the layer without a block are transparent and must come out as zeros, even in memory that
// held other pixels before.
TEST_F(Composition, MergeOfAnOpaqueLayerWithEmptyTilesKeepsThemZero) {
  const zanHandle bright = newPicture();
  setPictureValue(bright, ZAN_PICT_WIDTH, 20);
  setPictureValue(bright, ZAN_PICT_HEIGHT, 11);
  const zanHandle white = newLayer(0, 0, 20, 11);
  EXPECT_EQ(zanSetLayerBits(nullptr, white, 0, 0, 20, 11, 0, 0xFFFFFF), 0);
  insert(bright, white);
  zanDestroyLayer(zanMergeLayers(bright, 1, 1, nullptr, nullptr, nullptr, nullptr));
  zanDestroyPicture(bright);

  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 20);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 11);
  const zanHandle layer = newLayer(0, 0, 20, 11);
  setLayerValue(layer, ZAN_LAYER_TILEW, 7);
  setLayerValue(layer, ZAN_LAYER_TILEH, 5);
  const Image left = patternImage(7, 11, 24, 3);  // the first tile column; the second has none
  EXPECT_EQ(zanSetLayerBits(left.bytes.data(), layer, 0, 0, 7, 11, left.stride, -1), 0);
  EXPECT_EQ(zanSetLayerBits(nullptr, layer, 14, 0, 20, 11, 0, 0x405060), 0);  // uniform tiles
  insert(picture, layer);
  const zanHandle merged = zanMergeLayers(picture, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(merged, 0u);
  const Image out = readLayer(merged, RECT{0, 0, 20, 11}, 24);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 20; ++x) {
      const unsigned char* p = out.row(y) + x * 3;
      if (x < 7) {
        EXPECT_EQ(std::memcmp(p, left.row(y) + x * 3, 3), 0) << x << "," << y;
      } else if (x < 14) {
        EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0) << x << "," << y;
      } else {
        EXPECT_TRUE(p[0] == 0x40 && p[1] == 0x50 && p[2] == 0x60) << x << "," << y;
      }
    }
  }
  zanDestroyLayer(merged);
  zanDestroyPicture(picture);
}

TEST_F(Composition, UniformTilesBlendTheirFillValue) {
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 8);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 8);
  const zanHandle layer = newLayer(0, 0, 8, 8);
  EXPECT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 8, 8, 0, 0xFF8000), 0);
  setLayerValue(layer, ZAN_LAYER_OPACITY, 128);
  insert(picture, layer);
  Image initial;
  BlockHeader* block = patternBlock(RECT{0, 0, 8, 8}, 24, initial);
  std::memset(block->data, 0, static_cast<size_t>(block->stride) * 8);
  EXPECT_EQ(zanGetPictureBits(block, picture, 0, 0, 8, 8), 0);
  EXPECT_EQ(block->data[0], 128);  // bits 16 to 23 go to the first byte
  EXPECT_EQ(block->data[1], 64);
  EXPECT_EQ(block->data[2], 0);
  zanDestroyBlock(block);
  zanDestroyPicture(picture);
}

// Halving draws from the reduced copy: a pattern of alternating black and white columns averages
// to 128, and a change of the layer reaches the copy.
TEST_F(Composition, ScaledMergesDrawFromUpToDateReducedCopies) {
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 30);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 18);
  const zanHandle layer = newLayer(0, 0, 30, 18, 8);
  Image stripes = blankImage(30, 18, 8);
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 30; ++x) stripes.row(y)[x] = x % 2 == 0 ? 0 : 255;
  EXPECT_EQ(zanSetLayerBits(stripes.bytes.data(), layer, 0, 0, 30, 18, stripes.stride, -1), 0);
  insert(picture, layer);
  setPictureValue(picture, ZAN_PICT_BPP, 8);
  zanHandle merged = zanMergeLayers(picture, 1, 2, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(merged, 0u);
  RECT r{};
  zanGetLayerProperty(merged, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  EXPECT_EQ(r.right, 15);
  EXPECT_EQ(r.bottom, 9);
  EXPECT_TRUE(allBytes(readLayer(merged, RECT{0, 0, 15, 9}, 8), 128));
  zanDestroyLayer(merged);
  EXPECT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 30, 18, 0, 200), 0);
  merged = zanMergeLayers(picture, 1, 2, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(allBytes(readLayer(merged, RECT{0, 0, 15, 9}, 8), 200));
  zanDestroyLayer(merged);
  zanDestroyPicture(picture);
}

TEST_F(Composition, ResampleHalvesAtTheOriginWithItsMaskAndLeavesTheLayerInPlace) {
  const zanHandle picture = newPicture();
  const zanHandle layer = newLayer(7, 3, 107, 53);
  EXPECT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 100, 50, 0, 0x102030), 0);
  const zanHandle mask = newLayer(7, 3, 107, 53, 8);
  EXPECT_EQ(zanSetLayerBits(nullptr, mask, 0, 0, 100, 50, 0, 99), 0);
  zanLayerAttachMask(layer, mask);
  setLayerValue(layer, ZAN_LAYER_OPACITY, 10);
  insert(picture, layer);
  const int32_t half[2] = {1, 2};
  const zanHandle small = zanLayerResample(layer, half);
  ASSERT_NE(small, 0u);
  RECT r{};
  zanGetLayerProperty(small, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({0, 0, 50, 25}));
  EXPECT_EQ(layerValue(small, ZAN_LAYER_OPACITY), 10) << "kept as a property";
  EXPECT_EQ(layerValue(small, ZAN_LAYER_PICTURE), 0);
  const Image pixels = readLayer(small, RECT{0, 0, 50, 25}, 24);
  EXPECT_EQ(pixels.row(24)[49 * 3], 0x10);
  EXPECT_EQ(pixels.row(0)[2], 0x30);
  EXPECT_TRUE(allBytes(readLayer(zanLayerGetMask(small, nullptr), RECT{0, 0, 50, 25}, 8), 99));
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(zanGetLayer(picture, 1, nullptr), layer);
  zanDestroyLayer(small);
  zanDestroyPicture(picture);
}

TEST_F(Composition, ZeroHandlesAndBadScalesGiveNeutralResults) {
  int32_t error = 1;
  const int32_t ratio[2] = {1, 1};
  const int32_t bad[2] = {1, 0};
  EXPECT_EQ(zanMergeLayers(0, 1, 1, nullptr, nullptr, nullptr, &error), 0u);
  EXPECT_EQ(zanLayerResample(0, ratio), 0u);
  EXPECT_EQ(zanGetPictureBits(nullptr, 0, 0, 0, 1, 1), 0);
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 4);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 4);
  EXPECT_EQ(zanMergeLayers(picture, 1, 0, nullptr, nullptr, nullptr, &error), 0u);
  EXPECT_EQ(error, ZAN_ERR_ARG);
  const RECT empty{3, 3, 3, 9};
  EXPECT_EQ(zanMergeLayers(picture, 1, 1, nullptr, &empty, nullptr, &error), 0u);
  const zanHandle layer = newLayer(0, 0, 4, 4);
  EXPECT_EQ(zanLayerResample(layer, bad), 0u);
  zanDestroyLayer(layer);
  zanDestroyPicture(picture);
}

}  // namespace
