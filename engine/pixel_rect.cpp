// Copy-out and write-in over the tile grid.
#include "pixel_rect.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "block.h"
#include "pixel_format.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Where a pixel of the layer lands in (or comes from) the caller's buffer.
struct CallerBuffer {
  int64_t stride;
  RECT origin;  // the caller's unclipped rectangle: its left-top is the buffer's first byte
  int32_t pixelBytes;

  int64_t offset(int32_t x, int32_t y) const {
    return (int64_t{y} - origin.top) * stride + (int64_t{x} - origin.left) * pixelBytes;
  }
};

// The part of the layer that both the layer and its data layer cover, clipped to rect.
RECT clipToLayer(const Layer& layer, const DataLayer& data, const RECT& rect) {
  const RECT extent{0, 0, std::min(layer.width(), data.width),
                    std::min(layer.height(), data.height)};
  return intersect(rect, extent);
}

void checkDepth(const Layer& layer, const DataLayer& data) {
  if (layer.bitsPerPixel != data.bitsPerPixel) _zanThrow(ZAN_ERR_ARG);
}

unsigned char* pixelAt(const Block& block, int32_t x, int32_t y, int32_t pixelBytes) {
  return block.header.data + (int64_t{y} - block.header.top) * block.header.stride +
         (int64_t{x} - block.header.left) * pixelBytes;
}

// Copies one block's part into the caller's buffer (or its fill value when it has no memory).
void readBlock(const Block& block, const RECT& part, const CallerBuffer& out, unsigned char* buffer,
               int32_t bpp) {
  const int64_t width = rectWidth(part);
  if (block.header.data == nullptr) {
    if (block.fillValue == ZAN_NO_FILL) return;
    for (int32_t y = part.top; y < part.bottom; ++y)
      fillPixels(buffer + out.offset(part.left, y), width, bpp, block.fillValue, false);
    return;
  }
  if (block.header.bitsPerPixel != bpp || !pixelsFit(block)) return;
  const auto rowBytes = static_cast<size_t>(width * out.pixelBytes);
  for (int32_t y = part.top; y < part.bottom; ++y)
    std::memcpy(buffer + out.offset(part.left, y), pixelAt(block, part.left, y, out.pixelBytes),
                rowBytes);
}

}  // namespace

std::vector<std::pair<uint32_t, TileEntry>> tilesUnder(const DataLayer& data, const RECT& clip) {
  std::vector<std::pair<uint32_t, TileEntry>> found;
  const TileGrid grid = data.grid();
  zan::HeapLock<TileEntry> tiles(0, data.tiles.block);
  if (!tiles) return found;
  const uint32_t columns = grid.columns();
  const auto c0 = static_cast<uint32_t>(clip.left / grid.tileWidth);
  const auto c1 = static_cast<uint32_t>((clip.right - 1) / grid.tileWidth);
  const auto r0 = static_cast<uint32_t>(clip.top / grid.tileHeight);
  const auto r1 = static_cast<uint32_t>((clip.bottom - 1) / grid.tileHeight);
  found.reserve(size_t{c1 - c0 + 1} * (r1 - r0 + 1));
  for (uint32_t r = r0; r <= r1; ++r) {
    for (uint32_t c = c0; c <= c1; ++c) {
      const uint32_t position = r * columns + c;
      if (position < data.tiles.count) found.emplace_back(position, tiles[position]);
    }
  }
  return found;
}

void copyOut(Layer& layer, unsigned char* buffer, const RECT& rect, int32_t stride) {
  Locked<DataLayer> data(layer.dataLayer);
  if (!data || buffer == nullptr) return;
  checkDepth(layer, *data);
  const RECT clip = clipToLayer(layer, *data, rect);
  if (isEmpty(clip)) return;
  const int32_t bpp = data->bitsPerPixel;
  const CallerBuffer out{stride, rect, bytesPerPixel(bpp)};
  for (const auto& [position, entry] : tilesUnder(*data, clip)) {
    bool memoryFailed = false;
    Block* block = lockBlock(entry.block, FillMemory::Leave, &memoryFailed);
    if (block == nullptr) continue;
    BlockLock held = BlockLock::adopt(block);
    if (memoryFailed) continue;
    const RECT part = intersect(intersect(blockRect(*block), entry.rect), clip);
    if (!isEmpty(part)) readBlock(*block, part, out, buffer, bpp);
  }
}

