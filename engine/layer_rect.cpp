// Moving and resizing a layer. Tiles are kept relative to the layer's left-top corner, so a move
// changes no pixel; only a new width or height re-lays the grid.
#include "layer.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

// A mask chain deeper than this is a loop made by mistake; it is not followed further.
constexpr int kMaxMaskDepth = 16;

bool isTransformed(const Layer& layer) {
  return layer.kind == ZAN_LAYERKIND_TRANSFORMED;
}

// A transformed mask (or one whose own mask is transformed) is placed by its transform.
bool placedByTransform(const Layer& mask) {
  if (isTransformed(mask)) return true;
  Locked<Layer> inner(mask.mask);
  return inner && isTransformed(*inner);
}

// Moves the transform's result by dx, dy: with row vectors the translation is the third row.
void translateTransform(Layer& layer, int32_t dx, int32_t dy) {
  zan::HeapLock<double> matrix(0, layer.transform);
  if (!matrix || matrix.count() < 9) return;
  matrix[6] += dx;
  matrix[7] += dy;
}

void moveLayer(Layer& layer, const RECT& rect, int depth) {
  const RECT old = layer.rect;
  Locked<Layer> mask(layer.mask, true);
  if (mask && depth < kMaxMaskDepth) {
    if (placedByTransform(*mask))
      translateTransform(*mask, rect.left - old.left, rect.top - old.top);
    else
      moveLayer(*mask, rect, depth + 1);
  }
  mask.reset();
  destroyReducedCopies(layer);
  if (rectWidth(rect) != rectWidth(old) || rectHeight(rect) != rectHeight(old)) {
    DataGeometry geometry = layer.geometry();
    geometry.width = static_cast<int32_t>(rectWidth(rect));
    geometry.height = static_cast<int32_t>(rectHeight(rect));
    relayTiles(layer, geometry);
  }
  layer.rect = rect;
}

}  // namespace

int32_t setLayerRect(Layer& layer, const RECT& rect) {
  if (isBadLayerRect(rect)) return ZAN_ERR_ARG;
  moveLayer(layer, rect, 0);
  return sizeof(RECT);
}

}  // namespace tessaly::engine
