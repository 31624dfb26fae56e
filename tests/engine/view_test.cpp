// Views: coordinate conversion, properties, the visibility list, the cache's changed parts and
// drawing on a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine_fixture.h"
#include "layer.h"
#include "view_canvas.h"
#include "view_draw.h"
#include "view_gamma.h"
#include "view_selection.h"
#include "zanengin.h"

namespace tessaly::engine::test {
namespace {

class ViewTest : public EngineTest {
 protected:
  void TearDown() override {
    for (const int32_t id : {ZAN_VIEW_GAMMA_RED, ZAN_VIEW_GAMMA_GREEN, ZAN_VIEW_GAMMA_BLUE}) {
      const int32_t none = 1000;
      zanSetViewProperty(view_, id, &none, sizeof none, 0);
    }
    zanDestroyView(view_);
    zanDestroyPicture(picture_);
    EngineTest::TearDown();
  }

  // A picture of width x height with one opaque 24-bit layer of patterned pixels over all of it.
  zanHandle makePicture(int32_t width, int32_t height, int32_t tileSize = 256) {
    picture_ = newPicture();
    setPictureValue(picture_, ZAN_PICT_WIDTH, width);
    setPictureValue(picture_, ZAN_PICT_HEIGHT, height);
    layer_ = newLayer(0, 0, width, height);
    setLayerValue(layer_, ZAN_LAYER_TILEW, tileSize);
    setLayerValue(layer_, ZAN_LAYER_TILEH, tileSize);
    const Image image = patternImage(width, height, 24);
    EXPECT_EQ(zanSetLayerBits(image.bytes.data(), layer_, 0, 0, width, height, image.stride, 0),
              ZAN_OK);
    EXPECT_EQ(zanInsertLayer(picture_, layer_, 0), 1);
    return picture_;
  }

  zanHandle makeView(const RECT& rect, int32_t numerator = 1, int32_t denominator = 1,
                     int32_t scrollX = 0, int32_t scrollY = 0) {
    view_ = zanCreateView(7, nullptr);
    EXPECT_NE(view_, 0u);
    setView(ZAN_VIEW_RECT, rect);
    const int32_t zoom[2] = {numerator, denominator};
    setView(ZAN_VIEW_ZOOM, zoom);
    const int32_t scroll[2] = {scrollX, scrollY};
    setView(ZAN_VIEW_SCROLL, scroll);
    if (picture_ != 0) setView(ZAN_VIEW_PICTURE, picture_);
    return view_;
  }

  template <typename V>
  void setView(int32_t id, const V& value) {
    EXPECT_EQ(zanSetViewProperty(view_, id, &value, sizeof value, 0), 1);
  }

  RECT dirty() {
    RECT rect{-1, -1, -1, -1};
    EXPECT_EQ(zanViewGetDirty(view_, &rect), ZAN_OK);
    return rect;
  }

