// Pictures: defaults and built-in properties, the current layer, the layer list, destroying with
// everything the picture owns, and cloning.
#include "picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine_fixture.h"
#include "layer.h"

using namespace tessaly::engine::test;
using tessaly::engine::Locked;

namespace {

using Pictures = EngineTest;

TEST_F(Pictures, StartEmptyWithDefaultsAndStoreTheirValues) {
  const zanHandle picture = newPicture();
  EXPECT_EQ(zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE), 1);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_WIDTH), 0);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_LAYERCOUNT), 0);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_BPP), 24);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_VIEWCOUNT), 0);
  const int32_t ids[] = {ZAN_PICT_SOURCEFORMAT, ZAN_PICT_WIDTH,     ZAN_PICT_HEIGHT,
                         ZAN_PICT_MODIFIED,     ZAN_PICT_UNDOLIMIT, ZAN_PICT_PALETTE,
                         ZAN_PICT_VALUE217};
  for (const int32_t id : ids) {
    setPictureValue(picture, id, 1000 - id);
    EXPECT_EQ(pictureValue(picture, id), 1000 - id) << id;
  }
  // Values a picture cannot have are refused and leave the old one.
  const int32_t bad[] = {32, -5};
  EXPECT_EQ(zanSetPictureProperty(picture, ZAN_PICT_BPP, &bad[0], 4, 0), ZAN_ERR_ARG);
  EXPECT_EQ(zanSetPictureProperty(picture, ZAN_PICT_WIDTH, &bad[1], 4, 0), ZAN_ERR_ARG);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_BPP), 24);
  setPictureValue(picture, ZAN_PICT_BPP, 48);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_BPP), 48);
  // The source name is a plain stored record.
  char name[520] = "scan.tif";
  EXPECT_EQ(zanSetPictureProperty(picture, ZAN_PICT_SOURCENAME, name, sizeof name, 0), 520);
  char back[520] = {};
  EXPECT_EQ(zanGetPictureProperty(picture, ZAN_PICT_SOURCENAME, back, sizeof back, nullptr), 520);
  EXPECT_STREQ(back, "scan.tif");
  zanDestroyPicture(picture);
}

TEST_F(Pictures, ReadingTheCurrentLayerClampsItToTheLayerCount) {
  const zanHandle picture = newPicture();
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_CURRENTLAYER), 0) << "no layers";
  for (int i = 0; i < 3; ++i) insert(picture, newLayer(0, 0, 1, 1));
  setPictureValue(picture, ZAN_PICT_CURRENTLAYER, 5);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_CURRENTLAYER), 3);
  {
    Locked<tessaly::engine::Picture> p(picture);
    EXPECT_EQ(p->currentLayer, 3) << "the clamped value is stored";
  }
  setPictureValue(picture, ZAN_PICT_CURRENTLAYER, -2);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_CURRENTLAYER), 0);
  zanDestroyPicture(picture);
}

TEST_F(Pictures, LayersAreListedBottomFirstWithTheirIndexAndOwner) {
  const zanHandle picture = newPicture();
  const zanHandle a = newLayer(0, 0, 1, 1);
  const zanHandle b = newLayer(0, 0, 1, 1);
  const zanHandle c = newLayer(0, 0, 1, 1);
  const zanHandle d = newLayer(0, 0, 1, 1);
  EXPECT_EQ(insert(picture, a, 0), 1);
  EXPECT_EQ(insert(picture, b, 9), 2) << "past the end appends";
  EXPECT_EQ(insert(picture, c, 1), 1) << "index 1 is the bottom";
  EXPECT_THROW(insert(picture, a, 1), zan::Error) << "a layer lives in one picture";
  EXPECT_EQ(zanGetLayer(picture, 1, nullptr), c);
  EXPECT_EQ(zanGetLayer(picture, 3, nullptr), b);
  EXPECT_EQ(zanGetLayer(picture, 0, nullptr), 0u);
  EXPECT_EQ(zanGetLayer(picture, 4, nullptr), 0u);
  EXPECT_EQ(layerValue(a, ZAN_LAYER_INDEX), 2);
  EXPECT_EQ(layerValue(b, ZAN_LAYER_INDEX), 3);
  EXPECT_EQ(layerValue(a, ZAN_LAYER_PICTURE), static_cast<int32_t>(picture));

  // A layer with a palette makes it the picture's.
  const zanHandle palette = zanHeapAlloc(0, 8, ZAN_HEAP_ZEROINIT);
  setLayerValue(d, ZAN_LAYER_PALETTE, static_cast<int32_t>(palette));
  insert(picture, d);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_PALETTE), static_cast<int32_t>(palette));

  // Destroying a layer takes it out of its picture, found by its handle.
  setLayerValue(a, ZAN_LAYER_INDEX, 1);  // a wrong index must not remove another layer
  EXPECT_EQ(zanDestroyLayer(a), ZAN_OK);
  EXPECT_EQ(pictureValue(picture, ZAN_PICT_LAYERCOUNT), 3);
  EXPECT_EQ(zanGetLayer(picture, 1, nullptr), c);
  EXPECT_EQ(zanGetLayer(picture, 2, nullptr), b);
  EXPECT_EQ(layerValue(b, ZAN_LAYER_INDEX), 2);
  zanDestroyPicture(picture);
  EXPECT_EQ(zanCheckBaseObjectType(b, ZAN_BASE_LAYER), 0);
}

