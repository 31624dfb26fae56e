// Geometry: layers mapped through matrices (exact where the mapping lands on whole pixels, the
// bilinear weights where it does not), transformed layers composed through their outline and
// baked into pixels, and scaling into a caller's block at the fixed-point and box values.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine_fixture.h"

using namespace tessaly::engine::test;

namespace {

using Geometry = EngineTest;

// Row vectors: x' = x m0 + y m3 + m6, y' = x m1 + y m4 + m7.
struct M {
  double m[9];
};
M translate(double dx, double dy) {
  return M{{1, 0, 0, 0, 1, 0, dx, dy, 1}};
}
// A quarter turn: (x, y) -> (tx - y, ty + x).
M quarterTurn(double tx, double ty) {
  return M{{0, 1, 0, -1, 0, 0, tx, ty, 1}};
}

RECT rectOf(zanHandle layer) {
  RECT r{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &r, sizeof r, nullptr);
  return r;
}
std::vector<int32_t> v(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

zanHandle patternLayer(const RECT& r, int bpp, Image& pixels, uint32_t seed = 3) {
  const zanHandle layer = newLayer(r.left, r.top, r.right, r.bottom, bpp);
  setLayerValue(layer, ZAN_LAYER_TILEW, 5);
  setLayerValue(layer, ZAN_LAYER_TILEH, 4);
  pixels = patternImage(r.right - r.left, r.bottom - r.top, bpp, seed);
  zanSetLayerBits(pixels.bytes.data(), layer, 0, 0, pixels.width, pixels.height, pixels.stride, -1);
  return layer;
}

zanHandle filledLayer(const RECT& r, int bpp, int32_t value) {
  const zanHandle layer = newLayer(r.left, r.top, r.right, r.bottom, bpp);
  zanSetLayerBits(nullptr, layer, 0, 0, r.right - r.left, r.bottom - r.top, 0, value);
  return layer;
}

// The picture composed at 1 / 1 over rect into a block of zeros.
Image pictureBits(zanHandle picture, const RECT& rect, int bpp) {
  Image image = blankImage(rect.right - rect.left, rect.bottom - rect.top, bpp);
  BlockHeader* block =
      zanCreateBlock(static_cast<uint32_t>(image.bytes.size()), ZAN_BLOCK_PIXELS, nullptr);
  block->left = rect.left;
  block->top = rect.top;
  block->right = rect.right;
  block->bottom = rect.bottom;
  block->bitsPerPixel = bpp;
  block->stride = image.stride;
  std::memset(block->data, 0, image.bytes.size());
  EXPECT_EQ(zanGetPictureBits(block, picture, rect.left, rect.top, rect.right, rect.bottom), 0);
  std::memcpy(image.bytes.data(), block->data, image.bytes.size());
  zanDestroyBlock(block);
  return image;
}

const unsigned char* at(const Image& image, int x, int y) {
  return image.row(y) + x * image.pixelBytes;
}

TEST_F(Geometry, QuarterTurnMovesEveryPixelExactlyAtEveryDepthWithEitherSampling) {
  for (const int bpp : {8, 16, 24, 48}) {
    Image source;
    const zanHandle layer = patternLayer(RECT{2, 1, 15, 10}, bpp, source);  // 13 x 9, partial tiles
    const M turn = quarterTurn(30, -4);
    for (const int mode : {0, 1}) {
      SCOPED_TRACE(testing::Message() << bpp << " bits, mode " << mode);
      const zanHandle result = zanTransform(layer, turn.m, mode, nullptr);
      ASSERT_NE(result, 0u);
      const RECT r = rectOf(result);
      EXPECT_EQ(v(r), (std::vector<int32_t>{30 - 10, -4 + 2, 30 - 1, -4 + 15}));
      const Image read = readLayer(result, RECT{0, 0, 9, 13}, bpp);
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 9; ++x) {
          // Result pixel (X, Y) in the picture came from source pixel (Y + 4, 30 - X - 1).
          const int sx = (y + r.top) + 4 - 2, sy = 30 - (x + r.left) - 1 - 1;
          ASSERT_EQ(std::memcmp(at(read, x, y), at(source, sx, sy), source.pixelBytes), 0)
              << x << "," << y;
        }
      const zanHandle outline = zanLayerGetMask(result, nullptr);
      ASSERT_NE(outline, 0u);
      EXPECT_EQ(layerValue(outline, ZAN_LAYER_KIND), ZAN_LAYERKIND_TRANSFORMED);
      zanDestroyLayer(result);
    }
    zanDestroyLayer(layer);
  }
}

// Sixteen-bit channels interpolate in their own range, not as bytes: 0 and 65535 doubled give a
// quarter and three quarters of 65535 in the middle, in each channel of a 48-bit pixel too.
TEST_F(Geometry, DoublingInterpolatesSixteenBitChannelsWhole) {
  auto channels = [](const Image& image, int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
      values.push_back(image.row(0)[2 * i] | image.row(0)[2 * i + 1] << 8);
    return values;
  };
  const M twice{{2, 0, 0, 0, 2, 0, 0, 0, 1}};
  const zanHandle grey = newLayer(0, 0, 2, 1, 16);
  const unsigned char greyRow[4] = {0, 0, 0xFF, 0xFF};
  zanSetLayerBits(greyRow, grey, 0, 0, 2, 1, 4, -1);
  const zanHandle greyResult = zanTransform(grey, twice.m, 1, nullptr);
  ASSERT_NE(greyResult, 0u);
  EXPECT_EQ(channels(readLayer(greyResult, RECT{0, 0, 4, 1}, 16), 4),
            (std::vector<int>{0, 16384, 49151, 65535}));
  const zanHandle colour = newLayer(0, 0, 2, 1, 48);
  const unsigned char colourRow[12] = {0, 0, 0xFF, 0xFF, 0, 0x10, 0xFF, 0xFF, 0, 0, 0, 0x90};
  zanSetLayerBits(colourRow, colour, 0, 0, 2, 1, 12, -1);
  const zanHandle colourResult = zanTransform(colour, twice.m, 1, nullptr);
  ASSERT_NE(colourResult, 0u);
  const std::vector<int> values = channels(readLayer(colourResult, RECT{0, 0, 4, 1}, 48), 12);
  EXPECT_EQ(std::vector<int>(values.begin() + 3, values.begin() + 9),
            (std::vector<int>{16384, 49151, 12288, 49151, 16384, 28672}));
  for (const zanHandle h : {greyResult, grey, colourResult, colour}) zanDestroyLayer(h);
}

TEST_F(Geometry, ClipCutsTheResultAndAMissedClipMakesNothing) {
  Image source;
  const zanHandle layer = patternLayer(RECT{0, 0, 11, 7}, 8, source);
  const M shift = translate(-3, 2);
  const RECT clip{-1, 4, 20, 6};
  const zanHandle result = zanCropTransform(layer, &clip, shift.m, 0, nullptr);
  ASSERT_NE(result, 0u);
  EXPECT_EQ(v(rectOf(result)), (std::vector<int32_t>{-1, 4, 8, 6}));
  const Image read = readLayer(result, RECT{0, 0, 9, 2}, 8);
  for (int y = 0; y < 2; ++y) EXPECT_EQ(std::memcmp(read.row(y), at(source, 2, y + 2), 9), 0);
  zanDestroyLayer(result);
  const RECT away{100, 100, 120, 120};
  EXPECT_EQ(zanCropTransform(layer, &away, shift.m, 0, nullptr), 0u);
  const M flat{{1, 2, 0, 2, 4, 0, 0, 0, 1}};
  EXPECT_EQ(zanTransform(layer, flat.m, 0, nullptr), 0u) << "a matrix without inverse";
  EXPECT_EQ(zanTransform(0, shift.m, 0, nullptr), 0u);
  EXPECT_EQ(zanTransform(layer, nullptr, 0, nullptr), 0u);
  zanDestroyLayer(layer);
}

TEST_F(Geometry, DoublingInterpolatesInQuarterStepsAndMapsTheMask) {
  const zanHandle layer = newLayer(0, 0, 2, 1, 8);
  const unsigned char row[2] = {0, 255};
  zanSetLayerBits(row, layer, 0, 0, 2, 1, 2, -1);
  const zanHandle mask = filledLayer(RECT{0, 0, 2, 1}, 8, 200);
  zanLayerAttachMask(layer, mask);
  const M twice{{2, 0, 0, 0, 2, 0, 0, 0, 1}};
  const zanHandle result = zanTransform(layer, twice.m, 1, nullptr);
  ASSERT_NE(result, 0u);
  EXPECT_EQ(v(rectOf(result)), (std::vector<int32_t>{0, 0, 4, 2}));
  // Centres at -0.25, 0.25, 0.75, 1.25: the edges repeat, the middle takes 1/4 and 3/4 of 255.
  const Image read = readLayer(result, RECT{0, 0, 4, 1}, 8);
  EXPECT_EQ(std::vector<int>(read.row(0), read.row(0) + 4), (std::vector<int>{0, 64, 191, 255}));
  // The mask falls to 0 outside the source: centres at -0.25 and 1.25 keep 3/4 of it along each
  // axis, and the first row's centre (-0.25) lies outside too.
  const zanHandle mapped = zanLayerGetMask(result, nullptr);
  ASSERT_NE(mapped, 0u);
  EXPECT_EQ(layerValue(mapped, ZAN_LAYER_KIND), 0);
  const Image values = readLayer(mapped, RECT{0, 0, 4, 1}, 8);
  EXPECT_EQ(std::vector<int>(values.row(0), values.row(0) + 4),
            (std::vector<int>{113, 150, 150, 113}));
  zanDestroyLayer(result);
  zanDestroyLayer(layer);
}

// A picture holding one layer of kind 2 whose pixels stand untransformed on (0, 0, w, h) and
// show through matrix: it borrows the outline a transform of a same-sized layer made.
zanHandle transformedLayer(zanHandle picture, const RECT& r, const M& matrix, int32_t value) {
  const zanHandle layer = filledLayer(r, 24, value);
  const zanHandle helper = zanTransform(layer, matrix.m, 0, nullptr);
  const zanHandle outline = zanLayerGetMask(helper, nullptr);
  zanLayerAttachMask(helper, 0);
  zanDestroyLayer(helper);
  zanLayerAttachMask(layer, outline);
  setLayerValue(layer, ZAN_LAYER_KIND, ZAN_LAYERKIND_TRANSFORMED);
  insert(picture, layer);
  return layer;
}

TEST_F(Geometry, TransformedLayersComposeThroughTheirOutlineAndBakeToTheSamePixels) {
  const zanHandle picture = newPicture();
  // Half a pixel to the right: the outline covers the first and last columns by half.
  const zanHandle layer = transformedLayer(picture, RECT{0, 0, 4, 2}, translate(0.5, 0), 0xFFFFFF);
  const Image before = pictureBits(picture, RECT{-1, 0, 6, 2}, 24);
  const int expected[7] = {0, 128, 255, 255, 255, 128, 0};
  for (int x = 0; x < 7; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(at(before, x, 1)[c], expected[x]) << x;
  EXPECT_EQ(zanLayerRaster(layer), 0);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_KIND), 0);
  EXPECT_EQ(v(rectOf(layer)), (std::vector<int32_t>{0, 0, 5, 2}));
  const Image values = readLayer(zanLayerGetMask(layer, nullptr), RECT{0, 0, 5, 2}, 8);
  EXPECT_EQ(std::vector<int>(values.row(1), values.row(1) + 5),
            (std::vector<int>{128, 255, 255, 255, 128}));
  const Image after = pictureBits(picture, RECT{-1, 0, 6, 2}, 24);
  EXPECT_EQ(after.bytes, before.bytes);
  EXPECT_EQ(zanLayerRaster(layer), ZAN_ERR_ARG) << "no longer of kind 2";
  zanDestroyPicture(picture);
}