  zanHandle picture_ = 0;
  zanHandle layer_ = 0;
  zanHandle view_ = 0;
};

bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The zoom steps a viewer offers, from far out to far in.
const int32_t kZoomSteps[][2] = {{1, 64}, {1, 16}, {1, 8}, {1, 4},  {1, 3},
                                 {1, 2},  {2, 3},  {1, 1}, {3, 2},  {2, 1},
                                 {3, 1},  {4, 1},  {8, 1}, {16, 1}, {10000, 3}};

// Truncating toward zero in 64 bits, as the conversions promise.
int64_t toView(int64_t p, int64_t n, int64_t d, int64_t scroll) {
  return n * p / d - scroll;
}
int64_t toPicture(int64_t v, int64_t n, int64_t d, int64_t scroll) {
  return d * (v + scroll) / n;
}

TEST_F(ViewTest, ConversionsAtEveryZoomStepAndBack) {
  const std::vector<POINT> points = {{0, 0},     {1, 1},       {101, 41},       {-7, -13},
                                     {255, 256}, {300000, -9}, {123457, 76543}, {-99999, 5}};
  for (const auto& zoom : kZoomSteps) {
    makeView(RECT{0, 0, 100, 100}, zoom[0], zoom[1], 13, -5);
    for (const POINT& p : points) {
      POINT v = p;
      zanPPtoVP(view_, &v, 1);
      const int64_t vx = toView(p.x, zoom[0], zoom[1], 13);
      const int64_t vy = toView(p.y, zoom[0], zoom[1], -5);
      if (vx > INT32_MAX || vy > INT32_MAX || vx < INT32_MIN || vy < INT32_MIN) continue;
      EXPECT_EQ(v.x, vx) << zoom[0] << "/" << zoom[1] << " x " << p.x;
      EXPECT_EQ(v.y, vy) << zoom[0] << "/" << zoom[1] << " y " << p.y;
      POINT back = v;
      zanVPtoPP(view_, &back, 1);
      EXPECT_EQ(back.x, toPicture(v.x, zoom[0], zoom[1], 13));
      EXPECT_EQ(back.y, toPicture(v.y, zoom[0], zoom[1], -5));
      // Back in picture coordinates, a point is off by less than one view pixel's worth.
      const int64_t slack = zoom[1] / zoom[0] + 1;
      EXPECT_LE(std::abs(int64_t{back.x} - p.x), slack) << zoom[0] << "/" << zoom[1];
      EXPECT_LE(std::abs(int64_t{back.y} - p.y), slack) << zoom[0] << "/" << zoom[1];
      // Zoomed out by a whole factor, view points come back exactly.
      if (zoom[0] == 1) {
        POINT again = back;
        zanPPtoVP(view_, &again, 1);
        EXPECT_EQ(again.x, v.x);
        EXPECT_EQ(again.y, v.y);
      }
    }
    zanDestroyView(view_);
    view_ = 0;
  }
}

TEST_F(ViewTest, HalfZoomWithScrollMapsTheDocumentedPoints) {
  makeView(RECT{0, 0, 100, 100}, 1, 2, 10, 0);
  POINT points[2] = {{100, 40}, {101, 41}};
  zanPPtoVP(view_, points, 2);
  EXPECT_EQ(points[0].x, 40);
  EXPECT_EQ(points[0].y, 20);
  EXPECT_EQ(points[1].x, 40);
  EXPECT_EQ(points[1].y, 20);
  zanVPtoPP(view_, points, 2);
  EXPECT_EQ(points[1].x, 100);
  EXPECT_EQ(points[1].y, 40);
}

TEST_F(ViewTest, LargeCoordinatesDoNotOverflowAtFineZoom) {
  // 400000 x 10000 overflows 32 bits; the answer must still be the exact quotient.
  makeView(RECT{0, 0, 100, 100}, 10000, 3, 0, 0);
  POINT p{400000, -400000};
  zanPPtoVP(view_, &p, 1);
  EXPECT_EQ(p.x, 1333333333);
  EXPECT_EQ(p.y, -1333333333);  // toward zero, not toward minus infinity
  zanVPtoPP(view_, &p, 1);
  EXPECT_EQ(p.x, 399999999 / 1000);
  EXPECT_EQ(p.y, -399999999 / 1000);
}

TEST_F(ViewTest, LayerAndViewConversionsGoThroughThePicture) {
  makePicture(64, 64);
  const zanHandle moved = newLayer(30, 20, 40, 30);
  makeView(RECT{5, 5, 105, 105}, 2, 1, 4, 6);
  POINT p{3, 4};
  zanLPtoVP(moved, view_, &p, 1);
  EXPECT_EQ(p.x, 2 * 33 - 4);
  EXPECT_EQ(p.y, 2 * 24 - 6);
  zanVPtoLP(view_, moved, &p, 1);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
  zanLPtoPP(moved, &p, 1);
  EXPECT_EQ(p.x, 33);
  zanPPtoLP(moved, &p, 1);
  EXPECT_EQ(p.x, 3);
  zanDestroyLayer(moved);
}

TEST_F(ViewTest, ZeroHandlesAndNullArraysGiveTheNeutralResult) {
  POINT p{5, 6};
  EXPECT_EQ(zanPPtoVP(0, &p, 1), ZAN_OK);
  EXPECT_EQ(zanLPtoVP(0, 0, &p, 1), ZAN_OK);
  EXPECT_EQ(zanVPtoLP(0, 0, &p, 1), ZAN_OK);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
  EXPECT_EQ(zanPPtoVP(0, nullptr, 3), ZAN_OK);
  EXPECT_EQ(zanCloneView(0, nullptr), 0u);
  EXPECT_EQ(zanDestroyView(0), ZAN_OK);
  EXPECT_EQ(zanGetViewProperty(0, ZAN_VIEW_ZOOM, nullptr, 0, nullptr), 0);
  EXPECT_EQ(zanSetViewProperty(0, ZAN_VIEW_ZOOM, nullptr, 0, 0), 1);
  EXPECT_EQ(zanGetLayerVisibility(0, 1), ZAN_ERR_ARG);
  EXPECT_EQ(zanViewSetShowQualityGrade(0, 1), ZAN_ERR_ARG);
  RECT r{};
  EXPECT_EQ(zanViewGetDirty(0, &r), ZAN_ERR_ARG);
  EXPECT_EQ(zanGetViewCache(0, 1), 0u);
  Canvas canvas(4, 4);
  EXPECT_EQ(zanDrawView(0, canvas.device(), nullptr, 1), ZAN_OK);
  EXPECT_EQ(zanShowSelection(0, canvas.device(), nullptr, 0), 1);
  EXPECT_EQ(canvas.calls(), 0);
  EXPECT_EQ(zanGetZoomLevel(0), 0);
  // A layer handle is not a view.
  const zanHandle layer = newLayer(0, 0, 4, 4);
  EXPECT_EQ(zanShowSelection(layer, canvas.device(), nullptr, 0), ZAN_ERR_CREATE);
  EXPECT_EQ(zanGetViewCache(layer, 1), 0u);
  zanDestroyLayer(layer);
}

TEST_F(ViewTest, PropertiesStoreCompareAndRefuse) {
  makeView(RECT{1, 2, 30, 40});
  EXPECT_EQ(zanCheckBaseObjectType(view_, ZAN_BASE_VIEW), 1);
  int32_t value = 0;
  EXPECT_EQ(zanGetViewProperty(view_, ZAN_VIEW_VALUE306, &value, sizeof value, nullptr), 4);
  EXPECT_EQ(value, 7);
  const int32_t stored = 55;
  setView(ZAN_VIEW_VALUE308, stored);
  EXPECT_EQ(zanGetViewProperty(view_, ZAN_VIEW_VALUE308, &value, sizeof value, nullptr), 0);
  // A zoom that is not positive would divide by zero: it is refused and the old one stays.
  const int32_t bad[2] = {1, 0};
  setView(ZAN_VIEW_ZOOM, bad);
  int32_t zoom[2] = {};
  EXPECT_EQ(zanGetViewProperty(view_, ZAN_VIEW_ZOOM, zoom, sizeof zoom, nullptr), 8);
  EXPECT_EQ(zoom[0], 1);
  EXPECT_EQ(zoom[1], 1);
  EXPECT_EQ(zanViewSetShowQualityGrade(view_, 2), ZAN_ERR_ARG);
  EXPECT_EQ(zanViewSetShowQualityGrade(view_, 0), ZAN_OK);
  // A clone keeps zoom and grade, not the rectangle or the picture.
  const int32_t half[2] = {1, 2};
  setView(ZAN_VIEW_ZOOM, half);
  const zanHandle clone = zanCloneView(view_, nullptr);
  EXPECT_EQ(zanGetViewProperty(clone, ZAN_VIEW_ZOOM, zoom, sizeof zoom, nullptr), 8);
  EXPECT_EQ(zoom[1], 2);
  RECT rect{9, 9, 9, 9};
  EXPECT_EQ(zanGetViewProperty(clone, ZAN_VIEW_RECT, &rect, sizeof rect, nullptr), 16);
  EXPECT_TRUE(rect == (RECT{0, 0, 0, 0}));
  EXPECT_EQ(zanDestroyView(clone), ZAN_OK);
}

TEST_F(ViewTest, VisibilityListFollowsThePicturesLayers) {
  makePicture(16, 16);
  makeView(RECT{0, 0, 16, 16});
  EXPECT_EQ(zanGetLayerVisibility(view_, 0), ZAN_ERR_ARG);
  EXPECT_EQ(zanGetLayerVisibility(view_, 1), ZAN_VIEW_FOLLOW);
  EXPECT_EQ(zanGetLayerVisibility(view_, 2), ZAN_ERR_ARG);
  EXPECT_EQ(zanSetLayerVisibility(view_, 1, ZAN_VIEW_HIDDEN), ZAN_VIEW_FOLLOW);
  // A layer entering below keeps the values with their layers.
  const zanHandle below = newLayer(0, 0, 4, 4);
  EXPECT_EQ(zanInsertLayer(picture_, below, 1), 1);
  EXPECT_EQ(zanGetLayerVisibility(view_, 1), ZAN_VIEW_FOLLOW);
  EXPECT_EQ(zanGetLayerVisibility(view_, 2), ZAN_VIEW_HIDDEN);
  EXPECT_EQ(zanRemoveLayer(picture_, 1, nullptr), below);
  EXPECT_EQ(zanGetLayerVisibility(view_, 1), ZAN_VIEW_HIDDEN);
  EXPECT_EQ(zanGetLayerVisibility(view_, 2), ZAN_ERR_ARG);
  zanDestroyLayer(below);
  EXPECT_EQ(pictureValue(picture_, ZAN_PICT_VIEWCOUNT), 1);
}

TEST_F(ViewTest, AViewForgetsADestroyedPicture) {
  makePicture(8, 8);
  makeView(RECT{0, 0, 8, 8});
  zanGetViewCache(view_, 1);
  EXPECT_EQ(zanDestroyPicture(picture_), ZAN_OK);
  picture_ = 0;
  zanHandle shown = 1;
  zanGetViewProperty(view_, ZAN_VIEW_PICTURE, &shown, sizeof shown, nullptr);
  EXPECT_EQ(shown, 0u);
  EXPECT_EQ(zanGetLayerVisibility(view_, 1), ZAN_ERR_ARG);
  // Drawing a view without a picture shows white paper.
  Canvas canvas(8, 8, 0);
  EXPECT_EQ(zanDrawView(view_, canvas.device(), nullptr, 1), ZAN_OK);
  EXPECT_EQ(canvas.pixel(3, 3)[0], 255);
}

// A pixel change reaches the view as the changed block's rectangle: the layer's tile.
TEST_F(ViewTest, AChangeInOneTileMarksOnlyThatTile) {
  makePicture(600, 500, 64);
  makeView(RECT{0, 0, 512, 512}, 1, 1, 10, 20);
  RECT whole{};
  EXPECT_EQ(zanViewGetDirty(view_, &whole), ZAN_OK);
  EXPECT_TRUE(whole == (RECT{0, 0, 512, 512}));  // no cache yet: everything
  const zanHandle composite = zanGetViewCache(view_, 1);
  ASSERT_NE(composite, 0u);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 0, 0}));

  const Image patch = patternImage(5, 4, 24, 9);
  ASSERT_EQ(zanSetLayerBits(patch.bytes.data(), layer_, 300, 100, 305, 104, patch.stride, 0),
            ZAN_OK);
  // The tile (256, 64, 320, 128) less the scroll.
  EXPECT_TRUE(dirty() == (RECT{246, 44, 310, 108}));
  // A change outside the view marks nothing.
  ASSERT_EQ(zanSetLayerBits(patch.bytes.data(), layer_, 590, 0, 595, 4, patch.stride, 0), ZAN_OK);
  EXPECT_TRUE(dirty() == (RECT{246, 44, 310, 108}));

  ASSERT_EQ(zanGetViewCache(view_, 2), composite);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 0, 0}));
  const Image seen = readLayer(composite, RECT{290, 80, 295, 84}, 24);
  for (int32_t y = 0; y < 4; ++y)
    EXPECT_TRUE(std::equal(patch.row(y), patch.row(y) + 15, seen.row(y))) << y;
}

