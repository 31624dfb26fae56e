// Swapping two layers of a picture's list.
#include <utility>

#include "layer.h"
#include "picture.h"

namespace tessaly::engine {

int32_t swapLayers(Picture& picture, int32_t a, int32_t b) {
  const zanHandle first = layerAt(picture, a);
  const zanHandle second = layerAt(picture, b);
  if (first == 0 || second == 0) return ZAN_ERR_ARG;
  picture.layers.put(static_cast<uint32_t>(a - 1), second);
  picture.layers.put(static_cast<uint32_t>(b - 1), first);
  for (const auto& [handle, index] : {std::pair{first, b}, std::pair{second, a}}) {
    Locked<Layer> layer(handle, true);
    if (!layer) continue;
    layer->index = index;
    const RECT r = arrangementRect(*layer);
    picture.base.ops->notify(&picture.base, ZAN_CHANGE_ARRANGEMENT, r);
  }
  // The current layer stays the same layer.
  if (picture.currentLayer == a)
    picture.currentLayer = b;
  else if (picture.currentLayer == b)
    picture.currentLayer = a;
  return ZAN_OK;
}

int32_t findLayerWithFloat(const Picture& picture) {
  const std::vector<zanHandle> layers = picture.layers.snapshot();
  for (size_t i = 0; i < layers.size(); ++i) {
    Locked<Layer> layer(layers[i]);
    if (layer && layer->floatingLayer != 0) return static_cast<int32_t>(i + 1);
  }
  return 0;
}

}  // namespace tessaly::engine