TEST_F(Geometry, RotatedLayerComposesLikeItsTransformedCopy) {
  Image source;
  const zanHandle layer = patternLayer(RECT{0, 0, 7, 5}, 24, source);
  const M turn = quarterTurn(9, 1);
  const zanHandle copy = zanTransform(layer, turn.m, 1, nullptr);
  const zanHandle outline = zanLayerGetMask(copy, nullptr);
  const zanHandle second = zanTransform(layer, turn.m, 1, nullptr);
  const zanHandle borrowed = zanLayerGetMask(second, nullptr);
  zanLayerAttachMask(second, 0);
  zanDestroyLayer(second);
  zanLayerAttachMask(layer, borrowed);
  setLayerValue(layer, ZAN_LAYER_KIND, ZAN_LAYERKIND_TRANSFORMED);
  ASSERT_NE(outline, 0u);
  const RECT area{0, -1, 12, 10};
  const zanHandle a = newPicture(), b = newPicture();
  insert(a, layer);
  insert(b, copy);
  EXPECT_EQ(pictureBits(a, area, 24).bytes, pictureBits(b, area, 24).bytes);
  // Picture pixel (5, 3) shows source pixel (3 - 1, 9 - 5 - 1).
  EXPECT_EQ(std::memcmp(at(pictureBits(a, area, 24), 5, 4), at(source, 2, 3), 3), 0);
  zanDestroyPicture(a);
  zanDestroyPicture(b);
}