TEST_F(ViewTest, ChangesAtAZoomMarkTheirScaledArea) {
  makePicture(600, 500, 64);
  makeView(RECT{0, 0, 300, 250}, 1, 2);
  zanGetViewCache(view_, 1);
  const Image patch = patternImage(8, 8, 24, 3);
  ASSERT_EQ(zanSetLayerBits(patch.bytes.data(), layer_, 100, 100, 108, 108, patch.stride, 0),
            ZAN_OK);
  // The changed tile (64, 64, 128, 128) at half size, with two pixels of room on each side for
  // the neighbours that interpolation reads.
  EXPECT_TRUE(dirty() == (RECT{30, 30, 66, 66}));
}

TEST_F(ViewTest, DrawingPartOfTheViewLeavesTheOtherTilesChanged) {
  makePicture(600, 500);
  makeView(RECT{0, 0, 600, 500});
  Canvas canvas(600, 500);
  const RECT first{0, 0, 100, 100};
  EXPECT_EQ(zanDrawView(view_, canvas.device(), &first, 1), ZAN_OK);
  // The one tile drawn is composed; every other tile of the composite is still to do.
  EXPECT_TRUE(dirty() == (RECT{0, 0, 600, 500}));
  RECT empty{5, 5, 5, 9};
  EXPECT_EQ(zanDrawView(view_, canvas.device(), &empty, 1), ZAN_ERR_ARG);
  EXPECT_EQ(zanDrawView(view_, canvas.device(), nullptr, 1), ZAN_OK);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 0, 0}));
}

