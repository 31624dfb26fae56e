// Merging a picture's visible layers into one new layer.
#include "merge.h"

#include "owned.h"
#include "pixel_rect.h"
#include "rect_util.h"
#include "zanRgn.h"

namespace tessaly::engine {
namespace {

int32_t narrow(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) _zanThrow(ZAN_ERR_ARG);
  return static_cast<int32_t>(v);
}

void deleteRegion(zanHandle region) {
  zanRgnDelete(region);
}
using OwnedRegion = Owned<zanHandle, deleteRegion>;

// Whether the result needs a mask: a translucent or masked layer meets the rectangle, or the
// layers together leave part of it uncovered.
bool needsMask(const std::vector<ComposeSource>& sources, const RECT& rect) {
  OwnedRegion uncovered(zanRgnCreateRect(&rect));
  if (!uncovered) _zanThrow(ZAN_ERR_CREATE);
  for (const ComposeSource& source : sources) {
    Locked<Layer> layer(source.layer);
    if (!layer || isEmpty(intersect(layer->rect, rect))) continue;
    if (layer->opacity < 255 || layer->mask != 0) return true;
    OwnedRegion covered(zanRgnCreateRect(&layer->rect));
    if (!covered || zanRgnSubtract(uncovered.get(), covered.get()) == 0) _zanThrow(ZAN_ERR_CREATE);
  }
  return zanRgnIsEmpty(uncovered.get()) == 0;
}

zanHandle makeMask(const RECT& rect) {
  OwnedObject mask(createLayer(rect));
  Locked<Layer> layer = lockOrThrow<Layer>(mask.get());
  layer.markModified();
  layer->bitsPerPixel = 8;
  writeIn(*layer, nullptr, RECT{0, 0, layer->width(), layer->height()}, 0, 0);
  return mask.release();
}

// The background repeated like wallpaper from the result's (0, 0).
void paperWith(Layer& result, Block& background) {
  const BlockHeader& h = background.header;
  const int32_t width = h.right - h.left;
  const int32_t height = h.bottom - h.top;
  if (width <= 0 || height <= 0 || h.data == nullptr || h.bitsPerPixel != result.bitsPerPixel ||
      !pixelsFit(background))
    return;
  for (int64_t y = 0; y < result.height(); y += height)
    for (int64_t x = 0; x < result.width(); x += width)
      writeIn(result, h.data,
              RECT{static_cast<int32_t>(x), static_cast<int32_t>(y),
                   static_cast<int32_t>(x + width), static_cast<int32_t>(y + height)},
              h.stride, 0);
}

}  // namespace

zanHandle mergeLayers(zanHandle pictureHandle, const ComposeScale& scale, Block* background,
                      const RECT* rect) {
  Locked<Picture> picture = lockOrThrow<Picture>(pictureHandle);
  if (scale.numerator <= 0 || scale.denominator <= 0) _zanThrow(ZAN_ERR_ARG);
  const RECT request = rect != nullptr ? *rect : RECT{0, 0, picture->width, picture->height};
  if (isEmpty(request)) return 0;
  const int64_t n = scale.numerator;
  const int64_t d = scale.denominator;
  const RECT scaled{narrow(ceilDiv(request.left * n, d)), narrow(ceilDiv(request.top * n, d)),
                    narrow(floorDiv(request.right * n, d)),
                    narrow(floorDiv(request.bottom * n, d))};
  if (isEmpty(scaled)) return 0;
  const std::vector<ComposeSource> sources = participants(*picture, nullptr, 0, 1);
  OwnedObject owned(createLayer(scaled));
  Locked<Layer> result = lockOrThrow<Layer>(owned.get());
  result.markModified();
  result->bitsPerPixel = picture->bitsPerPixel;
  if (background == nullptr && needsMask(sources, request)) result->mask = makeMask(scaled);
  const RECT whole{0, 0, result->width(), result->height()};
  writeIn(*result, nullptr, whole, 0, 0);
  if (background != nullptr) paperWith(*result, *background);
  composeLayers(*result, sources, scaled, scale);
  return owned.release();
}

}  // namespace tessaly::engine
