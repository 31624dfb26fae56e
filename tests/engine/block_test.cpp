// Blocks: uniform tiles and lazily made pixel memory, locking and unlocking, inserting,
// enumerating, cloning, destroying, and the run heap.
#include <gtest/gtest.h>

#include <cstring>

#include "engine_fixture.h"
#include "run_heap.h"

using namespace tessaly::engine::test;

namespace {

using Blocks = EngineTest;

int32_t pixelMemoryBlocks() {
  return zanHeapBlockCount(tessaly::engine::runHeap());
}

TEST_F(Blocks, AUniformTileGetsMemoryOnlyWhileSomebodyLooksAtIt) {
  const zanHandle layer = newLayer(0, 0, 300, 300);
  const int32_t before = pixelMemoryBlocks();
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 256, 256, 0, 0x102030), ZAN_OK);
  EXPECT_EQ(pixelMemoryBlocks(), before) << "a whole-tile fill needs no memory";

  BlockHeader* block = zanLockBlock(layer, 10, 10, nullptr);
  ASSERT_NE(block, nullptr);
  ASSERT_NE(block->data, nullptr);
  EXPECT_EQ(pixelMemoryBlocks(), before + 1);
  EXPECT_EQ(block->stride, 256 * 3);
  for (int32_t y = 0; y < 256; y += 51)
    for (int32_t x = 0; x < 256; x += 37)
      ASSERT_EQ(std::memcmp(block->data + y * block->stride + x * 3, "\x10\x20\x30", 3), 0);
  zanUnlockBlock(block, 0);
  EXPECT_EQ(pixelMemoryBlocks(), before) << "unlocked unchanged: the fill value says it all";

  // Changing it through the lock keeps the memory and the block is no longer uniform.
  block = zanLockBlock(layer, 0, 0, nullptr);
  block->data[0] = 0xFF;
  zanUnlockBlock(block, 1);
  EXPECT_EQ(pixelMemoryBlocks(), before + 1);
  Image back = readLayer(layer, RECT{0, 0, 2, 1}, 24);
  EXPECT_EQ(back.row(0)[0], 0xFF);
  EXPECT_EQ(back.row(0)[3], 0x10);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, AChangeMadeUnderAnInnerLockSurvivesAnUnchangedOuterUnlock) {
  const zanHandle layer = newLayer(0, 0, 16, 16, 8);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 16, 16, 0, 5), ZAN_OK);
  BlockHeader* outer = zanLockBlock(layer, 0, 0, nullptr);
  BlockHeader* inner = zanLockBlock(layer, 0, 0, nullptr);
  ASSERT_EQ(outer, inner);
  inner->data[0] = 99;
  zanUnlockBlock(inner, 1);
  zanUnlockBlock(outer, 0);
  EXPECT_EQ(readLayer(layer, RECT{0, 0, 1, 1}, 8).row(0)[0], 99);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, FillingPartOfAUniformTileKeepsTheRestOfItsValue) {
  const zanHandle layer = newLayer(0, 0, 8, 8, 8);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 8, 8, 0, 3), ZAN_OK);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 2, 2, 4, 4, 0, 200), ZAN_OK);
  Image back = readLayer(layer, RECT{0, 0, 8, 8}, 8);
  EXPECT_EQ(back.row(0)[0], 3);
  EXPECT_EQ(back.row(3)[3], 200);
  EXPECT_EQ(back.row(4)[4], 3);
  // A whole-tile fill over memory makes the tile uniform again and frees its memory.
  const int32_t before = pixelMemoryBlocks();
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 8, 8, 0, 7), ZAN_OK);
  EXPECT_EQ(pixelMemoryBlocks(), before - 1);
  EXPECT_EQ(readLayer(layer, RECT{3, 3, 4, 4}, 8).row(0)[0], 7);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, LockingFindsTheTileOfAPointOrNothing) {
  const zanHandle layer = newLayer(0, 0, 600, 300);
  EXPECT_EQ(zanLockBlock(layer, 10, 10, nullptr), nullptr) << "no data layer yet";
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 512, 256, 600, 300, 0, 1), ZAN_OK);
  BlockHeader* corner = zanLockBlock(layer, 599, 299, nullptr);
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ((std::vector<int32_t>{corner->left, corner->top, corner->right, corner->bottom}),
            (std::vector<int32_t>{512, 256, 600, 300}));
  zanUnlockBlock(corner, 0);
  EXPECT_EQ(zanLockBlock(layer, 600, 0, nullptr), nullptr);
  EXPECT_EQ(zanLockBlock(layer, -1, 0, nullptr), nullptr);
  EXPECT_EQ(zanLockBlock(layer, 0, 0, nullptr), nullptr) << "tile 1 has no block";
  EXPECT_EQ(zanLockBlock(0, 0, 0, nullptr), nullptr);
  zanDestroyLayer(layer);
}

