// Exported functions of blocks, data layers and layer pixels.
#include <vector>

#include "block.h"
#include "block_insert.h"
#include "export_guard.h"
#include "layer.h"
#include "pixel_rect.h"
#include "run_heap.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

BlockHeader* headerOf(Block* block) {
  return block != nullptr ? &block->header : nullptr;
}

}  // namespace

extern "C" {

ZAN_API int32_t zanInitRunHeap(zanHeap heap) {
  return guardResult<int32_t>([&] { return initRunHeap(heap); });
}

ZAN_API BlockHeader* zanCreateBlock(uint32_t dataSize, int32_t type, int32_t* error) {
  return guardCreate<BlockHeader*>(error, [&] { return headerOf(createBlock(dataSize, type)); });
}

ZAN_API int32_t zanDestroyBlock(BlockHeader* header) {
  return guardStatus([&] {
    Block* block = blockOf(header);
    if (block == nullptr) return header == nullptr ? ZAN_OK : ZAN_ERR_ARG;
    // A block in a tile table is the table's: freeing it would leave the table a dead handle.
    if (block->owner != 0) return ZAN_ERR_ARG;
    destroyBlock(block);
    return ZAN_OK;
  });
}

ZAN_API BlockHeader* zanCloneBlock(BlockHeader* header, void* /*reserved*/) {
  return guardResult<BlockHeader*>([&]() -> BlockHeader* {
    Block* block = blockOf(header);
    return block != nullptr ? headerOf(cloneBlock(*block)) : nullptr;
  });
}

ZAN_API int32_t zanUnlockBlock(BlockHeader* header, int32_t modified) {
  return guardStatus([&] {
    if (header == nullptr) return ZAN_OK;
    Block* block = blockOf(header);
    if (block == nullptr) return ZAN_ERR_ARG;
    unlockBlock(block, modified != 0);
    return ZAN_OK;
  });
}

ZAN_API BlockHeader* zanLockBlock(zanHandle layer, int32_t x, int32_t y, void* /*reserved*/) {
  return guardResult<BlockHeader*>([&]() -> BlockHeader* {
    Locked<Layer> owner(layer);
    if (!owner || x < 0 || y < 0 || x >= owner->width() || y >= owner->height()) return nullptr;
    Locked<DataLayer> data(owner->dataLayer);
    if (!data) return nullptr;
    const uint32_t index = data->grid().indexAt(x, y);
    if (index == 0 || index > data->tiles.count) return nullptr;
    bool memoryFailed = false;
    Block* block = lockBlock(data->tiles.get(index - 1).block, FillMemory::Make, &memoryFailed);
    if (block != nullptr && memoryFailed) {
      unlockBlock(block, false);
      return nullptr;
    }
    return headerOf(block);
  });
}

ZAN_API BlockHeader* zanInsertBlock(BlockHeader* header, zanHandle layer, void* /*reserved*/) {
  return guardResult<BlockHeader*>([&]() -> BlockHeader* {
    Block* block = blockOf(header);
    if (block == nullptr) return nullptr;
    Locked<Layer> target(layer, true);
    return target ? headerOf(insertBlock(*block, *target)) : nullptr;
  });
}

ZAN_API int32_t zanEnumBlocks(zanHandle layer, ZanBlockEnumProc callback, void* user) {
  if (callback == nullptr) return ZAN_OK;
  return guardStatus([&] {
    std::vector<TileEntry> tiles;
    {
      Locked<Layer> owner(layer);
      if (!owner) return ZAN_OK;
      Locked<DataLayer> data(owner->dataLayer);
      if (!data) return ZAN_OK;
      tiles = data->tiles.snapshot();
    }
    for (const TileEntry& entry : tiles) {
      bool memoryFailed = false;
      Block* block = lockBlock(entry.block, FillMemory::Leave, &memoryFailed);
      if (block == nullptr) continue;
      if (memoryFailed) {
        unlockBlock(block, false);  // skipped: nothing was done to it
        continue;
      }
      BlockLock held = BlockLock::adopt(block, true);
      if (callback(&block->header, user) == 0) return -1;
    }
    return ZAN_OK;
  });
}

ZAN_API zanHandle zanGetDataLayer(zanHandle layer) {
  return guardResult<zanHandle>([&] {
    Locked<Layer> owner(layer);
    return owner ? owner->dataLayer : 0;
  });
}

ZAN_API int32_t zanAttachDataLayer(zanHandle layer, zanHandle dataLayer, void* /*reserved*/) {
  return guardStatus([&] {
    Locked<Layer> owner(layer, true);
    if (!owner) return ZAN_OK;
    useDataLayer(*owner, dataLayer);
    return 1;
  });
}

ZAN_API int32_t zanDiscardBlock(BlockHeader* /*block*/, void* /*reserved*/) {
  return ZAN_OK;
}

ZAN_API int32_t zanGetLayerBits(void* buffer, zanHandle layer, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, int32_t stride) {
  return guardStatus([&] {
    Locked<Layer> owner(layer);
    if (owner)
      copyOut(*owner, static_cast<unsigned char*>(buffer), RECT{left, top, right, bottom}, stride);
    return ZAN_OK;
  });
}

ZAN_API int32_t zanSetLayerBits(const void* data, zanHandle layer, int32_t left, int32_t top,
                                int32_t right, int32_t bottom, int32_t stride, int32_t value) {
  return guardStatus([&] {
    Locked<Layer> owner(layer, true);
    if (owner)
      writeIn(*owner, static_cast<const unsigned char*>(data), RECT{left, top, right, bottom},
              stride, value);
    return ZAN_OK;
  });
}

}  // extern "C"
