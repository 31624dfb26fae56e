// Blending a layer at 1 / 1: the source's blocks are read where they are, row by row; a uniform
// block blends its fill value.
#include <vector>

#include "blend_row.h"
#include "compose.h"
#include "compose_target.h"
#include "layer_area.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {

BlendSource blendSourceOf(const Layer& source, bool opaque, const unsigned char* palette,
                          uint32_t entries) {
  BlendSource s{source.bitsPerPixel, opaque ? uint8_t{255} : source.opacity};
  if (source.bitsPerPixel == 8) {
    s.palette = palette;
    s.paletteEntries = entries;
  }
  return s;
}

namespace {

// One source block's part of the tile, in source layer coordinates.
struct SourcePart {
  const Block& block;
  RECT rect;
  const unsigned char* uniformPixel;  // the fill value as one pixel, or null
};

void blendPart(TargetTile& tile, const SourcePart& part, const Layer& source,
               const BlendSource& blend, const std::vector<unsigned char>& sourceMask,
               const RECT& sourceArea) {
  const int32_t dx = source.rect.left - tile.target.rect.left;
  const int32_t dy = source.rect.top - tile.target.rect.top;
  const int32_t bytes = bytesPerPixel(source.bitsPerPixel);
  const BlockHeader& h = part.block.header;
  const int32_t width = part.rect.right - part.rect.left;
  const int64_t maskWidth = sourceArea.right - sourceArea.left;
  for (int32_t y = part.rect.top; y < part.rect.bottom; ++y) {
    const int32_t tx = part.rect.left + dx;
    const int32_t ty = y + dy;
    unsigned char* targetMask = tile.maskRow(ty);
    BlendRowArgs row{tile.pixel(tx, ty),
                     targetMask != nullptr ? targetMask + (tx - tile.part.left) : nullptr,
                     part.uniformPixel,
                     nullptr,
                     width,
                     part.uniformPixel != nullptr};
    if (row.source == nullptr)
      row.source =
          h.data + (int64_t{y} - h.top) * h.stride + (int64_t{part.rect.left} - h.left) * bytes;
    if (!sourceMask.empty())
      row.sourceMask = sourceMask.data() + (int64_t{y} - sourceArea.top) * maskWidth +
                       (part.rect.left - sourceArea.left);
    blendRow(tile.target.bitsPerPixel, blend, row);
  }
}

// The part of a picture rectangle the source's pixels reach, in source layer coordinates.
RECT sourceArea(const Layer& source, const DataLayer& data, const RECT& picture) {
  return intersect(
      offsetRect(picture, -source.rect.left, -source.rect.top),
      RECT{0, 0, std::min(source.width(), data.width), std::min(source.height(), data.height)});
}

// Locks a source tile's block for reading and gives the part of area it draws: empty when the
// block has no pixels to give (no memory and no fill value, another depth, memory too small).
RECT drawnPart(const TileEntry& entry, const Layer& source, const RECT& area, BlockLock& block) {
  bool memoryFailed = false;
  block = BlockLock::adopt(lockBlock(entry.block, FillMemory::Leave, &memoryFailed));
  if (!block || memoryFailed || block->header.bitsPerPixel != source.bitsPerPixel) return RECT{};
  const bool drawable =
      block->header.data == nullptr ? block->fillValue != ZAN_NO_FILL : pixelsFit(*block);
  if (!drawable) return RECT{};
  return intersect(intersect(blockRect(*block), entry.rect), area);
}

}  // namespace

bool overwritesAll(const Layer& target, Layer& source, bool opaque, const RECT& part) {
  if (target.mask != 0 || source.mask != 0 || (!opaque && source.opacity != 255)) return false;
  Locked<DataLayer> data(source.dataLayer);
  if (!data || data->bitsPerPixel != source.bitsPerPixel) return false;
  const RECT wanted =
      offsetRect(part, target.rect.left - source.rect.left, target.rect.top - source.rect.top);
  const RECT area = sourceArea(source, *data, offsetRect(part, target.rect.left, target.rect.top));
  if (!sameRect(area, wanted)) return false;
  const auto tiles = tilesUnder(*data, area);
  data.reset();
  int64_t covered = 0;
  for (const auto& [position, entry] : tiles) {
    BlockLock block;
    const RECT drawn = drawnPart(entry, source, area, block);
    if (!isEmpty(drawn)) covered += int64_t{rectWidth(drawn)} * rectHeight(drawn);
  }
  return covered == int64_t{rectWidth(area)} * rectHeight(area);
}

void blendDirect(TargetTile& tile, Layer& source, bool opaque) {
  Locked<DataLayer> data(source.dataLayer);
  if (!data || data->bitsPerPixel != source.bitsPerPixel) return;
  const RECT area = sourceArea(source, *data, tile.pictureRect());
  if (isEmpty(area)) return;
  const auto tiles = tilesUnder(*data, area);
  data.reset();
  std::vector<unsigned char> sourceMask;
  if (source.mask != 0)
    sourceMask = readMaskValues(source.mask, area, POINT{source.rect.left, source.rect.top});
  zan::HeapLock<unsigned char> palette(0, source.palette);
  const BlendSource blend = blendSourceOf(source, opaque, palette ? palette.get() : nullptr,
                                          palette ? static_cast<uint32_t>(palette.count() / 4) : 0);
  for (const auto& [position, entry] : tiles) {
    BlockLock block;
    const RECT part = drawnPart(entry, source, area, block);
    if (isEmpty(part)) continue;
    unsigned char uniform[8] = {};
    const unsigned char* uniformPixel = nullptr;
    if (block->header.data == nullptr) {
      fillPixels(uniform, 1, source.bitsPerPixel, block->fillValue, true);
      uniformPixel = uniform;
    }
    blendPart(tile, SourcePart{*block, part, uniformPixel}, source, blend, sourceMask, area);
  }
}

}  // namespace tessaly::engine
