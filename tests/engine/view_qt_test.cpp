// Views drawn through the Qt drawing unit into a QImage, compared with the same picture composed
// directly by the engine (zanGetPictureBits at 1 / 1, zanMergeLayers at other zooms).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

#include "zanEngQt.h"
#include "zanengin.h"

namespace {

using tessaly::engine::qt::PainterDevice;
using tessaly::engine::qt::toImage;

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 200;

// Bytes that differ from their neighbours, so that a pixel drawn in the wrong place shows.
std::vector<unsigned char> pattern(int32_t width, int32_t height, uint32_t seed) {
  std::vector<unsigned char> bytes(static_cast<size_t>(width) * height * 3);
  uint32_t state = seed * 2654435761u + 7;
  for (unsigned char& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(state >> 24);
  }
  return bytes;
}

zanHandle addLayer(zanHandle picture, const RECT& rect, uint32_t seed, int32_t opacity) {
  const zanHandle layer = zanCreateLayer(rect.left, rect.top, rect.right, rect.bottom, nullptr);
  const int32_t width = rect.right - rect.left;
  const int32_t height = rect.bottom - rect.top;
  const std::vector<unsigned char> bytes = pattern(width, height, seed);
  zanSetLayerBits(bytes.data(), layer, 0, 0, width, height, width * 3, 0);
  zanSetLayerProperty(layer, ZAN_LAYER_OPACITY, &opacity, sizeof opacity, 0);
  zanInsertLayer(picture, layer, 0);
  return layer;
}

// A picture with an opaque layer over part of the canvas and a translucent one overlapping it
// and the canvas's edge.
class ViewQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture_ = zanCreatePicture(nullptr);
    zanSetPictureProperty(picture_, ZAN_PICT_WIDTH, &kWidth, sizeof kWidth, 0);
    zanSetPictureProperty(picture_, ZAN_PICT_HEIGHT, &kHeight, sizeof kHeight, 0);
    addLayer(picture_, RECT{0, 0, 260, 200}, 1, 255);
    addLayer(picture_, RECT{180, -20, 320, 90}, 2, 150);
    view_ = zanCreateView(0, nullptr);
    const zanHandle picture = picture_;
    zanSetViewProperty(view_, ZAN_VIEW_PICTURE, &picture, sizeof picture, 0);
  }
  void TearDown() override {
    zanDestroyView(view_);
    zanDestroyPicture(picture_);
  }

  void show(const RECT& rect, int32_t numerator, int32_t denominator, int32_t scrollX,
            int32_t scrollY) {
    zanSetViewProperty(view_, ZAN_VIEW_RECT, &rect, sizeof rect, 0);
    const int32_t zoom[2] = {numerator, denominator};
    zanSetViewProperty(view_, ZAN_VIEW_ZOOM, zoom, sizeof zoom, 0);
    const int32_t scroll[2] = {scrollX, scrollY};
    zanSetViewProperty(view_, ZAN_VIEW_SCROLL, scroll, sizeof scroll, 0);
  }

  QImage draw(int32_t width, int32_t height, int32_t useCache, QRgb background) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    PainterDevice device(painter);
    EXPECT_EQ(zanDrawView(view_, device.device(), nullptr, useCache), ZAN_OK);
    return image;
  }

  zanHandle picture_ = 0;
  zanHandle view_ = 0;
};

QRgb fromBgr(const unsigned char* p) {
  return qRgb(p[2], p[1], p[0]);
}

TEST_F(ViewQtTest, OneToOneMatchesThePicturesBits) {
  show(RECT{4, 6, 254, 186}, 1, 1, 20, 10);
  const QImage drawn = draw(260, 200, 1, qRgb(1, 2, 3));
  const int32_t width = 250;
  const int32_t height = 180;
  BlockHeader* block = zanCreateBlock(width * 3 * height, ZAN_BLOCK_PIXELS, nullptr);
  ASSERT_NE(block, nullptr);
  block->left = 20;
  block->top = 10;
  block->right = 20 + width;
  block->bottom = 10 + height;
  block->bitsPerPixel = 24;
  block->stride = width * 3;
  std::memset(block->data, 255, static_cast<size_t>(width) * 3 * height);
  ASSERT_EQ(zanGetPictureBits(block, picture_, 20, 10, 20 + width, 10 + height), ZAN_OK);
  int32_t wrong = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      wrong += drawn.pixel(4 + x, 6 + y) != fromBgr(block->data + y * block->stride + x * 3);
  EXPECT_EQ(wrong, 0);
  // Outside the view's rectangle the image is untouched.
  EXPECT_EQ(drawn.pixel(3, 50), qRgb(1, 2, 3));
  EXPECT_EQ(drawn.pixel(100, 186), qRgb(1, 2, 3));
  zanDestroyBlock(block);
}

