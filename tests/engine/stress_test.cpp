// Thousands of objects made, cloned, moved, written and destroyed while every unlocked block of
// both heaps moves: run under AddressSanitizer, any address kept across an unlock is a use of
// freed memory, and the fixture's block counts catch every leak.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine_fixture.h"

using namespace tessaly::engine::test;

namespace {

class Stress : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    wasMoving_ = zanHeapSetMoving(0, 1);
  }
  void TearDown() override {
    zanHeapSetMoving(0, wasMoving_);
    EngineTest::TearDown();
  }

 private:
  int32_t wasMoving_ = 0;
};

// Every pixel of the layer must hold the value its picture position gives it.
unsigned char expectedAt(int32_t x, int32_t y, int32_t seed) {
  return static_cast<unsigned char>(x * 7 + y * 13 + seed);
}

void paint(zanHandle layer, int32_t width, int32_t height, int32_t seed) {
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = expectedAt(x, y, seed);
  ASSERT_EQ(zanSetLayerBits(pixels.data(), layer, 0, 0, width, height, width, -1), ZAN_OK);
}

bool holdsPaint(zanHandle layer, int32_t width, int32_t height, int32_t seed) {
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height);
  zanGetLayerBits(pixels.data(), layer, 0, 0, width, height, width);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      if (pixels[static_cast<size_t>(y) * width + x] != expectedAt(x, y, seed)) return false;
  return true;
}

TEST_F(Stress, ObjectsSurviveMovingHeapsAndLeaveNothingBehind) {
  std::mt19937 random(12345);
  struct Kept {
    zanHandle picture;
    int32_t width;
    int32_t height;
    int32_t seed;
  };
  std::vector<Kept> kept;
  int32_t objects = 0;
  for (int round = 0; round < 400; ++round) {
    const zanHandle picture = newPicture();
    const int32_t width = 1 + static_cast<int32_t>(random() % 70);
    const int32_t height = 1 + static_cast<int32_t>(random() % 50);
    const int32_t seed = round;
    for (int i = 0; i < 3; ++i) {
      const zanHandle layer = newLayer(0, 0, width, height, 8);
      setLayerValue(layer, ZAN_LAYER_TILEW, 1 + static_cast<int32_t>(random() % 32));
      setLayerValue(layer, ZAN_LAYER_TILEH, 1 + static_cast<int32_t>(random() % 32));
      zanSetLayerProperty(layer, 1000 + i, "property", 8, 0);
      paint(layer, width, height, seed);
      insert(picture, layer);
      objects += 3;
    }
    zanSetPictureProperty(picture, 7, &round, sizeof round, 0);
    if (round % 3 == 0)
      zanSetLayerBits(nullptr, zanGetLayer(picture, 1, nullptr), 0, 0, width, height, width,
                      9);  // whole-layer fill, then repainted
    paint(zanGetLayer(picture, 1, nullptr), width, height, seed);

    const zanHandle copy = zanClonePicture(picture, 1, nullptr);
    ASSERT_NE(copy, 0u);
    // Move every layer of the copy; the pixels stay with the layer.
    for (int32_t i = 1; i <= 3; ++i) {
      const RECT moved{i * 5, -i, i * 5 + width, height - i};
      zanSetLayerProperty(zanGetLayer(copy, i, nullptr), ZAN_LAYER_RECT, &moved, sizeof moved, 0);
    }
    kept.push_back({copy, width, height, seed});
    zanDestroyPicture(picture);
    if (round % 16 == 0) {
      zanHeapCompact(0);
      zanHeapCompact(testRunHeap());
    }
    // Drop a random earlier copy now and then, after checking it.
    if (kept.size() > 20) {
      const size_t victim = random() % kept.size();
      const Kept k = kept[victim];
      for (int32_t i = 1; i <= 3; ++i)
        ASSERT_TRUE(holdsPaint(zanGetLayer(k.picture, i, nullptr), k.width, k.height, k.seed))
            << "round " << round;
      zanDestroyPicture(k.picture);
      kept.erase(kept.begin() + static_cast<long>(victim));
    }
  }
  for (const Kept& k : kept) {
    for (int32_t i = 1; i <= 3; ++i)
      ASSERT_TRUE(holdsPaint(zanGetLayer(k.picture, i, nullptr), k.width, k.height, k.seed));
    zanDestroyPicture(k.picture);
  }
  EXPECT_GE(objects, 1000);
}

TEST_F(Stress, BlocksHeldByCallersStayPutWhileEverythingElseMoves) {
  const zanHandle layer = newLayer(0, 0, 64, 64, 8);
  setLayerValue(layer, ZAN_LAYER_TILEW, 16);
  setLayerValue(layer, ZAN_LAYER_TILEH, 16);
  paint(layer, 64, 64, 3);
  std::vector<BlockHeader*> held;
  for (int32_t y = 0; y < 64; y += 16)
    for (int32_t x = 0; x < 64; x += 16) held.push_back(zanLockBlock(layer, x, y, nullptr));
  std::vector<unsigned char*> addresses;
  for (BlockHeader* b : held) addresses.push_back(b->data);
  for (int i = 0; i < 50; ++i) {
    zanHeapCompact(0);
    zanHeapCompact(testRunHeap());
    const zanHandle churn = newLayer(0, 0, 8, 8);
    zanSetLayerBits(nullptr, churn, 0, 0, 8, 8, 0, i);
    zanDestroyLayer(churn);
  }
  for (size_t i = 0; i < held.size(); ++i) {
    EXPECT_EQ(held[i]->data, addresses[i]);
    EXPECT_EQ(held[i]->data[0], expectedAt(held[i]->left, held[i]->top, 3));
    zanUnlockBlock(held[i], 0);
  }
  EXPECT_TRUE(holdsPaint(layer, 64, 64, 3));
  zanDestroyLayer(layer);
}

}  // namespace
