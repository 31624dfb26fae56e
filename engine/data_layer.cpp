// Data layers: the tile table, attached layers and cloning.
#include "data_layer.h"

#include "block.h"
#include "layer.h"
#include "point_mapping.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Takes every block out of the table: blocks nobody holds are destroyed; a block still locked by
// a caller only leaves the table, and stays the caller's.
void dropBlocks(DataLayer& data) {
  for (const TileEntry& entry : data.tiles.snapshot()) {
    Block* block = lockAs<Block>(entry.block);
    if (block == nullptr) continue;
    block->owner = 0;
    if (block->base.lockCount == 1)
      destroyBlock(block);
    else
      unlockBlock(block, false);
  }
}

void setGeometry(DataLayer& data, const DataGeometry& g) {
  data.width = g.width;
  data.height = g.height;
  data.tileWidth = g.tileWidth;
  data.tileHeight = g.tileHeight;
  data.bitsPerPixel = g.bitsPerPixel;
  data.kind = g.kind;
}

// Takes the geometry and lays the grid out. The table's memory is claimed before anything
// changes, so a failure leaves the data layer as it was.
void layOut(DataLayer& data, const DataGeometry& geometry) {
  const TileGrid grid{geometry.width, geometry.height, geometry.tileWidth, geometry.tileHeight};
  const int64_t count = grid.count();
  if (count < 0) _zanThrow(ZAN_ERR_CREATE);
  data.tiles.reserve(static_cast<uint32_t>(count));
  dropBlocks(data);
  setGeometry(data, geometry);
  data.tiles.resetTo(static_cast<uint32_t>(count));
  if (count == 0) return;
  zan::HeapLock<TileEntry> tiles(0, data.tiles.block);
  if (!tiles) _zanThrow(ZAN_ERR_LOCK);
  for (uint32_t i = 0; i < count; ++i) {
    const RECT r = grid.tileRect(i);
    tiles[i] = TileEntry{0, r, r};
  }
}

void destroyDataLayerOp(HandleObject* self, uint32_t flags) {
  auto* data = reinterpret_cast<DataLayer*>(self);
  dropBlocks(*data);
  data->tiles.release();
  data->layers.release();
  finishDestroy(self, flags);
}

}  // namespace

const ObjectOps DataLayer::ops = {destroyDataLayerOp, baseUnlock,   noSetHook,
                                  noGetHook,          ignoreChange, ZAN_TAG_DATALAYER,
                                  sizeof(DataLayer)};

zanHandle createDataLayer(const DataGeometry& geometry) {
  return createObject<DataLayer>([&](DataLayer& data) { layOut(data, geometry); });
}

void relayDataLayer(DataLayer& data, const DataGeometry& geometry) {
  layOut(data, geometry);
}

void attachLayer(DataLayer& data, zanHandle layer) {
  if (data.layers.find(layer) < 0) data.layers.append(layer);
}

void detachLayer(zanHandle dataHandle, zanHandle layer) {
  Locked<DataLayer> data(dataHandle, true);
  if (!data) return;
  const int64_t at = data->layers.find(layer);
  if (at >= 0) data->layers.erase(static_cast<uint32_t>(at));
  if (data->layers.count == 0) destroyLocked(data);
}

zanHandle cloneDataLayer(zanHandle sourceHandle) {
  Locked<DataLayer> source = lockOrThrow<DataLayer>(sourceHandle);
  const DataGeometry geometry{source->width,      source->height,       source->tileWidth,
                              source->tileHeight, source->bitsPerPixel, source->kind};
  OwnedObject owned(createDataLayer(geometry));
  Locked<DataLayer> copy = lockOrThrow<DataLayer>(owned.get());
  copy.markModified();
  const std::vector<TileEntry> entries = source->tiles.snapshot();
  for (uint32_t i = 0; i < entries.size(); ++i) {
    bool memoryFailed = false;
    Block* block = lockBlock(entries[i].block, FillMemory::Leave, &memoryFailed);
    if (block == nullptr) continue;
    BlockLock held = BlockLock::adopt(block);
    if (memoryFailed) continue;  // a block whose memory will not lock is left out
    BlockLock clone = BlockLock::adopt(cloneBlock(*block), true);
    clone->owner = owned.get();
    TileEntry entry = copy->tiles.get(i);
    entry.block = clone.handle();
    copy->tiles.put(i, entry);
  }
  return owned.release();
}

void markChanged(DataLayer& data, const RECT& rect) {
  const TileGrid grid = data.grid();
  const RECT area = intersect(rect, RECT{0, 0, data.width, data.height});
  if (isEmpty(area) || data.tiles.count == 0) return;
  zan::HeapLock<TileEntry> tiles(0, data.tiles.block);
  if (!tiles) return;
  const uint32_t columns = grid.columns();
  for (int32_t r = area.top / grid.tileHeight; r <= (area.bottom - 1) / grid.tileHeight; ++r) {
    for (int32_t c = area.left / grid.tileWidth; c <= (area.right - 1) / grid.tileWidth; ++c) {
      const uint32_t position = static_cast<uint32_t>(r) * columns + static_cast<uint32_t>(c);
      if (position >= data.tiles.count) return;
      TileEntry& entry = tiles[position];
      entry.changed = unite(entry.changed, intersect(entry.rect, area));
    }
  }
}

void announceBlockChange(zanHandle dataHandle, const RECT& blockRect) noexcept {
  try {
    std::vector<zanHandle> layers;
    {
      Locked<DataLayer> data(dataHandle);
      if (!data) return;
      layers = data->layers.snapshot();
    }
    for (const zanHandle handle : layers) {
      Locked<Layer> layer(handle, true);
      if (!layer) continue;
      // Block rectangles are in layer coordinates; the layer's listeners think in the picture's.
      const RECT r = layerMapping(layer->rect.left, layer->rect.top).inverse(blockRect);
      layer->base.ops->notify(&layer->base, ZAN_CHANGE_PIXELS, r);
    }
  } catch (...) {
    // Change reports are advisory; an unlock must go through whatever happens here.
  }
}

}  // namespace tessaly::engine
