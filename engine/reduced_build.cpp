// Making reduced copies and bringing them up to date. Copy k is copy k - 1 (the layer for k = 1)
// halved: each of its pixels averages the 2 x 2 pixels of the level above that have pixels.
// A copy's tile table keeps, for each tile, the part changed since it was last rebuilt (a new
// copy: everything); pixel changes of the layer mark it (layer_reduced.cpp).
#include <algorithm>
#include <cstring>
#include <vector>

#include "compose.h"
#include "layer_area.h"
#include "owned.h"
#include "pixel_rect.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

template <typename C>
void averageRow(const LayerArea& area, int32_t row, int32_t pixels, int32_t channels,
                unsigned char* out) {
  const int32_t size = static_cast<int32_t>(sizeof(C));
  const int32_t pixelBytes = channels * size;
  const unsigned char* rows[2] = {area.pixels.data() + int64_t{2 * row} * area.stride,
                                  area.pixels.data() + int64_t{2 * row + 1} * area.stride};
  const unsigned char* present[2] = {area.present.data() + int64_t{2 * row} * area.width(),
                                     area.present.data() + int64_t{2 * row + 1} * area.width()};
  for (int32_t x = 0; x < pixels; ++x) {
    // The common case, four 8-bit pixels that all have pixels: their rounded mean, without the
    // general walk below (the whole picture passes through here when a view zooms far out).
    if constexpr (sizeof(C) == 1) {
      const int32_t column = 2 * x;
      if (present[0][column] != 0 && present[0][column + 1] != 0 && present[1][column] != 0 &&
          present[1][column + 1] != 0) {
        const unsigned char* a = rows[0] + int64_t{column} * pixelBytes;
        const unsigned char* b = rows[1] + int64_t{column} * pixelBytes;
        for (int32_t c = 0; c < channels; ++c)
          out[int64_t{x} * pixelBytes + c] = static_cast<unsigned char>(
              (a[c] + a[pixelBytes + c] + b[c] + b[pixelBytes + c] + 2) / 4);
        continue;
      }
    }
    for (int32_t c = 0; c < channels; ++c) {
      uint64_t sum = 0;
      uint32_t count = 0;
      for (int r = 0; r < 2; ++r) {
        for (int32_t dx = 0; dx < 2; ++dx) {
          const int32_t column = 2 * x + dx;
          if (present[r][column] == 0) continue;
          C v;
          std::memcpy(&v, rows[r] + int64_t{column} * pixelBytes + c * size, sizeof v);
          sum += v;
          ++count;
        }
      }
      const C value = static_cast<C>(count == 0 ? 0 : (sum + count / 2) / count);
      std::memcpy(out + int64_t{x} * pixelBytes + c * size, &value, sizeof value);
    }
  }
}

// Rebuilds part (copy layer coordinates) of the copy from its parent.
void rebuild(Layer& copy, Layer& parent, const RECT& part) {
  const RECT above{2 * (part.left + copy.rect.left) - parent.rect.left,
                   2 * (part.top + copy.rect.top) - parent.rect.top,
                   2 * (part.right + copy.rect.left) - parent.rect.left,
                   2 * (part.bottom + copy.rect.top) - parent.rect.top};
  const LayerArea area = readLayerArea(parent, above);
  if (!area.anyPresent) return;
  const int32_t width = part.right - part.left;
  const bool wide = parent.bitsPerPixel == 16 || parent.bitsPerPixel == 48;
  const int32_t channels = parent.bitsPerPixel == 24 || parent.bitsPerPixel == 48 ? 3 : 1;
  const int64_t stride = int64_t{width} * channels * (wide ? 2 : 1);
  std::vector<unsigned char> out(static_cast<size_t>(stride * (part.bottom - part.top)));
  for (int32_t y = 0; y < part.bottom - part.top; ++y) {
    unsigned char* row = out.data() + y * stride;
    if (wide)
      averageRow<uint16_t>(area, y, width, channels, row);
    else
      averageRow<uint8_t>(area, y, width, channels, row);
  }
  writeIn(copy, out.data(), part, static_cast<int32_t>(stride), 0);
}