BlockHeader* newTile(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t bpp,
                     unsigned char byte) {
  const int32_t stride = ((right - left) * (bpp < 9 ? 1 : bpp / 8) + 3) & ~3;
  int32_t error = 1;
  BlockHeader* block =
      zanCreateBlock(static_cast<uint32_t>(stride * (bottom - top)), ZAN_BLOCK_PIXELS, &error);
  EXPECT_EQ(error, ZAN_OK);
  if (block == nullptr) return nullptr;
  block->left = left;
  block->top = top;
  block->right = right;
  block->bottom = bottom;
  block->bitsPerPixel = bpp;
  block->stride = stride;
  std::memset(block->data, byte, static_cast<size_t>(stride) * (bottom - top));
  return block;
}

TEST_F(Blocks, InsertingNeedsTheExactTileAndHandsBackTheOldBlock) {
  const zanHandle layer = newLayer(0, 0, 300, 100, 8);
  // The tile at (256, 0) is only 44 pixels wide.
  BlockHeader* tooWide = newTile(256, 0, 512, 256, 8, 1);
  EXPECT_EQ(zanInsertBlock(tooWide, layer, nullptr), nullptr);
  EXPECT_EQ(zanDestroyBlock(tooWide), ZAN_OK) << "a refused block stays the caller's";

  BlockHeader* first = newTile(256, 0, 300, 100, 8, 1);
  EXPECT_EQ(zanInsertBlock(first, layer, nullptr), nullptr);
  EXPECT_EQ(zanDestroyBlock(first), ZAN_ERR_ARG) << "the table owns it now";
  EXPECT_EQ(zanInsertBlock(first, layer, nullptr), nullptr) << "already in a table";
  zanUnlockBlock(first, 1);

  BlockHeader* second = newTile(256, 0, 300, 100, 8, 2);
  BlockHeader* previous = zanInsertBlock(second, layer, nullptr);
  ASSERT_NE(previous, nullptr);
  ASSERT_NE(previous->data, nullptr);
  EXPECT_EQ(previous->data[0], 1);
  zanUnlockBlock(second, 1);
  EXPECT_EQ(readLayer(layer, RECT{299, 99, 300, 100}, 8).row(0)[0], 2);
  EXPECT_EQ(zanDestroyBlock(previous), ZAN_OK);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, ALayerWithoutTilesTakesItsTileSizeFromTheFirstBlock) {
  const zanHandle layer = newLayer(0, 0, 0, 0);
  BlockHeader* block = newTile(0, 0, 40, 30, 24, 9);
  EXPECT_EQ(zanInsertBlock(block, layer, nullptr), nullptr);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILEW), 40);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILEH), 30);
  // A 0 x 0 layer still has no tile to put the block in: it stays the caller's.
  EXPECT_EQ(zanDestroyBlock(block), ZAN_OK);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, EnumerationVisitsBlocksInTableOrderAndStopsWhenAsked) {
  const zanHandle layer = newLayer(0, 0, 40, 20, 8);
  setLayerValue(layer, ZAN_LAYER_TILEW, 10);
  setLayerValue(layer, ZAN_LAYER_TILEH, 10);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 0, 0, 40, 20, 0, 4), ZAN_OK);
  ASSERT_EQ(zanSetLayerBits(nullptr, layer, 12, 0, 13, 1, 0, 8), ZAN_OK);  // tile 2 gets memory

  struct Walk {
    std::vector<int32_t> lefts;
    std::vector<bool> hasData;
    size_t stopAfter;
  };
  auto visit = [](BlockHeader* block, void* user) -> int32_t {
    auto* walk = static_cast<Walk*>(user);
    walk->lefts.push_back(block->left + block->top * 100);
    walk->hasData.push_back(block->data != nullptr);
    return walk->lefts.size() < walk->stopAfter ? 1 : 0;
  };
  Walk all{{}, {}, 100};
  EXPECT_EQ(zanEnumBlocks(layer, visit, &all), 0);
  EXPECT_EQ(all.lefts, (std::vector<int32_t>{0, 10, 20, 30, 1000, 1010, 1020, 1030}));
  EXPECT_EQ(all.hasData, (std::vector<bool>{false, true, false, false, false, false, false, false}))
      << "uniform blocks are shown without memory";
  Walk two{{}, {}, 2};
  EXPECT_EQ(zanEnumBlocks(layer, visit, &two), -1);
  EXPECT_EQ(two.lefts.size(), 2u);
  EXPECT_EQ(readLayer(layer, RECT{0, 0, 1, 1}, 8).row(0)[0], 4) << "still uniform";
  EXPECT_EQ(zanEnumBlocks(0, visit, &two), 0);
  zanDestroyLayer(layer);
}

