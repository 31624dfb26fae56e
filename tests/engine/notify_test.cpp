// Changes travelling from blocks through layers to the picture and on to its views: the codes,
// the rectangles in picture coordinates, reduced copies and the modified flag.
#include <gtest/gtest.h>

#include "data_layer.h"
#include "engine_fixture.h"
#include "layer.h"
#include "picture.h"
#include "rect_util.h"

using namespace tessaly::engine::test;
using tessaly::engine::Locked;

namespace {

using Changes = EngineTest;

Change change(int32_t code, int32_t l, int32_t t, int32_t r, int32_t b) {
  return Change{code, RECT{l, t, r, b}};
}

TEST_F(Changes, PixelWritesReachThePictureAsBlockRectanglesInPictureCoordinates) {
  const zanHandle picture = newPicture();
  const zanHandle probe = attachProbe(picture);
  const zanHandle layer = newLayer(100, 50, 700, 350);
  insert(picture, layer);
  setPictureValue(picture, ZAN_PICT_MODIFIED, 0);
  probeChanges(probe);

  // One pixel in tile 1, then a fill across the last two tiles of the bottom row.
  const unsigned char pixel[4] = {1, 2, 3};
  ASSERT_EQ(zanSetLayerBits(pixel, layer, 10, 10, 11, 11, 4, -1), ZAN_OK);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 300, 290, 600, 300, 0, 9), ZAN_OK);
  EXPECT_EQ(probeChanges(probe),
            (std::vector<Change>{change(ZAN_CHANGE_PIXELS, 100, 50, 356, 306),
                                 change(ZAN_CHANGE_PIXELS, 356, 306, 612, 350),
                                 change(ZAN_CHANGE_PIXELS, 612, 306, 700, 350)}));
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_MODIFIED), 1);

  // Reading changes nothing and tells nobody.
  readLayer(layer, RECT{0, 0, 600, 300}, 24);
  EXPECT_TRUE(probeChanges(probe).empty());
  zanDestroyPicture(picture);
  tessaly::engine::destroyObject(probe);
}

TEST_F(Changes, PropertySetsAreAnnouncedWithTheirIdentifier) {
  const zanHandle picture = newPicture();
  const zanHandle probe = attachProbe(picture);
  const zanHandle layer = newLayer(0, 0, 10, 10);
  insert(picture, layer);
  probeChanges(probe);

  setLayerValue(layer, ZAN_LAYER_USER1, 5);
  const RECT moved{20, 30, 30, 40};
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_RECT, &moved, sizeof moved, 0), 16);
  EXPECT_EQ(zanSetLayerProperty(layer, 77, "abc", 3, 0), 3);
  const int32_t badTile = 0;
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TILEW, &badTile, 4, 0), ZAN_ERR_ARG);
  EXPECT_EQ(probeChanges(probe),
            (std::vector<Change>{change(ZAN_LAYER_USER1, 0, 0, 10, 10),
                                 change(ZAN_LAYER_RECT, 0, 0, 30, 40),  // old and new place
                                 change(77, 20, 30, 30, 40)}))
      << "a refused value is no change";
  zanDestroyPicture(picture);
  tessaly::engine::destroyObject(probe);
}

TEST_F(Changes, ArrangementChangesCoverTheLayerAndItsFloatingLayer) {
  const zanHandle picture = newPicture();
  const zanHandle probe = attachProbe(picture);
  const zanHandle layer = newLayer(0, 0, 10, 10);
  Locked<tessaly::engine::Layer>(layer, true)->floatingLayer = newLayer(50, 60, 70, 80);
  EXPECT_EQ(insert(picture, layer), 1);
  EXPECT_EQ(probeChanges(probe),
            (std::vector<Change>{change(ZAN_CHANGE_ARRANGEMENT, 0, 0, 70, 80)}));
  {
    Locked<tessaly::engine::Picture> p(picture, true);
    EXPECT_EQ(tessaly::engine::removeLayer(*p, 1), layer);
  }
  EXPECT_EQ(probeChanges(probe),
            (std::vector<Change>{change(ZAN_CHANGE_ARRANGEMENT, 0, 0, 70, 80)}));
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_PICTURE), 0);
  zanDestroyLayer(layer);
  zanDestroyPicture(picture);
  tessaly::engine::destroyObject(probe);
}

