// Baking a transformed layer into plain pixels. Everything new is built beside the layer first
// (a temporary layer holds the new tiles, a new mask the outline's coverage); the layer takes
// them over only once all of it is made, so a failure leaves it as it was.
#include <algorithm>
#include <vector>

#include "layer_transform.h"
#include "owned.h"
#include "pixel_rect.h"
#include "rect_mask.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// Writes the outline's coverage over the mask's rectangle, multiplied by the values already
// there (the layer's own mask, mapped).
void writeCoverage(Layer& mask, const RectMask& outline, bool multiply) {
  const int32_t width = mask.width();
  std::vector<unsigned char> row(static_cast<size_t>(width));
  std::vector<unsigned char> old(static_cast<size_t>(width));
  for (int32_t y = 0; y < mask.height(); ++y) {
    std::fill(row.begin(), row.end(), 0);
    const ZanMaskLine* line = maskLine(outline, y + mask.rect.top);
    const int32_t count = line != nullptr ? line->count : 0;
    for (int32_t s = 0; s < count; ++s) {
      const ZanMaskSpan& span = line->spans[s];
      for (int32_t i = 0; i < span.length; ++i) {
        const int64_t x = int64_t{span.start} + i - mask.rect.left;
        if (x >= 0 && x < width) row[static_cast<size_t>(x)] = span.coverage[i];
      }
    }
    if (count == 2) {
      const int64_t from = int64_t{line->spans[0].start} + line->spans[0].length - mask.rect.left;
      const int64_t to = int64_t{line->spans[1].start} - mask.rect.left;
      for (int64_t x = std::max<int64_t>(from, 0); x < std::min<int64_t>(to, width); ++x)
        row[static_cast<size_t>(x)] = 255;
    }
    const RECT lineRect{0, y, width, y + 1};
    if (multiply) {
      copyOut(mask, old.data(), lineRect, width);
      for (int32_t x = 0; x < width; ++x)
        row[static_cast<size_t>(x)] = static_cast<unsigned char>(
            (row[static_cast<size_t>(x)] * old[static_cast<size_t>(x)] + 127) / 255);
    }
    writeIn(mask, row.data(), lineRect, width, 0);
  }
}

// A layer's own mask when it is a plain 8-bit one (not the outline's holder).
bool hasPlainMask(const Layer& layer) {
  Locked<Layer> mask(layer.mask);
  return mask && mask->bitsPerPixel == 8 && mask->kind != ZAN_LAYERKIND_TRANSFORMED;
}

}  // namespace

int32_t rasterLayer(Layer& layer) {
  if (layer.kind != ZAN_LAYERKIND_TRANSFORMED) return ZAN_ERR_ARG;
  const TransformedLook look = transformedLook(layer);
  if (look.draw != TransformedLook::Draw::Through) return ZAN_ERR_MASK;
  Locked<RectMask> outline(look.rectMask, true);
  if (!outline) return ZAN_ERR_MASK;
  try {
    rasteriseRectMask(*outline, look.matrix.data());
  } catch (...) {
    return ZAN_ERR_MASK;
  }
  const RECT bound = outline->bound;
  const Matrix inverse = invertAffine(look.matrix);
  const POINT origin{look.source.left, look.source.top};

  OwnedObject baked(createLayer(bound));
  Locked<Layer> pixels = lockOrThrow<Layer>(baked.get());
  pixels.markModified();
  pixels->bitsPerPixel = layer.bitsPerPixel;
  pixels->tileWidth = layer.tileWidth;
  pixels->tileHeight = layer.tileHeight;
  transformInto(*pixels, layer, Mapping{inverse, true, true, origin});

  OwnedObject coverage(plainMask(bound, layer));
  Locked<Layer> mask = lockOrThrow<Layer>(coverage.get());
  mask.markModified();
  const bool multiply = hasPlainMask(layer);
  if (multiply) {
    Locked<Layer> own = lockOrThrow<Layer>(layer.mask);
    transformInto(*mask, *own, Mapping{inverse, true, false, POINT{own->rect.left, own->rect.top}});
  }
  writeCoverage(*mask, *outline, multiply);
  mask->picture = layer.picture;
  mask.reset();
  outline.reset();

  // From here on nothing fails but taking over the data layer, which comes first.
  useDataLayer(layer, pixels->dataLayer);
  pixels.reset();
  const RECT before = arrangementRect(layer);
  destroyReducedCopies(layer);
  layer.rect = bound;
  layer.kind = 0;
  if (layer.transform != 0) zanHeapFree(0, std::exchange(layer.transform, 0));
  destroyObject(std::exchange(layer.ownedObject, 0));
  destroyObject(std::exchange(layer.mask, coverage.release()));
  if (layer.picture != 0) sendChange(layer.picture, ZAN_CHANGE_ARRANGEMENT, unite(before, bound));
  return ZAN_OK;
}

}  // namespace tessaly::engine