TEST_F(ViewTest, SettingTheSameRectangleKeepsTheCache) {
  makePicture(64, 64);
  makeView(RECT{0, 0, 64, 64});
  const zanHandle composite = zanGetViewCache(view_, 1);
  setView(ZAN_VIEW_RECT, RECT{0, 0, 64, 64});
  EXPECT_TRUE(dirty() == (RECT{0, 0, 0, 0}));
  EXPECT_EQ(layerValue(composite, ZAN_LAYER_BPP), 24);
  // Another size drops the composite: the cache reports its whole new size until it is rebuilt.
  setView(ZAN_VIEW_RECT, RECT{0, 0, 32, 48});
  RECT rect{};
  EXPECT_EQ(zanViewGetDirty(view_, &rect), ZAN_ERR_LOCK);
  EXPECT_TRUE(rect == (RECT{0, 0, 32, 48}));
  EXPECT_NE(zanGetViewCache(view_, 3), 0u);
  EXPECT_EQ(zanGetViewCache(view_, 4), 0u);
}

TEST_F(ViewTest, VisibilityOpacityAndScrollRecomposeTheCache) {
  makePicture(64, 64);
  makeView(RECT{0, 0, 64, 64});
  const zanHandle composite = zanGetViewCache(view_, 1);
  EXPECT_EQ(zanSetLayerVisibility(view_, 1, ZAN_VIEW_HIDDEN), ZAN_VIEW_FOLLOW);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 64, 64}));
  zanGetViewCache(view_, 1);
  const Image paper = readLayer(composite, RECT{10, 10, 11, 11}, 24);
  EXPECT_EQ(std::vector<unsigned char>(paper.row(0), paper.row(0) + 3),
            (std::vector<unsigned char>{255, 255, 255}));
  // Shown in the view even with the layer's own flag off.
  setLayerValue(layer_, ZAN_LAYER_VISIBLE, 0);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 64, 64}));
  zanSetLayerVisibility(view_, 1, ZAN_VIEW_SHOWN);
  zanGetViewCache(view_, 1);
  const Image pattern = patternImage(64, 64, 24);
  const Image shown = readLayer(composite, RECT{0, 0, 64, 64}, 24);
  for (int32_t y = 0; y < 64; ++y)
    EXPECT_TRUE(std::equal(pattern.row(y), pattern.row(y) + 64 * 3, shown.row(y))) << y;
  const int32_t scroll[2] = {3, 0};
  setView(ZAN_VIEW_SCROLL, scroll);
  EXPECT_TRUE(dirty() == (RECT{0, 0, 64, 64}));
  zanGetViewCache(view_, 1);
  const Image moved = readLayer(composite, RECT{0, 5, 1, 6}, 24);
  EXPECT_EQ(std::vector<unsigned char>(moved.row(0), moved.row(0) + 3),
            std::vector<unsigned char>(pattern.row(5) + 9, pattern.row(5) + 12));
}