TEST_F(Pictures, DestroyingFreesEverythingThePictureOwns) {
  const zanHandle picture = newPicture();
  const zanHandle layer = newLayer(0, 0, 30, 30);
  zanSetLayerBits(nullptr, layer, 0, 0, 10, 10, 0, 1);
  insert(picture, layer);
  const zanHandle aux = newLayer(0, 0, 5, 5);
  setPictureValue(picture, ZAN_PICT_VALUE207, static_cast<int32_t>(aux));
  const zanHandle owned = zanHeapAlloc(0, 100, 0);
  zanSetPictureProperty(picture, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned, 0);
  Locked<tessaly::engine::Picture>(picture, true)->selection = newLayer(0, 0, 2, 2);
  EXPECT_EQ(zanDestroyPicture(picture), ZAN_OK);
  EXPECT_EQ(zanHeapSize(0, owned), 0u);
  EXPECT_EQ(zanCheckBaseObjectType(picture, ZAN_BASE_PICTURE), 0);
  // The fixture checks that no block of any of them is left.
  EXPECT_EQ(zanDestroyPicture(0), ZAN_OK);
  EXPECT_EQ(zanDestroyPicture(picture), ZAN_OK) << "a dead handle is like a zero handle";
}

TEST_F(Pictures, SizeScalesByTheRatio) {
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 1001);
  setPictureValue(picture, ZAN_PICT_HEIGHT, 30);
  int32_t w = 0, h = 0;
  const int32_t half[2] = {1, 2};
  EXPECT_EQ(zanPictureGetSize(picture, half, &w, &h), ZAN_OK);
  EXPECT_EQ(w, 500);
  EXPECT_EQ(h, 15);
  EXPECT_EQ(zanPictureGetSize(picture, nullptr, &w, nullptr), ZAN_OK);
  EXPECT_EQ(w, 1001);
  const int32_t huge[2] = {INT32_MAX, 1};
  EXPECT_EQ(zanPictureGetSize(picture, huge, &w, &h), ZAN_OK);
  EXPECT_EQ(w, INT32_MAX) << "clamped, not wrapped";
  const int32_t byZero[2] = {1, 0};
  EXPECT_EQ(zanPictureGetSize(picture, byZero, &w, &h), ZAN_ERR_ARG);
  zanDestroyPicture(picture);
}

