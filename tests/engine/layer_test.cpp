// Layers: creation rules, defaults, moving and resizing with the mask, the text record, and
// handles that are not (or no longer) what a call expects.
#include "layer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "block.h"
#include "engine_fixture.h"
#include "property_store.h"

using namespace tessaly::engine::test;
using tessaly::engine::Locked;

namespace {

using Layers = EngineTest;

std::vector<int32_t> rectOf(zanHandle layer) {
  RECT r{};
  EXPECT_EQ(zanGetLayerProperty(layer, ZAN_LAYER_RECT, &r, sizeof r, nullptr), 16);
  return {r.left, r.top, r.right, r.bottom};
}

TEST_F(Layers, EmptyRectanglesAreAllowedAndInvertedOnesRefused) {
  int32_t error = 1;
  const zanHandle empty = zanCreateLayer(10, 10, 10, 10, &error);
  EXPECT_NE(empty, 0u);
  EXPECT_EQ(error, ZAN_OK);
  EXPECT_EQ(layerValue(empty, ZAN_LAYER_TILECOUNT), 0);
  EXPECT_EQ(zanCreateLayer(10, 10, 9, 10, &error), 0u);
  EXPECT_EQ(error, ZAN_ERR_ARG);
  EXPECT_EQ(zanCreateLayer(0, 5, 3, 4, nullptr), 0u);
  EXPECT_EQ(zanCreateLayer(INT32_MIN, 0, INT32_MAX, 1, &error), 0u) << "wider than 32 bits";
  const RECT inverted{5, 5, 4, 9};
  EXPECT_EQ(zanSetLayerProperty(empty, ZAN_LAYER_RECT, &inverted, sizeof inverted, 0), ZAN_ERR_ARG);
  EXPECT_EQ(rectOf(empty), (std::vector<int32_t>{10, 10, 10, 10}));
  zanDestroyLayer(empty);
}

TEST_F(Layers, StartWithDefaultsAndKeepTheirValues) {
  const zanHandle layer = newLayer(0, 0, 600, 300);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_VISIBLE), 1);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_OPACITY), 255);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), 24);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILEW), 256);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_KIND), 0);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_PICTURE), 0);
  EXPECT_EQ(zanGetDataLayer(layer), 0u);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILECOUNT), 6) << "3 columns, 2 rows";
  EXPECT_NE(zanGetDataLayer(layer), 0u) << "reading the tile count made the data layer";

  setLayerValue(layer, ZAN_LAYER_OPACITY, 0x1234);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_OPACITY), 0x34);
  for (const int32_t id : {ZAN_LAYER_USER1, ZAN_LAYER_USER2, ZAN_LAYER_TAG, ZAN_LAYER_VISIBLE,
                           ZAN_LAYER_KIND, ZAN_LAYER_INDEX}) {
    setLayerValue(layer, id, -7);
    EXPECT_EQ(layerValue(layer, id), -7) << id;
  }
  for (const int32_t bad : {0, 2, 32}) {
    EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_BPP, &bad, 4, 0), ZAN_ERR_ARG) << bad;
  }
  const int32_t zero = 0;
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TILEH, &zero, 4, 0), ZAN_ERR_ARG);
  EXPECT_EQ(zanIsExternLayer(layer), 0);
  EXPECT_EQ(zanCheckBaseObjectType(layer, ZAN_BASE_LAYER), 1);
  zanDestroyLayer(layer);
}

TEST_F(Layers, MovingKeepsThePixelsAndResizingLaysTheGridOutAgain) {
  const zanHandle layer = newLayer(0, 0, 20, 10, 8);
  zanSetLayerBits(nullptr, layer, 0, 0, 20, 10, 0, 42);
  const RECT moved{100, 50, 120, 60};
  zanSetLayerProperty(layer, ZAN_LAYER_RECT, &moved, sizeof moved, 0);
  EXPECT_EQ(readLayer(layer, RECT{19, 9, 20, 10}, 8).row(0)[0], 42);

  const RECT wider{100, 50, 130, 60};
  zanSetLayerProperty(layer, ZAN_LAYER_RECT, &wider, sizeof wider, 0);
  EXPECT_EQ(readLayer(layer, RECT{19, 9, 20, 10}, 8, 0xEE).row(0)[0], 0xEE) << "pixels dropped";
  // Setting a tile size to the value it has keeps the pixels; a new one drops them.
  zanSetLayerBits(nullptr, layer, 0, 0, 30, 10, 0, 7);
  setLayerValue(layer, ZAN_LAYER_TILEW, 256);
  EXPECT_EQ(readLayer(layer, RECT{0, 0, 1, 1}, 8).row(0)[0], 7);
  setLayerValue(layer, ZAN_LAYER_TILEW, 8);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILECOUNT), 4);
  EXPECT_EQ(readLayer(layer, RECT{0, 0, 1, 1}, 8, 0xEE).row(0)[0], 0xEE);
  zanDestroyLayer(layer);
}

