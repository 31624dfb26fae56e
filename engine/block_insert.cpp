// Inserting blocks into tile tables.
#include "block_insert.h"

#include "rect_util.h"

namespace tessaly::engine {
namespace {

// The 0-based table position whose tile is exactly rect, or -1.
int64_t matchingTile(const DataLayer& data, const RECT& rect) {
  const uint32_t index = data.grid().indexAt(rect.left, rect.top);
  if (index == 0 || index > data.tiles.count) return -1;
  return sameRect(data.tiles.get(index - 1).rect, rect) ? int64_t{index} - 1 : -1;
}

// A grid without tiles takes its tile size from the block: every layer sharing the data layer
// is given the new tile size, which lays the grid out again.
void adoptTileSize(DataLayer& data, const RECT& rect) {
  const auto width = static_cast<int32_t>(rectWidth(rect));
  const auto height = static_cast<int32_t>(rectHeight(rect));
  for (const zanHandle handle : data.layers.snapshot()) {
    Locked<Layer> layer(handle, true);
    if (!layer) continue;
    setLayerProperty(*layer, ZAN_LAYER_TILEW, &width, sizeof width, 0);
    setLayerProperty(*layer, ZAN_LAYER_TILEH, &height, sizeof height, 0);
  }
  if (width > 0 && height > 0) {
    relayDataLayer(
        data, DataGeometry{data.width, data.height, width, height, data.bitsPerPixel, data.kind});
  }
}

}  // namespace

Block* insertBlock(Block& block, Layer& layer) {
  if (block.owner != 0) _zanThrow(ZAN_ERR_ARG);
  const zanHandle dataHandle = ensureDataLayer(layer);
  Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
  data.markModified();
  const RECT rect = blockRect(block);
  int64_t position = matchingTile(*data, rect);
  if (position < 0) {
    if (data->tiles.count != 0) _zanThrow(ZAN_ERR_ARG);
    adoptTileSize(*data, rect);
    position = matchingTile(*data, rect);
    if (position < 0) return nullptr;
  }
  TileEntry entry = data->tiles.get(static_cast<uint32_t>(position));
  Block* previous = nullptr;
  if (entry.block != 0) {
    previous = lockBlock(entry.block, FillMemory::Leave);
    if (previous != nullptr) previous->owner = 0;
  }
  entry.block = block.base.handle;
  data->tiles.put(static_cast<uint32_t>(position), entry);
  block.owner = dataHandle;
  block.header.bitsPerPixel = data->bitsPerPixel;
  return previous;
}

}  // namespace tessaly::engine