TEST_F(Pictures, CloneCopiesPropertiesLayersPixelsAndMasks) {
  const zanHandle picture = newPicture();
  setPictureValue(picture, ZAN_PICT_WIDTH, 40);
  setPictureValue(picture, ZAN_PICT_VALUE217, 217);
  zanSetPictureProperty(picture, 5, "five", 4, 0);
  zanSetPictureProperty(picture, 2, "two", 3, 0);
  const zanHandle bottom = newLayer(0, 0, 40, 20);
  const Image pixels = patternImage(40, 20, 24);
  zanSetLayerBits(pixels.bytes.data(), bottom, 0, 0, 40, 20, pixels.stride, -1);
  const zanHandle mask = newLayer(0, 0, 40, 20, 8);
  zanSetLayerBits(nullptr, mask, 0, 0, 40, 20, 0, 128);
  Locked<tessaly::engine::Layer>(bottom, true)->mask = mask;
  insert(picture, bottom);
  const zanHandle top = newLayer(5, 5, 9, 9, 8);
  const zanHandle palette = zanHeapAlloc(0, 12, ZAN_HEAP_ZEROINIT);
  setLayerValue(top, ZAN_LAYER_PALETTE, static_cast<int32_t>(palette));
  insert(picture, top);

  int32_t error = 1;
  const zanHandle copy = zanClonePicture(picture, 1, &error);
  ASSERT_NE(copy, 0u);
  EXPECT_EQ(error, ZAN_OK);
  EXPECT_EQ(pictureValue(copy, ZAN_PICT_WIDTH), 40);
  EXPECT_EQ(pictureValue(copy, ZAN_PICT_VALUE217), 217);
  EXPECT_EQ(pictureValue(copy, ZAN_PICT_LAYERCOUNT), 2);
  const zanHandle copyBottom = zanGetLayer(copy, 1, nullptr);
  const zanHandle copyTop = zanGetLayer(copy, 2, nullptr);
  EXPECT_NE(copyBottom, bottom);
  EXPECT_EQ(layerValue(copyTop, ZAN_LAYER_INDEX), 2);
  EXPECT_EQ(layerValue(copyTop, ZAN_LAYER_BPP), 8);
  const int32_t copyPalette = layerValue(copyTop, ZAN_LAYER_PALETTE);
  EXPECT_NE(copyPalette, static_cast<int32_t>(palette)) << "each layer owns its palette";
  EXPECT_EQ(pictureValue(copy, ZAN_PICT_PALETTE), copyPalette);

  Image back = readLayer(copyBottom, RECT{0, 0, 40, 20}, 24);
  for (int32_t y = 0; y < 20; ++y) ASSERT_EQ(std::memcmp(back.row(y), pixels.row(y), 40 * 3), 0);
  // The copy's pixels are its own.
  zanSetLayerBits(nullptr, copyBottom, 0, 0, 40, 20, 0, 0);
  EXPECT_EQ(readLayer(bottom, RECT{0, 0, 1, 1}, 24).row(0)[0], pixels.bytes[0]);
  const zanHandle copyMask = Locked<tessaly::engine::Layer>(copyBottom)->mask;
  ASSERT_NE(copyMask, 0u);
  EXPECT_NE(copyMask, mask);
  EXPECT_EQ(readLayer(copyMask, RECT{3, 3, 4, 4}, 8).row(0)[0], 128);
  EXPECT_EQ(layerValue(copyMask, ZAN_LAYER_PICTURE), static_cast<int32_t>(copy));

  auto collect = [](void*, zanHandle, int32_t id, void*, uint32_t, uint32_t, void* user) {
    static_cast<std::vector<int32_t>*>(user)->push_back(id);
    return 0;
  };
  std::vector<int32_t> ids;
  zanEnumPictureProperties(copy, collect, &ids);
  EXPECT_EQ(ids, (std::vector<int32_t>{5, 2}));

  const zanHandle bare = zanClonePicture(picture, 0, nullptr);
  EXPECT_EQ(pictureValue(bare, ZAN_PICT_LAYERCOUNT), 0);
  zanDestroyPicture(bare);
  zanDestroyPicture(copy);
  zanDestroyPicture(picture);
  EXPECT_EQ(zanClonePicture(0, 1, &error), 0u);
}

TEST_F(Pictures, CopiedPropertiesGiveEachPictureItsOwnAuxiliaryLayerAndBlock) {
  const zanHandle source = newPicture();
  const zanHandle target = newPicture();
  const zanHandle aux = newLayer(0, 0, 3, 3);
  setPictureValue(source, ZAN_PICT_VALUE207, static_cast<int32_t>(aux));
  const zanHandle owned = zanHeapAlloc(0, 16, ZAN_HEAP_ZEROINIT);
  zanSetPictureProperty(source, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned, 0);
  const zanHandle targetOwned = zanHeapAlloc(0, 16, 0);
  zanSetPictureProperty(target, ZAN_PICT_OWNED_BLOCK, &targetOwned, sizeof targetOwned, 0);

  EXPECT_EQ(zanClonePictureProp(target, source, nullptr), ZAN_OK);
  const int32_t targetAux = pictureValue(target, ZAN_PICT_VALUE207);
  EXPECT_NE(targetAux, static_cast<int32_t>(aux));
  EXPECT_EQ(zanCheckBaseObjectType(targetAux, ZAN_BASE_LAYER), 1);
  zanHandle copied = 0;
  zanGetPictureProperty(target, ZAN_PICT_OWNED_BLOCK, &copied, sizeof copied, nullptr);
  EXPECT_NE(copied, owned);
  EXPECT_EQ(zanHeapSize(0, copied), 16u);
  EXPECT_EQ(zanHeapSize(0, targetOwned), 0u) << "the target's old block went";

  EXPECT_EQ(zanClonePictureProp(0, source, nullptr), ZAN_ERR_FAILED);
  EXPECT_EQ(zanClonePictureProp(target, aux, nullptr), ZAN_ERR_FAILED);
  zanDestroyPicture(source);
  zanDestroyPicture(target);  // both free their own: the fixture sees no block left
}

}  // namespace
