// Masks through the operations: copied unchanged by tone operations, moved with the pixels by
// exact moves and resizes, made from the coverage by rotations, multiplied by a crop's shape.
#include <cstring>
#include <utility>
#include <vector>

#include "tools_fixture.h"

using namespace tessaly::tools::test;

namespace {

using MaskTest = ToolsTest;

Pixels maskOf(zanHandle layer) {
  const zanHandle mask = zanLayerGetMask(layer, nullptr);
  EXPECT_NE(mask, 0u);
  return mask != 0 ? readLayer(mask) : Pixels{};
}

Pixels constant(int32_t width, int32_t height, int value) {
  return makePixels(width, height, 1, [=](int32_t, int32_t, int32_t) { return value; });
}

// A 24-bit layer at (5, 3) with a mask of distinct values on its rectangle.
struct Masked {
  Pixels pixels = patternPixels(21, 13, 3);
  Pixels mask = patternPixels(21, 13, 1);
  zanHandle layer = makeLayer(pixels, 24, 5, 3, 8);
  Masked() { zanLayerAttachMask(layer, makeLayer(mask, 8, 5, 3, 8)); }
  ~Masked() { zanDestroyLayer(layer); }
};

TEST_F(MaskTest, ToneOperationsCopyTheMaskAndExactMovesMoveIt) {
  const Masked source;
  Result negative(matNegative(source.layer, nullptr, nullptr));
  EXPECT_EQ(maskOf(negative.layer).bytes, source.mask.bytes);
  EXPECT_NE(zanLayerGetMask(negative.layer, nullptr), zanLayerGetMask(source.layer, nullptr));

  const FlipParams acrossRows{1};
  Result flipped(matFlipLayer(source.layer, &acrossRows, nullptr, nullptr));
  const Pixels flippedMask = maskOf(flipped.layer);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 21; ++x)
      ASSERT_EQ(flippedMask.at(x, y)[0], source.mask.at(20 - x, y)[0]) << x << "," << y;

  RotateParams quarter{90, 0, 0, 0, 0, 0, 0, 0};
  Result turned(matRotateLayer(source.layer, &quarter, nullptr, nullptr));
  const Pixels turnedPixels = readLayer(turned.layer);
  const Pixels turnedMask = maskOf(turned.layer);
  ASSERT_EQ(turnedMask.width, 13);
  // The mask goes where the pixels go: find each moved pixel's source by its bytes' place.
  for (int32_t y = 0; y < turnedMask.height; ++y) {
    for (int32_t x = 0; x < turnedMask.width; ++x) {
      bool found = false;
      for (int32_t sy = 0; sy < 13 && !found; ++sy)
        for (int32_t sx = 0; sx < 21 && !found; ++sx)
          if (std::memcmp(turnedPixels.at(x, y), source.pixels.at(sx, sy), 3) == 0 &&
              turnedMask.at(x, y)[0] == source.mask.at(sx, sy)[0])
            found = true;
      ASSERT_TRUE(found) << x << "," << y;
    }
  }

  const ResizeRatio twice{2, 1, 2, 1, 0};
  Result grown(matResize(source.layer, &twice, nullptr, nullptr));
  const Pixels grownMask = maskOf(grown.layer);
  ASSERT_EQ(grownMask.width, 42);
  for (int32_t y = 0; y < 26; ++y)
    for (int32_t x = 0; x < 42; ++x)
      ASSERT_EQ(grownMask.at(x, y)[0], source.mask.at(x / 2, y / 2)[0]) << x << "," << y;
}

// Turned by 45 degrees, a layer without a mask gets its coverage: whole inside, none in the
// corners, and steps in between along the turned edge.
TEST_F(MaskTest, RotationMakesACoverageMaskFromTheSourcesMask) {
  const zanHandle plain = makeLayer(patternPixels(40, 30, 3), 24);
  RotateParams diagonal{45, 0, 0, 0, 0, 0, 0, 0};
  Result turned(matRotateLayer(plain, &diagonal, nullptr, nullptr));
  const Pixels coverage = maskOf(turned.layer);
  ASSERT_GT(coverage.width, 40);
  const int32_t cx = coverage.width / 2, cy = coverage.height / 2;
  EXPECT_EQ(coverage.at(cx, cy)[0], 255);
  EXPECT_EQ(coverage.at(0, 0)[0], 0);
  EXPECT_EQ(coverage.at(coverage.width - 1, coverage.height - 1)[0], 0);
  bool partial = false;
  for (int32_t x = 0; x < coverage.width; ++x)
    partial = partial || (coverage.at(x, cy)[0] > 0 && coverage.at(x, cy)[0] < 255);
  EXPECT_TRUE(partial) << "the edge fades rather than cutting off";
  zanDestroyLayer(plain);

  // With a mask of 128, the inside carries 128.
  const zanHandle half = makeLayer(patternPixels(40, 30, 3), 24);
  zanLayerAttachMask(half, makeLayer(constant(40, 30, 128), 8));
  Result halfTurned(matRotateLayer(half, &diagonal, nullptr, nullptr));
  EXPECT_EQ(maskOf(halfTurned.layer).at(cx, cy)[0], 128);
  zanDestroyLayer(half);
}