TEST_F(ViewTest, CachedAndFreshDrawingAgreeAtEveryZoom) {
  makePicture(300, 200);
  const zanHandle top = newLayer(40, 30, 140, 90);
  const Image image = patternImage(100, 60, 24, 5);
  zanSetLayerBits(image.bytes.data(), top, 0, 0, 100, 60, image.stride, 0);
  setLayerValue(top, ZAN_LAYER_OPACITY, 128);
  zanInsertLayer(picture_, top, 0);
  for (const auto& zoom : kZoomSteps) {
    if (zoom[0] > 16) continue;
    makeView(RECT{7, 3, 167, 123}, zoom[0], zoom[1], zoom[0] > zoom[1] ? 50 : 0, 5);
    Canvas cached(180, 130, 9);
    Canvas fresh(180, 130, 9);
    zanDrawView(view_, cached.device(), nullptr, 1);
    zanDrawView(view_, fresh.device(), nullptr, 0);
    EXPECT_EQ(cached.bytes(), fresh.bytes()) << zoom[0] << "/" << zoom[1];
    // Nothing outside the view's rectangle is touched.
    EXPECT_EQ(cached.pixel(6, 50)[0], 9);
    EXPECT_EQ(cached.pixel(167, 50)[0], 9);
    EXPECT_EQ(cached.pixel(50, 123)[0], 9);
    zanDestroyView(view_);
    view_ = 0;
  }
}