TEST_F(Geometry, WrappedBitmapComposesAndBakingWithoutOutlineFails) {
  std::vector<unsigned char> bits(8 * 2);  // 2 x 2 pixels of 24 bits, rows of 8 bytes
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<unsigned char>(10 + i);
  const ZanBitmap bitmap{3, 1, 2, 2, nullptr, 24, bits.data()};
  const zanHandle layer = zanDib2Layer(&bitmap);
  const zanHandle picture = newPicture();
  insert(picture, layer);
  const Image shown = pictureBits(picture, RECT{3, 1, 5, 3}, 24);
  EXPECT_EQ(std::memcmp(shown.row(1), bits.data() + 8, 6), 0);
  EXPECT_EQ(zanLayerRaster(layer), ZAN_ERR_MASK);
  EXPECT_EQ(zanLayerRaster(0), ZAN_ERR_ARG);
  zanDestroyPicture(picture);
}

// Scales a row of 8-bit values into a block and answers the block's row.
std::vector<int> resizeRow(const std::vector<unsigned char>& row, int32_t n, int32_t d, int type,
                           RECT rect, int32_t* answer = nullptr) {
  const auto width = static_cast<int32_t>(row.size());
  const zanHandle layer = newLayer(0, 0, width, 1, 8);
  zanSetLayerBits(row.data(), layer, 0, 0, width, 1, width, -1);
  const int32_t count = rect.right - rect.left;
  std::vector<unsigned char> out(static_cast<size_t>(count) + 4, 7);
  BlockHeader block{ZAN_BLOCK_PIXELS, out.data(), 0, 0, count, 1, 8, count + 4};
  const int32_t ratioX[2] = {n, d}, ratioY[2] = {1, 1};
  const int32_t result = zanCropResize(&block, &rect, layer, ratioX, ratioY, type);
  if (answer != nullptr) *answer = result;
  zanDestroyLayer(layer);
  return std::vector<int>(out.begin(), out.begin() + count);
}