TEST_F(Layers, TheMaskFollowsAMove) {
  const zanHandle layer = newLayer(0, 0, 10, 10);
  const zanHandle mask = newLayer(0, 0, 10, 10, 8);
  Locked<tessaly::engine::Layer>(layer, true)->mask = mask;
  const RECT moved{5, 6, 15, 16};
  zanSetLayerProperty(layer, ZAN_LAYER_RECT, &moved, sizeof moved, 0);
  EXPECT_EQ(rectOf(mask), (std::vector<int32_t>{5, 6, 15, 16}));

  // A transformed mask is moved by its transform instead.
  setLayerValue(mask, ZAN_LAYER_KIND, ZAN_LAYERKIND_TRANSFORMED);
  const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(zanSetLayerProperty(mask, ZAN_LAYER_TRANSFORM, identity, sizeof identity, 0), 72);
  const RECT again{7, 2, 17, 12};
  zanSetLayerProperty(layer, ZAN_LAYER_RECT, &again, sizeof again, 0);
  EXPECT_EQ(rectOf(mask), (std::vector<int32_t>{5, 6, 15, 16}));
  double matrix[9];
  {
    Locked<tessaly::engine::Layer> m(mask);
    zan::HeapLock<double> stored(0, m->transform);
    std::memcpy(matrix, stored.get(), sizeof matrix);
  }
  EXPECT_EQ(matrix[6], 2.0);
  EXPECT_EQ(matrix[7], -4.0);
  EXPECT_EQ(matrix[0], 1.0);
  zanDestroyLayer(layer);  // destroys the mask too
  EXPECT_EQ(zanCheckBaseObjectType(mask, ZAN_BASE_LAYER), 0);
}

// A text record naming length UTF-16 units in text.
std::vector<unsigned char> textRecord(zanHandle text, uint32_t length) {
  std::vector<unsigned char> record(ZAN_TEXT_RECORD_SIZE, 0x11);
  std::memcpy(record.data() + ZAN_TEXT_HANDLE_OFFSET, &text, 4);
  std::memcpy(record.data() + ZAN_TEXT_LENGTH_OFFSET, &length, 4);
  return record;
}

std::u16string storedText(zanHandle layer) {
  std::vector<unsigned char> record(ZAN_TEXT_RECORD_SIZE);
  zanGetLayerProperty(layer, ZAN_LAYER_TEXT, record.data(), ZAN_TEXT_RECORD_SIZE, nullptr);
  zanHandle text = 0;
  std::memcpy(&text, record.data() + ZAN_TEXT_HANDLE_OFFSET, 4);
  zan::HeapLock<char16_t> units(0, text);
  return units ? std::u16string(units.get()) : std::u16string();
}

TEST_F(Layers, TheTextRecordIsCopiedWithItsText) {
  const zanHandle layer = newLayer(0, 0, 10, 10);
  unsigned char buffer[ZAN_TEXT_RECORD_SIZE];
  std::memset(buffer, 0x77, sizeof buffer);
  int32_t out = 0;
  EXPECT_EQ(zanGetLayerProperty(layer, ZAN_LAYER_TEXT, buffer, sizeof buffer, &out), 4);
  EXPECT_EQ(out, 4);
  EXPECT_EQ(buffer[0], 0x77) << "no record: the buffer is untouched";

  const std::u16string hello = u"Hello";
  const zanHandle text = zanHeapAlloc(0, 12, ZAN_HEAP_ZEROINIT);
  std::memcpy(zan::HeapLock<char16_t>(0, text).get(), hello.data(), 10);
  std::vector<unsigned char> record = textRecord(text, 5);
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TEXT, record.data(), ZAN_TEXT_RECORD_SIZE, 0),
            ZAN_TEXT_RECORD_SIZE);
  zanHeapFree(0, text);  // the caller's block is the caller's
  EXPECT_EQ(zanGetLayerProperty(layer, ZAN_LAYER_TEXT, buffer, sizeof buffer, nullptr), 4);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(storedText(layer), u"Hello");

  // A record naming more text than its block holds copies only what is there.
  const zanHandle shortText = zanHeapAlloc(0, 4, ZAN_HEAP_ZEROINIT);
  std::memcpy(zan::HeapLock<char16_t>(0, shortText).get(), u"Hi", 4);
  record = textRecord(shortText, 1000);
  zanSetLayerProperty(layer, ZAN_LAYER_TEXT, record.data(), ZAN_TEXT_RECORD_SIZE, 0);
  EXPECT_EQ(storedText(layer), u"Hi");
  zanHeapFree(0, shortText);

  // A clone owns a copy; a short record is refused; a huge length cannot overflow the size.
  const zanHandle clone = tessaly::engine::cloneLayer(layer, false);
  EXPECT_EQ(storedText(clone), u"Hi");
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TEXT, record.data(), 100, 0), ZAN_ERR_ARG);
  record = textRecord(layer, 0xFFFFFFFFu);
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TEXT, record.data(), ZAN_TEXT_RECORD_SIZE, 0),
            ZAN_ERR_ARG);
  EXPECT_EQ(storedText(layer), u"Hi");
  zanDestroyLayer(clone);
  zanDestroyLayer(layer);
}

