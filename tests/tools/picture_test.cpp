// Picture-wide turns and mirrors: the composed picture afterwards is the composed picture before,
// turned or mirrored pixel for pixel; a cancel leaves the picture as it was.
#include <algorithm>
#include <cstring>

#include "tools_fixture.h"

using namespace tessaly::tools::test;

namespace {

using PictureTest = ToolsTest;

int32_t pictureValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  zanGetPictureProperty(picture, id, &value, sizeof value, nullptr);
  return value;
}

// The picture's layers composed at 1 / 1 over its whole canvas, 24 bits packed.
Pixels composed(zanHandle picture) {
  const int32_t width = pictureValue(picture, ZAN_PICT_WIDTH);
  const int32_t height = pictureValue(picture, ZAN_PICT_HEIGHT);
  const int32_t stride = (width * 3 + 3) / 4 * 4;
  BlockHeader* block =
      zanCreateBlock(static_cast<uint32_t>(stride * height), ZAN_BLOCK_PIXELS, nullptr);
  block->right = width;
  block->bottom = height;
  block->bitsPerPixel = 24;
  block->stride = stride;
  std::memset(block->data, 0, static_cast<size_t>(stride) * height);
  EXPECT_EQ(zanGetPictureBits(block, picture, 0, 0, width, height), 0);
  Pixels out = makePixels(width, height, 3, [&](int32_t x, int32_t y, int32_t b) {
    return block->data[y * stride + x * 3 + b];
  });
  zanDestroyBlock(block);
  return out;
}

// A 30 x 20 canvas: a full background and a smaller layer with a half-covering mask on top.
zanHandle twoLayerPicture() {
  const zanHandle picture = zanCreatePicture(nullptr);
  const int32_t width = 30, height = 20;
  zanSetPictureProperty(picture, ZAN_PICT_WIDTH, &width, 4, 0);
  zanSetPictureProperty(picture, ZAN_PICT_HEIGHT, &height, 4, 0);
  zanInsertLayer(picture, makeLayer(patternPixels(30, 20, 3), 24, 0, 0, 8), 0);
  const zanHandle top = makeLayer(patternPixels(11, 7, 3), 24, 3, 4, 8);
  zanLayerAttachMask(
      top,
      makeLayer(makePixels(11, 7, 1, [](int32_t x, int32_t, int32_t) { return x < 5 ? 255 : 0; }),
                8, 3, 4, 8));
  zanInsertLayer(picture, top, 0);
  return picture;
}

TEST_F(PictureTest, QuarterTurnsAndMirrorsMoveTheComposedPicture) {
  for (const int32_t angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    const zanHandle picture = twoLayerPicture();
    const Pixels before = composed(picture);
    const RotateParams turn{angle, 0, 0, 0, 0, 0, 0, 0};
    int32_t error = -1;
    ASSERT_EQ(_matRotatePicture(picture, &turn, nullptr, &error), 1);
    EXPECT_EQ(error, MAT_OK);
    const Pixels after = composed(picture);
    ASSERT_EQ(after.width, angle == 180 ? 30 : 20);
    for (int32_t y = 0; y < after.height; ++y) {
      for (int32_t x = 0; x < after.width; ++x) {
        // Counter-clockwise quarter turns: where each result pixel came from.
        const int32_t sx = angle == 90 ? 29 - y : angle == 180 ? 29 - x : y;
        const int32_t sy = angle == 90 ? x : angle == 180 ? 19 - y : 19 - x;
        ASSERT_EQ(std::memcmp(after.at(x, y), before.at(sx, sy), 3), 0) << x << "," << y;
      }
    }
    zanDestroyPicture(picture);
  }
  for (const int32_t direction : {0, 1}) {
    const zanHandle picture = twoLayerPicture();
    const Pixels before = composed(picture);
    const FlipParams flip{direction};
    ASSERT_EQ(_matFlipPicture(picture, &flip, nullptr, nullptr), 1);
    const Pixels after = composed(picture);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 30; ++x)
        ASSERT_EQ(
            std::memcmp(after.at(x, y),
                        before.at(direction != 0 ? 29 - x : x, direction != 0 ? y : 19 - y), 3),
            0)
            << direction << ": " << x << "," << y;
    zanDestroyPicture(picture);
  }
}

TEST_F(PictureTest, ProgressSpansTheLayersAndACancelChangesNothing) {
  const zanHandle picture = twoLayerPicture();
  const zanHandle first = zanGetLayer(picture, 1, nullptr);
  const RotateParams turn{90, 0, 0, 0, 0, 0, 0, 0};
  for (int32_t k = 0; k < 4; ++k) {
    ProgressLog cancelling;
    cancelling.cancelAfter = k;
    const ToolProgress stop = cancelling.record();
    int32_t error = -1;
    EXPECT_EQ(_matRotatePicture(picture, &turn, &stop, &error), 0) << k;
    EXPECT_EQ(error, MAT_ERR_FAILED);
    EXPECT_EQ(zanGetLayer(picture, 1, nullptr), first);
    EXPECT_EQ(pictureValue(picture, ZAN_PICT_WIDTH), 30);
  }
  ProgressLog log;
  const ToolProgress progress = log.record();
  ASSERT_EQ(_matRotatePicture(picture, &turn, &progress, nullptr), 1);
  EXPECT_EQ(log.values.back(), 1100);
  EXPECT_TRUE(std::is_sorted(log.values.begin(), log.values.end()));
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_WIDTH), 20);
  const zanHandle nothing = 0;
  int32_t error = -1;
  EXPECT_EQ(_matFlipPicture(nothing, nullptr, nullptr, &error), 0);
  EXPECT_EQ(error, MAT_ERR_ARG);
  zanDestroyPicture(picture);
}

}  // namespace
