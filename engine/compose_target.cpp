// Target tiles of a composition.
#include "compose_target.h"

#include "layer_area.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {

RECT TargetTile::pictureRect() const {
  return offsetRect(part, target.rect.left, target.rect.top);
}

unsigned char* TargetTile::pixel(int32_t x, int32_t y) const {
  const BlockHeader& h = block->header;
  return h.data + (int64_t{y} - h.top) * h.stride +
         (int64_t{x} - h.left) * bytesPerPixel(h.bitsPerPixel);
}

unsigned char* TargetTile::maskRow(int32_t y) {
  if (mask.empty()) return nullptr;
  return mask.data() + (int64_t{y} - part.top) * (part.right - part.left);
}

namespace {

// The tile's block locked with memory; unfilled when every pixel is about to be overwritten.
BlockLock lockForWriting(zanHandle handle, bool unfilled) {
  bool memoryFailed = false;
  BlockLock block = BlockLock::adopt(lockBlock(handle, FillMemory::Leave, &memoryFailed), true);
  if (!block || memoryFailed) _zanThrow(ZAN_ERR_LOCK);
  if (block->header.data == nullptr && block->fillValue != ZAN_NO_FILL)
    giveMemory(*block, unfilled ? ZAN_NO_FILL : block->fillValue, !unfilled);
  return block;
}

}  // namespace

TargetTile openTargetTile(Layer& target, uint32_t position, const RECT& part, bool overwritten) {
  Locked<DataLayer> data = lockOrThrow<DataLayer>(ensureDataLayer(target));
  data.markModified();
  TileEntry entry = data->tiles.get(position);
  if (entry.block == 0) {
    // A uniform tile of zeros: it gets memory below, when it is locked.
    writeIn(target, nullptr, entry.rect, 0, 0);
    entry = data->tiles.get(position);
  }
  BlockLock block = lockForWriting(entry.block, overwritten && sameRect(part, entry.rect));
  if (block->header.data == nullptr) _zanThrow(ZAN_ERR_CREATE);
  if (!pixelsFit(*block) || block->header.bitsPerPixel != target.bitsPerPixel)
    _zanThrow(ZAN_ERR_ARG);
  TargetTile tile{target, std::move(block), part, {}};
  if (target.mask != 0)
    tile.mask = readMaskValues(target.mask, part, POINT{target.rect.left, target.rect.top});
  return tile;
}

void closeTargetTile(TargetTile& tile) {
  Locked<Layer> mask(tile.target.mask, true);
  if (!mask || tile.mask.empty() || mask->bitsPerPixel != 8) return;
  const RECT inMask = offsetRect(tile.part, tile.target.rect.left - mask->rect.left,
                                 tile.target.rect.top - mask->rect.top);
  writeIn(*mask, tile.mask.data(), inMask, tile.part.right - tile.part.left, 0);
}

}  // namespace tessaly::engine