TEST_F(MaskTest, CropMultipliesTheMaskByTheShape) {
  const zanHandle layer = makeLayer(patternPixels(20, 10, 3), 24, 0, 0);
  zanLayerAttachMask(layer, makeLayer(constant(20, 10, 200), 8));
  const zanHandle shape = makeLayer(constant(8, 8, 100), 8, 15, 4);  // overlaps 5 x 6
  Result cropped(matCropLayer(layer, shape, nullptr));
  const Pixels values = maskOf(cropped.layer);
  ASSERT_EQ(values.width, 5);
  ASSERT_EQ(values.height, 6);
  for (const unsigned char v : values.bytes) ASSERT_EQ(v, (200 * 100 + 127) / 255);

  const zanHandle bare = makeLayer(patternPixels(20, 10, 3), 24, 0, 0);
  Result shaped(matCropLayer(bare, shape, nullptr));
  for (const unsigned char v : maskOf(shaped.layer).bytes) ASSERT_EQ(v, 100) << "255 x 100";
  for (const zanHandle h : {layer, shape, bare}) zanDestroyLayer(h);
}

// A mask that does not lie on its layer's rectangle is taken where it overlaps, 0 elsewhere.
TEST_F(MaskTest, AMaskOnAnotherRectangleIsAlignedFirst) {
  const zanHandle layer = makeLayer(patternPixels(10, 6, 3), 24, 0, 0, 4);
  zanLayerAttachMask(layer, makeLayer(constant(10, 6, 77), 8, 4, 2, 16));
  const FlipParams upsideDown{0};
  Result flipped(matFlipLayer(layer, &upsideDown, nullptr, nullptr));
  const Pixels values = maskOf(flipped.layer);
  ASSERT_EQ(values.width, 10);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x)
      ASSERT_EQ(values.at(x, y)[0], (x >= 4 && 5 - y >= 2) ? 77 : 0) << x << "," << y;
  zanDestroyLayer(layer);
}

}  // namespace

namespace {

// A fill gives every pixel the colour in the engine's byte order, at every depth, and keeps the
// mask; the high byte of the colour is ignored.
TEST_F(MaskTest, FillColourGivesEveryPixelTheColourAndKeepsTheMask) {
  const FillParams orange{static_cast<int32_t>(0xFFC08040)};
  for (const auto& [bits, expected] : std::vector<std::pair<int32_t, std::vector<int>>>{
           {8, {0x40}},
           {16, {0x40, 0x40}},
           {24, {0xC0, 0x80, 0x40}},
           {48, {0xC0, 0xC0, 0x80, 0x80, 0x40, 0x40}}}) {
    SCOPED_TRACE(bits);
    const int32_t bytes = static_cast<int32_t>(expected.size());
    const zanHandle layer = makeLayer(patternPixels(9, 5, bytes), bits, 2, 1, 4);
    zanLayerAttachMask(layer, makeLayer(constant(9, 5, 99), 8, 2, 1, 4));
    int32_t error = -1;
    Result filled(_matFillColor(layer, &orange, nullptr, &error));
    ASSERT_EQ(error, MAT_OK);
    const Pixels p = readLayer(filled.layer);
    for (int32_t i = 0; i < 9 * 5; ++i)
      ASSERT_EQ(std::vector<int>(p.bytes.begin() + i * bytes, p.bytes.begin() + (i + 1) * bytes),
                expected);
    EXPECT_EQ(maskOf(filled.layer).bytes, constant(9, 5, 99).bytes);
    zanDestroyLayer(layer);
  }
}

}  // namespace