namespace {

// Everything one tile of a write needs.
struct TileWrite {
  DataLayer& data;
  zanHandle dataHandle;
  const unsigned char* source;  // null: fill
  CallerBuffer in;
  int32_t value;
};

// A new type 1 block for the tile, in the table. Data writes get memory (zeroed unless the write
// covers the whole tile); a fill of the whole tile needs none.
BlockLock newTileBlock(TileWrite& w, uint32_t position, TileEntry entry, bool wholeTile) {
  OwnedBlock owned(createBlock(0, ZAN_BLOCK_PIXELS));
  Block& block = *owned.get();
  block.header.left = entry.rect.left;
  block.header.top = entry.rect.top;
  block.header.right = entry.rect.right;
  block.header.bottom = entry.rect.bottom;
  block.header.bitsPerPixel = w.data.bitsPerPixel;
  block.header.stride = static_cast<int32_t>(rowStride(w.data.bitsPerPixel, rectWidth(entry.rect)));
  if (w.source != nullptr || !wholeTile) giveMemory(block, ZAN_NO_FILL, !wholeTile);
  entry.block = block.base.handle;
  w.data.tiles.put(position, entry);
  block.owner = w.dataHandle;
  return BlockLock::adopt(owned.release(), true);
}

void fillPart(Block& block, const RECT& part, int32_t value) {
  const int32_t bpp = block.header.bitsPerPixel;
  fillArea(pixelAt(block, part.left, part.top, bytesPerPixel(bpp)), block.header.stride,
           rectWidth(part), rectHeight(part), bpp, value, true);
}

void writeFill(Block& block, const RECT& part, bool wholeTile, int32_t value) {
  if (wholeTile && block.base.lockCount == 1) {
    // The tile becomes uniform: its fill value says everything, memory is not needed.
    dropMemory(block);
    block.fillValue = value;
    return;
  }
  if (block.header.data == nullptr) {
    if (wholeTile) {
      block.fillValue = value;
      return;
    }
    giveMemory(block, block.fillValue);
  }
  if (!pixelsFit(block)) _zanThrow(ZAN_ERR_ARG);
  fillPart(block, part, value);
}

void writeData(Block& block, const RECT& part, bool wholeTile, const TileWrite& w) {
  if (block.header.data == nullptr) {
    // Whatever the write does not cover keeps the tile's fill value.
    giveMemory(block, wholeTile ? ZAN_NO_FILL : block.fillValue, !wholeTile);
  }
  if (!pixelsFit(block)) _zanThrow(ZAN_ERR_ARG);
  const auto rowBytes = static_cast<size_t>(rectWidth(part) * w.in.pixelBytes);
  for (int32_t y = part.top; y < part.bottom; ++y)
    std::memcpy(pixelAt(block, part.left, y, w.in.pixelBytes), w.source + w.in.offset(part.left, y),
                rowBytes);
}

void writeTile(TileWrite& w, uint32_t position, const TileEntry& entry, const RECT& clip) {
  const RECT part = intersect(entry.rect, clip);
  BlockLock block;
  if (entry.block == 0) {
    block = newTileBlock(w, position, entry, sameRect(part, entry.rect));
  } else {
    bool memoryFailed = false;
    block = BlockLock::adopt(lockBlock(entry.block, FillMemory::Leave, &memoryFailed), true);
    if (!block || memoryFailed) _zanThrow(ZAN_ERR_LOCK);
  }
  const bool wholeBlock = sameRect(part, blockRect(*block));
  if (w.source == nullptr)
    writeFill(*block, part, wholeBlock, w.value);
  else
    writeData(*block, part, wholeBlock, w);
  // The unlock announces the change to every layer sharing the data layer.
}

}  // namespace

void writeIn(Layer& layer, const unsigned char* source, const RECT& rect, int32_t stride,
             int32_t value) {
  const RECT layerClip = intersect(rect, RECT{0, 0, layer.width(), layer.height()});
  if (isEmpty(layerClip)) return;
  const zanHandle dataHandle = ensureDataLayer(layer);
  Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
  data.markModified();
  checkDepth(layer, *data);
  const RECT clip = clipToLayer(layer, *data, rect);
  if (isEmpty(clip)) return;
  TileWrite w{*data, dataHandle, source,
              CallerBuffer{stride, rect, bytesPerPixel(data->bitsPerPixel)}, value};
  for (const auto& [position, entry] : tilesUnder(*data, clip)) writeTile(w, position, entry, clip);
}

}  // namespace tessaly::engine
