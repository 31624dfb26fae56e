// Data layers shared by several layers: pixels written through one are seen through the others,
// every sharing layer reports the change in its own picture, and the last one to leave takes the
// data layer with it.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "layer.h"

using namespace tessaly::engine::test;

namespace {

using SharedData = EngineTest;

TEST_F(SharedData, BlocksAreSharedAndChangesReachEveryLayersPicture) {
  const zanHandle pictureA = newPicture();
  const zanHandle pictureB = newPicture();
  const zanHandle probeA = attachProbe(pictureA);
  const zanHandle probeB = attachProbe(pictureB);
  const zanHandle a = newLayer(0, 0, 20, 20, 8);
  const zanHandle b = newLayer(100, 200, 120, 220, 8);
  insert(pictureA, a);
  insert(pictureB, b);
  ASSERT_EQ(zanSetLayerBits(nullptr, a, 0, 0, 20, 20, 0, 1), ZAN_OK);
  const zanHandle shared = zanGetDataLayer(a);
  EXPECT_EQ(zanAttachDataLayer(b, shared, nullptr), 1);
  EXPECT_EQ(zanGetDataLayer(b), shared);
  probeChanges(probeA);
  probeChanges(probeB);

  const unsigned char value = 77;
  ASSERT_EQ(zanSetLayerBits(&value, a, 5, 5, 6, 6, 1, -1), ZAN_OK);
  EXPECT_EQ(readLayer(b, RECT{5, 5, 6, 6}, 8).row(0)[0], 77);
  EXPECT_EQ(probeChanges(probeA), (std::vector<Change>{{ZAN_CHANGE_PIXELS, {0, 0, 20, 20}}}));
  EXPECT_EQ(probeChanges(probeB), (std::vector<Change>{{ZAN_CHANGE_PIXELS, {100, 200, 120, 220}}}));

  // A block changed through zanLockBlock is announced the same way.
  BlockHeader* block = zanLockBlock(b, 0, 0, nullptr);
  ASSERT_NE(block, nullptr);
  zanUnlockBlock(block, 1);
  EXPECT_EQ(probeChanges(probeA).size(), 1u);

  // a leaves: b keeps the pixels; when b leaves too the data layer goes.
  EXPECT_EQ(zanAttachDataLayer(a, 0, nullptr), 1);
  EXPECT_EQ(zanGetDataLayer(a), 0u);
  EXPECT_EQ(readLayer(b, RECT{5, 5, 6, 6}, 8).row(0)[0], 77);
  zanDestroyPicture(pictureB);
  EXPECT_FALSE(tessaly::engine::Locked<tessaly::engine::DataLayer>(shared))
      << "the data layer went with b";
  EXPECT_EQ(zanGetDataLayer(b), 0u);
  zanDestroyPicture(pictureA);
  tessaly::engine::destroyObject(probeA);
  tessaly::engine::destroyObject(probeB);
}

TEST_F(SharedData, OnlyDataLayersCanBeAttached) {
  const zanHandle a = newLayer(0, 0, 4, 4);
  const zanHandle b = newLayer(0, 0, 4, 4);
  EXPECT_EQ(zanAttachDataLayer(a, b, nullptr), ZAN_ERR_ARG);
  EXPECT_EQ(zanGetDataLayer(a), 0u);
  EXPECT_EQ(zanAttachDataLayer(0, b, nullptr), 0);
  // Attaching the data layer a layer already has changes nothing.
  zanSetLayerBits(nullptr, a, 0, 0, 4, 4, 0, 3);
  EXPECT_EQ(zanAttachDataLayer(a, zanGetDataLayer(a), nullptr), 1);
  EXPECT_EQ(readLayer(a, RECT{0, 0, 1, 1}, 24).row(0)[2], 3);
  zanDestroyLayer(a);
  zanDestroyLayer(b);
}

}  // namespace
