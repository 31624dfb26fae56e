// A view's cache: a picture of its own holding one composite layer that covers the view's area
// (view coordinates from 0, 0). The composite lives in the scaled picture space at the scroll
// position, so its layer coordinates are view coordinates. Each tile's changed rectangle records
// what must be composed again; changes reaching the view mark it, and drawing composes only the
// marked parts.
#include <algorithm>

#include "compose.h"
#include "layer.h"
#include "owned.h"
#include "picture.h"
#include "pixel_rect.h"
#include "rect_util.h"
#include "view.h"
#include "zanengin.h"

namespace tessaly::engine {
namespace {

constexpr int32_t kCompositeBits = 24;
constexpr int32_t kPaperWhite = 0xFFFFFF;

int32_t clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Where the composite lies in the scaled picture space.
RECT compositeRect(const View& view) {
  const RECT area = view.area();
  return RECT{view.scrollX, view.scrollY, clamp32(int64_t{view.scrollX} + area.right),
              clamp32(int64_t{view.scrollY} + area.bottom)};
}

zanHandle compositeOf(zanHandle cache) {
  Locked<Picture> picture(cache);
  return picture ? layerAt(*picture, 1) : 0;
}

// A rectangle of picture coordinates in view coordinates, grown outward so that it holds every
// view pixel the change can reach: rounding outward, and at other zooms than 1 / 1 the
// neighbours that interpolation reads.
RECT changedInView(const View& view, const RECT& rect) {
  const int64_t n = view.zoomNumerator;
  const int64_t d = view.zoomDenominator;
  const int64_t margin = n == d ? 0 : 2;
  return RECT{clamp32(floorDiv(n * rect.left, d) - view.scrollX - margin),
              clamp32(floorDiv(n * rect.top, d) - view.scrollY - margin),
              clamp32(ceilDiv(n * rect.right, d) - view.scrollX + margin),
              clamp32(ceilDiv(n * rect.bottom, d) - view.scrollY + margin)};
}

void markComposite(zanHandle composite, const RECT& rect) {
  Locked<Layer> layer(composite);
  if (!layer || layer->dataLayer == 0) return;
  Locked<DataLayer> data(layer->dataLayer, true);
  if (data) markChanged(*data, rect);
}

void dropComposite(zanHandle cache) {
  Locked<Picture> picture(cache, true);
  if (!picture) return;
  const zanHandle composite = removeLayer(*picture, 1);
  destroyObject(composite);
}

void resizeCache(zanHandle cache, const RECT& area) {
  Locked<Picture> picture(cache, true);
  if (!picture) return;
  picture->width = area.right;
  picture->height = area.bottom;
}

zanHandle makeCache(const View& view) {
  OwnedObject cache(createPicture());
  resizeCache(cache.get(), view.area());
  return cache.release();
}

zanHandle makeComposite(const View& view, zanHandle cache) {
  OwnedObject composite(createLayer(compositeRect(view)));
  {
    Locked<Layer> layer = lockOrThrow<Layer>(composite.get());
    layer.markModified();
    layer->bitsPerPixel = kCompositeBits;
    // A new data layer marks every tile as changed.
    ensureDataLayer(*layer);
  }
  Locked<Picture> picture = lockOrThrow<Picture>(cache);
  picture.markModified();
  insertLayer(*picture, composite.get(), 1);
  return composite.release();
}

// Follows the scroll position: the composite moves in the scaled space, its tiles stay.
void placeComposite(Layer& composite, const View& view) {
  const RECT wanted = compositeRect(view);
  if (!sameRect(composite.rect, wanted) && rectWidth(wanted) == composite.width() &&
      rectHeight(wanted) == composite.height())
    composite.rect = wanted;
}

// Composes the picture again into every changed part of the composite's tiles that meet area,
// over white, and forgets those changes.
void composeChanged(Layer& composite, const View& view, const RECT& area) {
  std::vector<ComposeSource> sources;
  {
    Locked<Picture> picture(view.picture);
    const std::vector<int32_t> visibility = view.visibility.snapshot();
    if (picture)
      sources =
          participants(*picture, visibility.data(), static_cast<uint32_t>(visibility.size()), 1);
  }
  const ComposeScale scale{view.zoomNumerator, view.zoomDenominator};
  const zanHandle dataHandle = ensureDataLayer(composite);
  std::vector<TileEntry> entries;
  {
    Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
    entries = data->tiles.snapshot();
  }
  for (uint32_t i = 0; i < entries.size(); ++i) {
    const RECT part = intersect(entries[i].changed, entries[i].rect);
    if (isEmpty(part) || isEmpty(intersect(entries[i].rect, area))) continue;
    writeIn(composite, nullptr, part, 0, kPaperWhite);
    composeLayers(composite, sources, offsetRect(part, composite.rect.left, composite.rect.top),
                  scale);
    Locked<DataLayer> data = lockOrThrow<DataLayer>(dataHandle);
    data.markModified();
    TileEntry entry = data->tiles.get(i);
    entry.changed = RECT{0, 0, 0, 0};
    data->tiles.put(i, entry);
  }
}

bool marksWholeView(int32_t code) {
  switch (code) {
    case ZAN_VIEW_ZOOM:
    case ZAN_VIEW_SCROLL:
    case ZAN_VIEW_PICTURE:
    case ZAN_VIEW_VALUE308:
    case ZAN_LAYER_CACHEKEY:
    // A layer moved, faded, shown or hidden: its old and new places are both to be drawn again.
    case ZAN_LAYER_RECT:
    case ZAN_LAYER_OPACITY:
    case ZAN_LAYER_VISIBLE:
    // What a layer shows changed without a pixel changing: its colours, its kind or its
    // transform.
    case ZAN_LAYER_PALETTE:
    case ZAN_LAYER_KIND:
    case ZAN_LAYER_TRANSFORM:
      return true;
    default:
      return false;
  }
}

}  // namespace

void tellCache(View& view, int32_t code, const RECT& rect) {
  if (view.cache == 0) return;  // a cache made later starts with everything to compose
  if (code == ZAN_VIEW_RECT) {
    // A new size: the composite is made again at that size when next needed.
    dropComposite(view.cache);
    resizeCache(view.cache, RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
    return;
  }
  const zanHandle composite = compositeOf(view.cache);
  if (composite == 0) return;
  const RECT area = view.area();
  if (code == ZAN_CHANGE_PIXELS || code == ZAN_CHANGE_VISIBILITY || code == ZAN_CHANGE_ARRANGEMENT)
    markComposite(composite, intersect(changedInView(view, rect), area));
  else if (marksWholeView(code))
    markComposite(composite, area);
}

zanHandle refreshCache(View& view, const RECT& area) {
  if (view.cache == 0) view.cache = makeCache(view);
  zanHandle composite = compositeOf(view.cache);
  if (composite == 0) composite = makeComposite(view, view.cache);
  Locked<Layer> layer = lockOrThrow<Layer>(composite);
  layer.markModified();
  placeComposite(*layer, view);
  composeChanged(*layer, view, intersect(area, view.area()));
  return composite;
}

int32_t cacheDirty(View& view, RECT& dirty) {
  dirty = RECT{0, 0, 0, 0};
  if (view.cache == 0) {
    dirty = view.area();
    return ZAN_OK;
  }
  Locked<Picture> cache(view.cache);
  if (!cache) return ZAN_ERR_LOCK;
  Locked<Layer> composite(layerAt(*cache, 1));
  if (!composite || composite->dataLayer == 0) {
    dirty = RECT{0, 0, cache->width, cache->height};
    return ZAN_ERR_LOCK;
  }
  Locked<DataLayer> data(composite->dataLayer);
  if (!data) return ZAN_ERR_LOCK;
  const std::vector<TileEntry> entries = data->tiles.snapshot();
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
    dirty = unite(dirty, intersect(entry->changed, entry->rect));
  return ZAN_OK;
}

void dropCache(View& view) noexcept {
  try {
    destroyObject(std::exchange(view.cache, 0));
  } catch (...) {
    // The cache is lost either way; nothing else refers to it.
  }
}

}  // namespace tessaly::engine