TEST_F(ViewTest, DrawingAtOneToOneMatchesThePicturesBits) {
  makePicture(300, 200);
  const zanHandle top = newLayer(-10, 50, 90, 250);
  const Image image = patternImage(100, 200, 24, 8);
  zanSetLayerBits(image.bytes.data(), top, 0, 0, 100, 200, image.stride, 0);
  setLayerValue(top, ZAN_LAYER_OPACITY, 77);
  zanInsertLayer(picture_, top, 0);
  makeView(RECT{0, 0, 280, 190}, 1, 1, 11, 7);
  Canvas canvas(280, 190);
  zanDrawView(view_, canvas.device(), nullptr, 1);

  BlockHeader* block = zanCreateBlock(280 * 3 * 190, ZAN_BLOCK_PIXELS, nullptr);
  ASSERT_NE(block, nullptr);
  *block = BlockHeader{block->type, block->data, 11, 7, 291, 197, 24, 280 * 3};
  std::fill(block->data, block->data + 280 * 3 * 190, 255);
  EXPECT_EQ(zanGetPictureBits(block, picture_, 11, 7, 291, 197), ZAN_OK);
  EXPECT_EQ(std::vector<unsigned char>(block->data, block->data + 280 * 3 * 190), canvas.bytes());
  zanDestroyBlock(block);
}

// At 1 / 2 the view shows the layer's reduced copy as it is: each pixel the rounded mean of a
// 2 x 2 block. Only the copy's tiles under the drawn part are made.
TEST_F(ViewTest, HalfZoomShowsMeansAndBuildsOnlyTheCopysPartInView) {
  makePicture(2048, 2048, 64);
  makeView(RECT{0, 0, 200, 200}, 1, 2, 100, 100);
  Canvas canvas(200, 200);
  const RECT corner{0, 0, 50, 50};
  zanDrawView(view_, canvas.device(), &corner, 1);
  auto copyTileChanged = [&](int32_t x, int32_t y) {
    Locked<Layer> layer(layer_);
    Locked<Layer> copy(layer->reducedCopies[0]);
    Locked<DataLayer> data(copy->dataLayer);
    const uint32_t columns =
        static_cast<uint32_t>((data->width + data->tileWidth - 1) / data->tileWidth);
    const TileEntry entry = data->tiles.get(static_cast<uint32_t>(y / data->tileHeight) * columns +
                                            static_cast<uint32_t>(x / data->tileWidth));
    return entry.changed.right > entry.changed.left;
  };
  EXPECT_FALSE(copyTileChanged(100, 100));  // under the drawn corner
  EXPECT_TRUE(copyTileChanged(700, 700));   // far from anything drawn
  zanDrawView(view_, canvas.device(), nullptr, 1);

  auto expectMeans = [&](const Image& image) {
    int32_t wrong = 0;
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 200; ++x)
        for (int32_t c = 0; c < 3; ++c) {
          const int32_t px = 2 * (x + 100);
          const int32_t py = 2 * (y + 100);
          const int32_t sum = image.row(py)[px * 3 + c] + image.row(py)[px * 3 + 3 + c] +
                              image.row(py + 1)[px * 3 + c] + image.row(py + 1)[px * 3 + 3 + c];
          wrong += canvas.pixel(x, y)[c] != (sum + 2) / 4;
        }
    EXPECT_EQ(wrong, 0);
  };
  Image image = patternImage(2048, 2048, 24);
  expectMeans(image);
  // A change to the layer reaches the view through the reduced copy.
  const Image patch = patternImage(10, 10, 24, 4);
  zanSetLayerBits(patch.bytes.data(), layer_, 500, 300, 510, 310, patch.stride, 0);
  for (int32_t y = 0; y < 10; ++y)
    std::copy(patch.row(y), patch.row(y) + 30, image.row(300 + y) + 500 * 3);
  zanDrawView(view_, canvas.device(), nullptr, 1);
  expectMeans(image);
}