TEST_F(Geometry, CropResizeHitsItsFixedPointAndBoxValues) {
  // Type 1: step 2 x 32768 / 4, halves rounded up.
  EXPECT_EQ(resizeRow({0, 100, 255}, 5, 3, 1, RECT{0, 0, 5, 1}),
            (std::vector<int>{0, 50, 100, 178, 255}));
  // Type 2, doubling: centres at -0.25 (pixel 0), 0.25, 0.75, 1.25 (clamped), truncated.
  EXPECT_EQ(resizeRow({0, 255}, 2, 1, 2, RECT{0, 0, 4, 1}), (std::vector<int>{0, 63, 191, 255}));
  // Type 2, a third: boxes of three averaged, 20 and 50 exactly.
  EXPECT_EQ(resizeRow({10, 20, 30, 40, 50, 60}, 1, 3, 2, RECT{0, 0, 2, 1}),
            (std::vector<int>{20, 50}));
  // A part beginning left of the scaled layer: the block's first pixel stays untouched.
  EXPECT_EQ(resizeRow({9, 8, 7}, 1, 1, 1, RECT{-1, 0, 2, 1}), (std::vector<int>{7, 9, 8}));
  int32_t answer = -1;
  resizeRow({1, 2}, 1, 1, 3, RECT{0, 0, 2, 1}, &answer);
  EXPECT_EQ(answer, 0) << "unknown type";
  RECT rect{0, 0, 1, 1};
  const int32_t ratio[2] = {1, 1};
  EXPECT_EQ(zanCropResize(nullptr, &rect, 0, ratio, ratio, 1), 0);
  BlockHeader block{ZAN_BLOCK_PIXELS, nullptr, 0, 0, 1, 1, 8, 4};
  EXPECT_EQ(zanCropResize(&block, &rect, 0, ratio, ratio, 1), 0) << "zero layer";
}

TEST_F(Geometry, CropResizePositionsBeyond65535PixelsDoNotOverflow) {
  std::vector<unsigned char> row(70000);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i * 7);
  const std::vector<int> tail = resizeRow(row, 1, 1, 1, RECT{69990, 0, 70000, 1});
  for (int i = 0; i < 10; ++i) EXPECT_EQ(tail[static_cast<size_t>(i)], row[69990 + i]) << i;
  const std::vector<int> boxed = resizeRow(row, 1, 1, 2, RECT{69995, 0, 70000, 1});
  for (int i = 0; i < 5; ++i) EXPECT_EQ(boxed[static_cast<size_t>(i)], row[69995 + i]) << i;
}

}  // namespace