// Rebuilds the changed parts of the copy's tiles that meet need (copy layer coordinates; null:
// every tile) and forgets those changes.
void refresh(Layer& copy, Layer& parent, const RECT* need) {
  const zanHandle dataHandle = ensureDataLayer(copy);
  std::vector<TileEntry> entries;
  {
    Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
    entries = data->tiles.snapshot();
  }
  for (uint32_t i = 0; i < entries.size(); ++i) {
    if (need != nullptr && isEmpty(intersect(entries[i].rect, *need))) continue;
    const RECT part = intersect(entries[i].changed, entries[i].rect);
    if (isEmpty(part)) continue;
    rebuild(copy, parent, part);
    Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
    data.markModified();
    TileEntry entry = data->tiles.get(i);
    entry.changed = RECT{0, 0, 0, 0};
    data->tiles.put(i, entry);
  }
}

zanHandle makeCopy(const Layer& parent) {
  OwnedObject copy(createLayer(halveRect(parent.rect)));
  Locked<Layer> layer = lockOrThrow<Layer>(copy.get());
  layer.markModified();
  layer->bitsPerPixel = parent.bitsPerPixel;
  return copy.release();
}

// need (picture coordinates at the copy's level) grown to whole tiles of the copy, clipped to it:
// what refreshing the tiles that meet need covers.
RECT tileBounds(Layer& copy, const RECT& need) {
  const RECT inCopy = intersect(offsetRect(need, -copy.rect.left, -copy.rect.top),
                                RECT{0, 0, copy.width(), copy.height()});
  if (isEmpty(inCopy) || copy.tileWidth <= 0 || copy.tileHeight <= 0) return RECT{0, 0, 0, 0};
  const int32_t w = copy.tileWidth;
  const int32_t h = copy.tileHeight;
  const RECT tiles{
      inCopy.left / w * w, inCopy.top / h * h,
      static_cast<int32_t>(std::min<int64_t>(ceilDiv(inCopy.right, w) * w, copy.width())),
      static_cast<int32_t>(std::min<int64_t>(ceilDiv(inCopy.bottom, h) * h, copy.height()))};
  return offsetRect(tiles, copy.rect.left, copy.rect.top);
}

// The area of the level above that rebuilding area (picture coordinates at a copy's level) reads.
RECT doubled(const RECT& area) {
  auto twice = [](int32_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{v} * 2, INT32_MIN, INT32_MAX));
  };
  return RECT{twice(area.left), twice(area.top), twice(area.right), twice(area.bottom)};
}

}  // namespace

RECT reducedRect(const RECT& rect, int level) {
  RECT r = rect;
  for (int k = 0; k < std::min(level, kReducedLevels); ++k) r = halveRect(r);
  return r;
}

zanHandle reducedLevel(Layer& layer, int level, const RECT* need) {
  const int levels = std::min(level, kReducedLevels);
  // Every copy up to the level exists first (they hold no pixels yet), so that what each level
  // needs of the one above can be worked out from the top down.
  zanHandle parentHandle = layer.base.handle;
  for (int k = 1; k <= levels; ++k) {
    if (!Locked<Layer>(layer.reducedCopies[k - 1])) {
      Locked<Layer> parent = lockOrThrow<Layer>(parentHandle);
      setReducedCopy(layer, k - 1, makeCopy(*parent));
    }
    parentHandle = layer.reducedCopies[k - 1];
  }
  std::vector<RECT> needs(static_cast<size_t>(levels) + 1);
  if (need != nullptr && levels > 0) {
    needs[levels] = *need;
    for (int k = levels; k > 1; --k) {
      Locked<Layer> copy = lockOrThrow<Layer>(layer.reducedCopies[k - 1]);
      needs[k - 1] = doubled(tileBounds(*copy, needs[k]));
    }
  }
  parentHandle = layer.base.handle;
  for (int k = 1; k <= levels; ++k) {
    Locked<Layer> parent = lockOrThrow<Layer>(parentHandle);
    Locked<Layer> copy = lockOrThrow<Layer>(layer.reducedCopies[k - 1]);
    copy.markModified();
    if (need != nullptr) {
      const RECT inCopy = offsetRect(needs[k], -copy->rect.left, -copy->rect.top);
      refresh(*copy, *parent, &inCopy);
    } else {
      refresh(*copy, *parent, nullptr);
    }
    parentHandle = copy.handle();
  }
  return parentHandle;
}

}  // namespace tessaly::engine
