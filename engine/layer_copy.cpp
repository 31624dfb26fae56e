// Copying between layers, tile by tile.
#include "layer_copy.h"

#include <algorithm>
#include <vector>

#include "block.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Where the copy goes, in the target's layer coordinates, for a part of the source (source
// layer coordinates).
struct Placement {
  int32_t dx;
  int32_t dy;
  RECT at(const RECT& sourcePart) const { return offsetRect(sourcePart, dx, dy); }
};

void copyBlocks(Layer& target, Layer& source, const RECT& area, const Placement& place) {
  Locked<DataLayer> data(source.dataLayer);
  if (!data) return;
  const auto tiles = tilesUnder(*data, area);
  data.reset();
  const int32_t bytes = bytesPerPixel(source.bitsPerPixel);
  for (const auto& [position, entry] : tiles) {
    bool memoryFailed = false;
    BlockLock block = BlockLock::adopt(lockBlock(entry.block, FillMemory::Leave, &memoryFailed));
    if (!block || memoryFailed) continue;
    const BlockHeader& h = block->header;
    const RECT part =
        intersect(intersect(RECT{h.left, h.top, h.right, h.bottom}, entry.rect), area);
    if (isEmpty(part)) continue;
    if (h.data == nullptr) {
      if (block->fillValue != ZAN_NO_FILL)
        writeIn(target, nullptr, place.at(part), 0, block->fillValue);
    } else if (pixelsFit(*block) && h.bitsPerPixel == source.bitsPerPixel) {
      const unsigned char* first =
          h.data + (int64_t{part.top} - h.top) * h.stride + (int64_t{part.left} - h.left) * bytes;
      writeIn(target, first, place.at(part), h.stride, 0);
    }
  }
}

// A copy within one layer goes through a buffer, so that no part is read after it was written.
void copyWithin(Layer& layer, const RECT& area, const Placement& place) {
  const int32_t bytes = bytesPerPixel(layer.bitsPerPixel);
  const int64_t stride = rectWidth(area) * bytes;
  std::vector<unsigned char> buffer(static_cast<size_t>(stride * rectHeight(area)));
  copyOut(layer, buffer.data(), area, static_cast<int32_t>(stride));
  writeIn(layer, buffer.data(), place.at(area), static_cast<int32_t>(stride), 0);
}

}  // namespace

int32_t copyLayer(zanHandle targetHandle, zanHandle sourceHandle, const POINT* point,
                  const RECT* rect) {
  Locked<Layer> target(targetHandle, true);
  Locked<Layer> source(sourceHandle);
  if (!target || !source) return ZAN_OK;
  if (target->bitsPerPixel != source->bitsPerPixel) return ZAN_ERR_ARG;
  const RECT wanted = rect != nullptr ? *rect : source->rect;
  const POINT to = point != nullptr ? *point : POINT{0, 0};
  const int64_t shiftX = int64_t{to.x} - wanted.left;
  const int64_t shiftY = int64_t{to.y} - wanted.top;
  // The source part, clipped to the source and to where it lands in the target, on all sides.
  RECT area = intersect(wanted, source->rect);
  const int64_t left = std::max<int64_t>(area.left, int64_t{target->rect.left} - shiftX);
  const int64_t top = std::max<int64_t>(area.top, int64_t{target->rect.top} - shiftY);
  const int64_t right = std::min<int64_t>(area.right, int64_t{target->rect.right} - shiftX);
  const int64_t bottom = std::min<int64_t>(area.bottom, int64_t{target->rect.bottom} - shiftY);
  if (left >= right || top >= bottom) return ZAN_OK;
  area = RECT{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
              static_cast<int32_t>(bottom)};
  const RECT inSource = offsetRect(area, -source->rect.left, -source->rect.top);
  const Placement place{static_cast<int32_t>(source->rect.left + shiftX - target->rect.left),
                        static_cast<int32_t>(source->rect.top + shiftY - target->rect.top)};
  if (targetHandle == sourceHandle)
    copyWithin(*target, inSource, place);
  else
    copyBlocks(*target, *source, inSource, place);
  return ZAN_OK;
}

}  // namespace tessaly::engine
