// Reduced copies of a layer: the layer at half, quarter, ... size, made by views to draw zoomed
// out. A pixel change marks the changed area in each copy so that the view rebuilds just that.
#include "layer.h"
#include "point_mapping.h"
#include "rect_util.h"

namespace tessaly::engine {

void destroyReducedCopies(Layer& layer) {
  for (zanHandle& copy : layer.reducedCopies) destroyObject(std::exchange(copy, 0));
}

void setReducedCopy(Layer& layer, int level, zanHandle copy) {
  if (level < 0 || level >= kReducedLevels) _zanThrow(ZAN_ERR_ARG);
  const zanHandle previous = std::exchange(layer.reducedCopies[level], copy);
  if (previous != copy) destroyObject(previous);
}

void markReducedCopies(Layer& layer, const RECT& rect) {
  RECT scaled = rect;
  for (const zanHandle handle : layer.reducedCopies) {
    // Halving rounds outward, so the area at each level covers every pixel that changed.
    scaled = halveRect(scaled);
    Locked<Layer> copy(handle);
    if (!copy) continue;
    Locked<DataLayer> data(copy->dataLayer, true);
    if (data) markChanged(*data, layerMapping(copy->rect.left, copy->rect.top).forward(scaled));
  }
}

}  // namespace tessaly::engine