TEST_F(ViewQtTest, EveryZoomMatchesAMergeAtThatScale) {
  BlockHeader* white = zanCreateBlock(4, ZAN_BLOCK_PIXELS, nullptr);
  ASSERT_NE(white, nullptr);
  white->right = 1;
  white->bottom = 1;
  white->bitsPerPixel = 24;
  white->stride = 4;
  std::memset(white->data, 255, 4);
  const int32_t zooms[][2] = {{1, 8}, {1, 4}, {1, 3}, {1, 2}, {2, 3}, {3, 2}, {2, 1}, {3, 1}};
  for (const auto& zoom : zooms) {
    const int32_t scrollX = 7 * zoom[0] / zoom[1];
    const int32_t scrollY = 3;
    show(RECT{0, 0, 160, 120}, zoom[0], zoom[1], scrollX, scrollY);
    const QImage drawn = draw(160, 120, 1, qRgb(0, 0, 0));
    const zanHandle merged =
        zanMergeLayers(picture_, zoom[0], zoom[1], white, nullptr, nullptr, nullptr);
    ASSERT_NE(merged, 0u);
    RECT rect{};
    zanGetLayerProperty(merged, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr);
    const int32_t width = std::min(160, rect.right - scrollX);
    const int32_t height = std::min(120, rect.bottom - scrollY);
    std::vector<unsigned char> bytes(static_cast<size_t>(width) * 3 * height);
    zanGetLayerBits(bytes.data(), merged, scrollX, scrollY, scrollX + width, scrollY + height,
                    width * 3);
    int32_t wrong = 0;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        wrong += drawn.pixel(x, y) != fromBgr(bytes.data() + (y * width + x) * 3);
    EXPECT_EQ(wrong, 0) << zoom[0] << "/" << zoom[1];
    zanDestroyLayer(merged);
  }
  zanDestroyBlock(white);
}

TEST_F(ViewQtTest, CachedAndFreshDrawingGiveTheSameImage) {
  show(RECT{10, 0, 170, 100}, 2, 3, 5, 9);
  EXPECT_EQ(draw(180, 100, 1, qRgb(9, 9, 9)), draw(180, 100, 0, qRgb(9, 9, 9)));
}

TEST_F(ViewQtTest, SelectionOutlineInvertsAndComesOff) {
  const zanHandle selection = zanCreateLayer(20, 20, 30, 26, nullptr);
  const int32_t eight = 8;
  zanSetLayerProperty(selection, ZAN_LAYER_BPP, &eight, sizeof eight, 0);
  zanSetLayerBits(nullptr, selection, 0, 0, 10, 6, 0, 255);
  zanSetSelection(picture_, selection, nullptr);
  show(RECT{0, 0, 100, 100}, 1, 1, 0, 0);
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(qRgb(10, 200, 30));
  const QImage before = image.copy();
  {
    QPainter painter(&image);
    PainterDevice device(painter);
    EXPECT_EQ(zanShowSelection(view_, device.device(), nullptr, 0), 1);
  }
  EXPECT_EQ(image.pixel(20, 20), qRgb(255 - 10, 255 - 200, 255 - 30));
  EXPECT_EQ(image.pixel(29, 25), qRgb(255 - 10, 255 - 200, 255 - 30));
  EXPECT_EQ(image.pixel(25, 23), qRgb(10, 200, 30));
  EXPECT_EQ(image.pixel(19, 20), qRgb(10, 200, 30));
  {
    QPainter painter(&image);
    PainterDevice device(painter);
    zanShowSelection(view_, device.device(), nullptr, 0);
  }
  EXPECT_EQ(image, before);
}

TEST(PainterDevice, BitmapsBecomeImagesOfTheirColours) {
  const unsigned char bgr[8] = {1, 2, 3, 4, 5, 6, 0, 0};
  const ZanDisplayBitmap colour{bgr, 2, 1, 8, 24, nullptr};
  const QImage image = toImage(colour);
  EXPECT_EQ(image.pixel(0, 0), qRgb(3, 2, 1));
  EXPECT_EQ(image.pixel(1, 0), qRgb(6, 5, 4));
  const unsigned char grey[4] = {0, 128, 255, 0};
  const ZanDisplayBitmap indexed{grey, 3, 1, 4, 8, nullptr};
  EXPECT_EQ(toImage(indexed).pixel(1, 0), qRgb(128, 128, 128));
  const ZanDisplayBitmap wide{bgr, 1, 1, 8, 16, nullptr};
  EXPECT_TRUE(toImage(wide).isNull());
  // A device whose painter is not active draws nothing and says so.
  QPainter idle;
  PainterDevice device(idle);
  EXPECT_EQ(device.device()->display(device.device()->context, 0, 0, &colour, ZAN_ROP_SRCCOPY), -1);
}

}  // namespace