TEST_F(Blocks, CloneCopiesHeaderFillAndPixelsIntoAFreeBlock) {
  BlockHeader* source = newTile(4, 6, 9, 8, 24, 0x5A);
  ASSERT_NE(source, nullptr);
  BlockHeader* copy = zanCloneBlock(source, nullptr);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->data, source->data);
  EXPECT_EQ(std::memcmp(copy->data, source->data, static_cast<size_t>(source->stride) * 2), 0);
  EXPECT_EQ((std::vector<int32_t>{copy->left, copy->top, copy->right, copy->bottom,
                                  copy->bitsPerPixel, copy->stride}),
            (std::vector<int32_t>{4, 6, 9, 8, 24, source->stride}));
  EXPECT_EQ(zanDestroyBlock(copy), ZAN_OK);
  EXPECT_EQ(zanDestroyBlock(source), ZAN_OK);

  int32_t error = 0;
  EXPECT_EQ(zanCreateBlock(16, 8, &error), nullptr);
  EXPECT_EQ(error, ZAN_ERR_ARG);
  BlockHeader* longer = zanCreateBlock(0, 5, &error);
  ASSERT_NE(longer, nullptr);
  EXPECT_EQ(longer->data, nullptr);
  reinterpret_cast<uint32_t*>(longer + 1)[ZAN_BLOCK_EXTRA_WORDS - 1] = 77;
  BlockHeader* longerCopy = zanCloneBlock(longer, nullptr);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(longerCopy + 1)[ZAN_BLOCK_EXTRA_WORDS - 1], 77u);
  zanDestroyBlock(longerCopy);
  zanDestroyBlock(longer);
}

TEST_F(Blocks, OnlyTheFirstRunHeapTakesEffect) {
  const zanHeap other = zanHeapCreate();
  EXPECT_EQ(zanInitRunHeap(other), 0);
  EXPECT_EQ(zanInitRunHeap(12345), 0);
  EXPECT_EQ(tessaly::engine::runHeap(), testRunHeap());
  BlockHeader* block = zanCreateBlock(64, ZAN_BLOCK_PIXELS, nullptr);
  EXPECT_EQ(zanHeapBlockCount(other), 0) << "pixel memory still comes from the first run heap";
  zanDestroyBlock(block);
  zanHeapDestroy(other);
}

TEST_F(Blocks, NullAndForeignHeadersAreRefused) {
  EXPECT_EQ(zanUnlockBlock(nullptr, 1), ZAN_OK);
  EXPECT_EQ(zanDestroyBlock(nullptr), ZAN_OK);
  EXPECT_EQ(zanCloneBlock(nullptr, nullptr), nullptr);
  EXPECT_EQ(zanInsertBlock(nullptr, 0, nullptr), nullptr);
  unsigned char notABlock[128] = {};
  auto* fake = reinterpret_cast<BlockHeader*>(notABlock + 64);
  EXPECT_EQ(zanUnlockBlock(fake, 1), ZAN_ERR_ARG);
  EXPECT_EQ(zanDestroyBlock(fake), ZAN_ERR_ARG);
  EXPECT_EQ(zanDiscardBlock(fake, nullptr), ZAN_OK);
}

}  // namespace