// A resampling block keeps its rows bottom first: it is drawn mirrored, so the picture is upright.
TEST_F(ViewTest, ResamplingBlocksAreDrawnUpright) {
  const zanHandle layer = newLayer(0, 0, 3, 2);
  BlockHeader* block = zanCreateBlock(2 * 12, ZAN_BLOCK_RESAMPLE, nullptr);
  ASSERT_NE(block, nullptr);
  *block = BlockHeader{block->type, block->data, 0, 0, 3, 2, 24, 12};
  for (int i = 0; i < 24; ++i) block->data[i] = static_cast<unsigned char>(i < 12 ? 10 : 20);
  EXPECT_EQ(zanInsertBlock(block, layer, nullptr), nullptr);
  zanUnlockBlock(block, 1);
  Canvas canvas(3, 2);
  {
    Locked<Layer> locked(layer);
    DrawOptions options;
    options.origin = POINT{0, 0};
    drawLayerPixels(*locked, RECT{0, 0, 3, 2}, *canvas.device(), options);
  }
  EXPECT_EQ(canvas.pixel(1, 0)[0], 20);
  EXPECT_EQ(canvas.pixel(1, 1)[0], 10);
  zanDestroyLayer(layer);
}

TEST_F(ViewTest, DisplayGammaTablesAndSwitch) {
  EXPECT_EQ(gammaEntry(2000, 128), 181);
  EXPECT_EQ(gammaEntry(500, 64), 16);
  EXPECT_EQ(gammaEntry(0, 200), 0);       // clamped to 0.001: everything but 255 goes dark
  EXPECT_EQ(gammaEntry(100000, 1), 180);  // clamped to 16
  makePicture(4, 4);
  makeView(RECT{0, 0, 4, 4});
  EXPECT_TRUE(gammaTables().identity);
  const int32_t red = 2000;
  setView(ZAN_VIEW_GAMMA_RED, red);
  const zanHandle other = zanCreateView(0, nullptr);
  int32_t seen = 0;
  zanGetViewProperty(other, ZAN_VIEW_GAMMA_RED, &seen, sizeof seen, nullptr);
  EXPECT_EQ(seen, 2000);  // one value for the whole process
  zanDestroyView(other);
  EXPECT_EQ(gammaTables().red[128], 181);
  EXPECT_EQ(gammaTables().grey[128], (181 * 76 + 128 * 150 + 128 * 29) / 255);

  const Image pattern = patternImage(4, 4, 24);
  Canvas corrected(4, 4);
  zanDrawView(view_, corrected.device(), nullptr, 1);
  EXPECT_EQ(corrected.pixel(1, 1)[2], gammaEntry(2000, pattern.row(1)[5]));
  EXPECT_EQ(corrected.pixel(1, 1)[1], pattern.row(1)[4]);
  const int32_t off = 0;
  setView(ZAN_VIEW_GAMMA_ON, off);
  Canvas plain(4, 4);
  zanDrawView(view_, plain.device(), nullptr, 1);
  EXPECT_EQ(plain.pixel(1, 1)[2], pattern.row(1)[5]);
}