TEST_F(Layers, CloneCopiesValuesAndPropertiesButNotTheMask) {
  const zanHandle layer = newLayer(3, 4, 13, 24, 16);
  setLayerValue(layer, ZAN_LAYER_USER2, 22);
  setLayerValue(layer, ZAN_LAYER_OPACITY, 90);
  setLayerValue(layer, ZAN_LAYER_TILEH, 7);
  setLayerValue(layer, ZAN_LAYER_TAG, 5);  // not among the copied values
  zanSetLayerProperty(layer, 40, "x", 1, 3);
  zanSetLayerBits(nullptr, layer, 0, 0, 10, 20, 0, 0x33);
  Locked<tessaly::engine::Layer>(layer, true)->mask = newLayer(3, 4, 13, 24, 8);

  for (const bool withPixels : {false, true}) {
    const zanHandle copy = tessaly::engine::cloneLayer(layer, withPixels);
    EXPECT_EQ(rectOf(copy), (std::vector<int32_t>{3, 4, 13, 24}));
    EXPECT_EQ(layerValue(copy, ZAN_LAYER_BPP), 16);
    EXPECT_EQ(layerValue(copy, ZAN_LAYER_USER2), 22);
    EXPECT_EQ(layerValue(copy, ZAN_LAYER_OPACITY), 90);
    EXPECT_EQ(layerValue(copy, ZAN_LAYER_TILEH), 7);
    EXPECT_EQ(layerValue(copy, ZAN_LAYER_TAG), 0);
    char x = 0;
    EXPECT_EQ(zanGetLayerProperty(copy, 40, &x, 1, nullptr), 1);
    EXPECT_EQ(Locked<tessaly::engine::Layer>(copy)->mask, 0u);
    EXPECT_EQ(readLayer(copy, RECT{9, 19, 10, 20}, 16, 0xEE).row(0)[0], withPixels ? 0x33 : 0xEE);
    zanDestroyLayer(copy);
  }
  zanDestroyLayer(layer);
}

TEST_F(Layers, TypeChecksAreSafeOnFreedAndForeignHandles) {
  const zanHandle layer = newLayer(0, 0, 4, 4);
  EXPECT_EQ(zanCheckBaseObjectType(layer, ZAN_BASE_PICTURE), 0);
  EXPECT_EQ(zanCheckBaseObjectType(layer, 3), 0);
  EXPECT_EQ(zanCheckBaseObjectType(layer, -1), 0);
  zanSetLayerBits(nullptr, layer, 0, 0, 4, 4, 0, 1);
  BlockHeader* block = zanLockBlock(layer, 0, 0, nullptr);
  const zanHandle blockHandle = tessaly::engine::blockOf(block)->base.handle;
  zanUnlockBlock(block, 0);
  EXPECT_EQ(zanCheckBaseObjectType(blockHandle, ZAN_BASE_LAYER), 0);
  EXPECT_EQ(zanCheckBaseObjectType(zanGetDataLayer(layer), ZAN_BASE_LAYER), 0);

  const zanHandle plain = zanHeapAlloc(0, 64, ZAN_HEAP_ZEROINIT);
  EXPECT_EQ(zanCheckBaseObjectType(plain, ZAN_BASE_LAYER), 0);
  // A block that copies a layer's bytes is still not that layer: the handle does not match.
  const zanHandle lookalike = zanHeapAlloc(0, zanHeapSize(0, layer), 0);
  std::memcpy(zan::HeapLock<unsigned char>(0, lookalike).get(),
              zan::HeapLock<unsigned char>(0, layer).get(), zanHeapSize(0, layer));
  EXPECT_EQ(zanCheckBaseObjectType(lookalike, ZAN_BASE_LAYER), 0);
  EXPECT_EQ(zanDestroyLayer(lookalike), ZAN_OK);
  EXPECT_EQ(zanHeapSize(0, lookalike), zanHeapSize(0, layer)) << "not destroyed as a layer";
  zanHeapFree(0, lookalike);
  zanHeapFree(0, plain);

  EXPECT_EQ(zanDestroyLayer(layer), ZAN_OK);
  EXPECT_EQ(zanCheckBaseObjectType(layer, ZAN_BASE_LAYER), 0);
  EXPECT_EQ(zanIsExternLayer(layer), 0);
  EXPECT_EQ(zanDestroyLayer(layer), ZAN_OK);
  EXPECT_EQ(zanCheckBaseObjectType(0, ZAN_BASE_LAYER), 0);
  EXPECT_EQ(zanCheckBaseObjectType(0x7FFFFFFF, ZAN_BASE_LAYER), 0);
}

TEST_F(Layers, ALayerCarryingAnExternalMaskIsMarked) {
  const zanHandle layer = newLayer(0, 0, 4, 4);
  Locked<tessaly::engine::Layer>(layer, true)->base.tag = ZAN_TAG_LAYER_EXTMASK;
  EXPECT_EQ(zanIsExternLayer(layer), 1);
  EXPECT_EQ(zanCheckBaseObjectType(layer, ZAN_BASE_LAYER), 0) << "only LAYR counts as a layer";
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_BPP), 24) << "still a layer to its own functions";
  zanDestroyLayer(layer);
}

}  // namespace
