// Failures part-way through an operation: what was made is destroyed again, what was changed
// stays as it was, and the fixture checks that no heap block is left behind.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "layer.h"
#include "owned.h"
#include "property_store.h"

using namespace tessaly::engine::test;

namespace {

using Failures = EngineTest;

int g_destroyed = 0;
void countDestroy(int) {
  ++g_destroyed;
}
void throwingDestroy(int) {
  ++g_destroyed;
  _zanThrow(ZAN_ERR_FAILED);
}

TEST(OwnedGuard, DestroysUnlessReleasedAndNeverThrowsFromCleanup) {
  using Guarded = tessaly::engine::Owned<int, countDestroy>;
  g_destroyed = 0;
  { Guarded made(7); }
  EXPECT_EQ(g_destroyed, 1) << "left without release: destroyed";
  {
    Guarded made(7);
    EXPECT_EQ(made.release(), 7);
  }
  { Guarded nothing(0); }
  EXPECT_EQ(g_destroyed, 1) << "released or empty: left alone";

  // A failure while cleaning up must not replace the failure being unwound.
  try {
    tessaly::engine::Owned<int, throwingDestroy> made(7);
    _zanThrow(ZAN_ERR_ARG);
  } catch (const zan::Error& e) {
    EXPECT_EQ(e.code(), ZAN_ERR_ARG);
  }
  EXPECT_EQ(g_destroyed, 2);
}

TEST_F(Failures, ObjectWhoseSetUpFailsIsDestroyedWithWhatItMade) {
  const int32_t value = 5;
  try {
    tessaly::engine::createObject<tessaly::engine::Layer>([&](tessaly::engine::Layer& layer) {
      tessaly::engine::storeSet(&layer.base, 1, &value, sizeof value, 0);
      _zanThrow(ZAN_ERR_ARG);
    });
    ADD_FAILURE() << "the set-up failure should travel on";
  } catch (const zan::Error& e) {
    EXPECT_EQ(e.code(), ZAN_ERR_ARG);
  }
}

// A grid too large for the heap's 32-bit sizes cannot be laid out: the layer keeps its
// rectangle, its tile size and its pixels.
TEST_F(Failures, GridThatCannotBeLaidOutLeavesTheLayerAsItWas) {
  const zanHandle layer = newLayer(0, 0, 300, 300, 8);
  const unsigned char value = 42;
  ASSERT_EQ(zanSetLayerBits(&value, layer, 10, 10, 11, 11, 1, -1), ZAN_OK);

  const RECT huge{0, 0, 2000000000, 2000000000};
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_RECT, &huge, sizeof huge, 0), ZAN_ERR_CREATE);
  RECT rect{};
  zanGetLayerProperty(layer, ZAN_LAYER_RECT, &rect, sizeof rect, nullptr);
  EXPECT_EQ(rect.right, 300);
  EXPECT_EQ(rect.bottom, 300);
  EXPECT_EQ(readLayer(layer, RECT{10, 10, 11, 11}, 8).row(0)[0], 42) << "the pixels stay";

  zanDestroyLayer(layer);

  // One tile covers the whole of a huge layer; one-pixel-wide tiles would not fit the table.
  const int32_t whole = 2000000000;
  const zanHandle big = newLayer(0, 0, whole, whole, 8);
  setLayerValue(big, ZAN_LAYER_TILEW, whole);
  setLayerValue(big, ZAN_LAYER_TILEH, whole);
  ASSERT_EQ(zanSetLayerBits(nullptr, big, 0, 0, whole, whole, 0, 42), ZAN_OK);
  const int32_t narrow = 1;
  EXPECT_EQ(zanSetLayerProperty(big, ZAN_LAYER_TILEW, &narrow, sizeof narrow, 0), ZAN_ERR_CREATE);
  EXPECT_EQ(layerValue(big, ZAN_LAYER_TILEW), whole);
  EXPECT_EQ(layerValue(big, ZAN_LAYER_TILECOUNT), 1);
  EXPECT_EQ(readLayer(big, RECT{10, 10, 11, 11}, 8).row(0)[0], 42) << "the pixels stay";
  zanDestroyLayer(big);
}

}  // namespace