TEST(SelectionOutline, BoundaryOfHandDrawnShapes) {
  // A 4 x 3 block with a notch, inside a 7 x 5 field.
  const std::vector<unsigned char> shape = {0, 0,   0,   0,   0,   0, 0,  //
                                            0, 255, 255, 255, 255, 0, 0,  //
                                            0, 255, 255, 0,   255, 0, 0,  //
                                            0, 255, 255, 255, 255, 0, 0,  //
                                            0, 0,   0,   0,   0,   0, 0};
  const std::vector<unsigned char> expected = {0, 0,   0,   0,   0,   0, 0,  //
                                               0, 255, 255, 255, 255, 0, 0,  //
                                               0, 255, 255, 0,   255, 0, 0,  //
                                               0, 255, 255, 255, 255, 0, 0,  //
                                               0, 0,   0,   0,   0,   0, 0};
  EXPECT_EQ(selectionOutline(shape, 7, 5), expected);
  // A filled 5 x 5 square keeps its inner 3 x 3 unmarked; values below 128 are not selected.
  std::vector<unsigned char> square(49, 0);
  for (int y = 1; y < 6; ++y)
    for (int x = 1; x < 6; ++x) square[y * 7 + x] = 200;
  square[0] = 127;
  const std::vector<unsigned char> outline = selectionOutline(square, 7, 7);
  int marked = 0;
  for (unsigned char v : outline) marked += v == 255;
  EXPECT_EQ(marked, 16);
  EXPECT_EQ(outline[3 * 7 + 3], 0);
  EXPECT_EQ(outline[0], 0);
  // At the edge of the field the outside counts as unselected.
  EXPECT_EQ(selectionOutline(std::vector<unsigned char>(4, 255), 2, 2),
            std::vector<unsigned char>(4, 255));
}

TEST_F(ViewTest, SelectionOutlineIsDrawnWhereTheViewShowsIt) {
  makePicture(40, 40);
  const zanHandle selection = newLayer(10, 10, 14, 14, 8);
  zanSetLayerBits(nullptr, selection, 0, 0, 4, 4, 0, 255);
  EXPECT_EQ(zanSetSelection(picture_, selection, nullptr), 0u);
  makeView(RECT{2, 1, 62, 61}, 2, 1, 6, 4);
  Canvas canvas(64, 64, 0);
  EXPECT_EQ(zanShowSelection(view_, canvas.device(), nullptr, 0), 1);
  // The square (10, 10, 14, 14) at 2 / 1 is (20, 20, 28, 28), minus the scroll, plus the view's
  // corner: (16, 17, 24, 25) on the device. Its border is inverted, its inside and outside kept.
  auto inverted = [&](int x, int y) { return canvas.pixel(x, y)[0] == 255; };
  int border = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 16 && x < 24 && y >= 17 && y < 25;
      const bool edge = inside && (x == 16 || x == 23 || y == 17 || y == 24);
      EXPECT_EQ(inverted(x, y), edge) << x << "," << y;
      border += edge;
    }
  EXPECT_EQ(border, 28);
  // Drawing again with the same operation takes it away.
  zanShowSelection(view_, canvas.device(), nullptr, 0);
  EXPECT_EQ(canvas.bytes(), std::vector<unsigned char>(canvas.bytes().size(), 0));
  // The other operation blackens the border and nothing else.
  Canvas white(64, 64, 200);
  zanShowSelection(view_, white.device(), nullptr, 1);
  EXPECT_EQ(white.pixel(16, 17)[1], 0);
  EXPECT_EQ(white.pixel(18, 19)[1], 200);
  // Limited to a part of the view, only that part is drawn.
  Canvas part(64, 64, 0);
  const RECT left{0, 0, 18, 60};
  zanShowSelection(view_, part.device(), &left, 0);
  EXPECT_EQ(part.pixel(16, 20)[0], 255);
  EXPECT_EQ(part.pixel(23, 17)[0], 0);
}

TEST_F(ViewTest, NothingSelectedDrawsNothing) {
  makePicture(8, 8);
  makeView(RECT{0, 0, 8, 8});
  Canvas canvas(8, 8);
  EXPECT_EQ(zanShowSelection(view_, canvas.device(), nullptr, 0), 1);
  EXPECT_EQ(zanShowSelection(view_, nullptr, nullptr, 0), 1);
  EXPECT_EQ(canvas.calls(), 0);
}

}  // namespace
}  // namespace tessaly::engine::test