// Clears the changed rectangle of every tile, as a view does once it has looked.
void clearChanged(zanHandle layer) {
  Locked<tessaly::engine::Layer> l(layer);
  Locked<tessaly::engine::DataLayer> data(tessaly::engine::ensureDataLayer(*l), true);
  for (uint32_t i = 0; i < data->tiles.count; ++i) {
    tessaly::engine::TileEntry entry = data->tiles.get(i);
    entry.changed = RECT{0, 0, 0, 0};
    data->tiles.put(i, entry);
  }
}

RECT changedOfTile(zanHandle layer, uint32_t position) {
  Locked<tessaly::engine::Layer> l(layer);
  Locked<tessaly::engine::DataLayer> data(l->dataLayer);
  return data->tiles.get(position).changed;
}

TEST_F(Changes, ReducedCopiesMarkTheChangeHalvedLevelByLevel) {
  const zanHandle layer = newLayer(3, 5, 67, 69);
  setLayerValue(layer, ZAN_LAYER_TILEW, 8);
  setLayerValue(layer, ZAN_LAYER_TILEH, 8);
  // Copies placed where halving the layer's rectangle puts them.
  const zanHandle half = newLayer(1, 2, 34, 35);
  const zanHandle quarter = newLayer(0, 1, 17, 18);
  for (const zanHandle copy : {half, quarter}) {
    setLayerValue(copy, ZAN_LAYER_TILEW, 4);
    setLayerValue(copy, ZAN_LAYER_TILEH, 4);
    clearChanged(copy);
  }
  {
    Locked<tessaly::engine::Layer> l(layer, true);
    tessaly::engine::setReducedCopy(*l, 0, half);
    tessaly::engine::setReducedCopy(*l, 1, quarter);
  }
  const unsigned char pixel[4] = {1, 2, 3};
  ASSERT_EQ(zanSetLayerBits(pixel, layer, 9, 1, 10, 2, 4, -1), ZAN_OK);
  // The block (8, 0, 16, 8) is (11, 5, 19, 13) in the picture; halved (5, 2, 10, 7), which is
  // (4, 0, 9, 5) in the half copy; halved again (2, 1, 5, 4), (2, 0, 5, 3) in the quarter copy.
  auto same = [](const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  EXPECT_TRUE(same(changedOfTile(half, 1), RECT{4, 0, 8, 4}));  // tile (4, 0, 8, 4)
  EXPECT_TRUE(same(changedOfTile(half, 2), RECT{8, 0, 9, 4}));
  EXPECT_TRUE(same(changedOfTile(half, 10), RECT{4, 4, 8, 5}));
  EXPECT_TRUE(same(changedOfTile(half, 0), RECT{0, 0, 0, 0}));
  EXPECT_TRUE(same(changedOfTile(quarter, 0), RECT{2, 0, 4, 3}));
  EXPECT_TRUE(same(changedOfTile(quarter, 1), RECT{4, 0, 5, 3}));

  // A new cache key drops the copies; the layer destroys them with itself otherwise.
  setLayerValue(layer, ZAN_LAYER_CACHEKEY, 1);
  EXPECT_EQ(zanCheckBaseObjectType(half, ZAN_BASE_LAYER), 0);
  zanDestroyLayer(layer);
}

TEST_F(Changes, HalvingRoundsOutward) {
  const RECT r = tessaly::engine::halveRect(RECT{-3, 5, 7, -1});
  EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}),
            (std::vector<int32_t>{-2, 2, 4, 0}));
}

}  // namespace
