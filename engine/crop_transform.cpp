// Mapping a layer through a matrix into a new layer, tile by tile over the result: each result
// pixel's centre is taken back through the inverse matrix and the source is sampled there.
#include <algorithm>
#include <vector>

#include "layer_area.h"
#include "layer_transform.h"
#include "owned.h"
#include "pixel_format.h"
#include "pixel_rect.h"
#include "rect_mask.h"
#include "rect_util.h"
#include "transform_sample.h"

namespace tessaly::engine {

void transformInto(Layer& target, Layer& source, const Mapping& mapping) {
  const int32_t grow = mapping.interpolate ? 2 : 1;
  const RECT sourceExtent{0, 0, source.width(), source.height()};
  for (int32_t top = 0; top < target.height(); top += target.tileHeight) {
    for (int32_t left = 0; left < target.width(); left += target.tileWidth) {
      const RECT tile{left, top, std::min(left + target.tileWidth, target.width()),
                      std::min(top + target.tileHeight, target.height())};
      const RECT picture = offsetRect(tile, target.rect.left, target.rect.top);
      RECT need =
          offsetRect(mappedBound(mapping.inverse, picture), -mapping.origin.x, -mapping.origin.y);
      need = RECT{need.left - grow, need.top - grow, need.right + grow, need.bottom + grow};
      if (mapping.edgeRepeats) need = intersect(need, sourceExtent);
      const int32_t bytes = bytesPerPixel(target.bitsPerPixel);
      const int32_t width = tile.right - tile.left;
      std::vector<unsigned char> pixels(static_cast<size_t>(width) * (tile.bottom - tile.top) *
                                        static_cast<size_t>(bytes));
      if (!isEmpty(intersect(need, sourceExtent))) {
        const LayerArea area = readLayerArea(source, need);
        const AreaSampler sampler(area, mapping.interpolate, source.bitsPerPixel);
        for (int32_t y = picture.top; y < picture.bottom; ++y) {
          unsigned char* out = pixels.data() + static_cast<size_t>(y - picture.top) * width * bytes;
          for (int32_t x = picture.left; x < picture.right; ++x, out += bytes) {
            const PointD at = mapPoint(mapping.inverse, x + 0.5, y + 0.5);
            sampler.sample(at.x - mapping.origin.x - 0.5, at.y - mapping.origin.y - 0.5, out);
          }
        }
      }
      writeIn(target, pixels.data(), tile, width * bytes, 0);
    }
  }
}

namespace {

// An 8-bit mask layer of kind 2 outlining source mapped through matrix; it holds no pixels.
zanHandle outlineMask(const RECT& source, const Matrix& matrix) {
  OwnedObject owned(createLayer(source));
  Locked<Layer> mask = lockOrThrow<Layer>(owned.get());
  mask.markModified();
  mask->bitsPerPixel = 8;
  mask->kind = ZAN_LAYERKIND_TRANSFORMED;
  mask->transform = zanHeapAlloc(0, kTransformBytes, 0);
  if (mask->transform == 0) _zanThrow(ZAN_ERR_CREATE);
  {
    zan::HeapLock<double> stored(0, mask->transform);
    if (!stored) _zanThrow(ZAN_ERR_LOCK);
    std::copy(matrix.begin(), matrix.end(), stored.get());
    stored.markModified();
  }
  mask->ownedObject = createRectMask(&source, 0);
  return owned.release();
}

}  // namespace

zanHandle plainMask(const RECT& rect, const Layer& like) {
  OwnedObject owned(createLayer(rect));
  Locked<Layer> mask = lockOrThrow<Layer>(owned.get());
  mask.markModified();
  mask->bitsPerPixel = 8;
  mask->tileWidth = like.tileWidth;
  mask->tileHeight = like.tileHeight;
  return owned.release();
}

zanHandle cropTransform(zanHandle layerHandle, const RECT* clip, const Matrix& matrix,
                        bool interpolate) {
  Locked<Layer> source = lockOrThrow<Layer>(layerHandle);
  source.markModified();
  const Matrix inverse = invertAffine(matrix);
  RECT rect = mappedBound(matrix, source->rect);
  if (clip != nullptr) rect = intersect(rect, *clip);
  if (isEmpty(rect)) return 0;
  OwnedObject owned(cloneLayer(layerHandle, false));
  Locked<Layer> result = lockOrThrow<Layer>(owned.get());
  result.markModified();
  result->kind = 0;  // its pixels stand where they show
  setLayerRect(*result, rect);
  transformInto(*result, *source,
                Mapping{inverse, interpolate, true, POINT{source->rect.left, source->rect.top}});
  Locked<Layer> sourceMask(source->mask);
  if (sourceMask && sourceMask->bitsPerPixel == 8 &&
      sourceMask->kind != ZAN_LAYERKIND_TRANSFORMED) {
    OwnedObject mask(plainMask(rect, *result));
    Locked<Layer> m = lockOrThrow<Layer>(mask.get());
    m.markModified();
    transformInto(
        *m, *sourceMask,
        Mapping{inverse, interpolate, false, POINT{sourceMask->rect.left, sourceMask->rect.top}});
    m.reset();
    result->mask = mask.release();
  } else {
    result->mask = outlineMask(source->rect, matrix);
  }
  return owned.release();
}

}  // namespace tessaly::engine
