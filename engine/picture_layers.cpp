// A picture's layer list: inserting, removing and finding layers, keeping every layer's index
// and owner in step with the list.
#include "layer.h"
#include "picture.h"
#include "view.h"

namespace tessaly::engine {
namespace {

// Rewrites the index of every layer from 0-based position from upward.
void renumberFrom(Picture& picture, uint32_t from) {
  const std::vector<zanHandle> layers = picture.layers.snapshot();
  for (uint32_t i = from; i < layers.size(); ++i) {
    Locked<Layer> layer(layers[i], true);
    if (layer) layer->index = static_cast<int32_t>(i + 1);
  }
}

void announceArrangement(Picture& picture, const RECT& rect) {
  picture.base.ops->notify(&picture.base, ZAN_CHANGE_ARRANGEMENT, rect);
}

}  // namespace

zanHandle layerAt(const Picture& picture, int32_t index) {
  if (index < 1 || static_cast<uint32_t>(index) > picture.layers.count) return 0;
  return picture.layers.get(static_cast<uint32_t>(index - 1));
}

int32_t indexOfLayer(const Picture& picture, zanHandle layer) {
  return static_cast<int32_t>(picture.layers.find(layer) + 1);
}

int32_t insertLayer(Picture& picture, zanHandle layerHandle, int32_t index) {
  Locked<Layer> layer(layerHandle, true);
  // A layer lives in one picture at a time; listing it twice would destroy it twice.
  if (!layer || layer->picture != 0) _zanThrow(ZAN_ERR_ARG);
  const uint32_t count = picture.layers.count;
  const uint32_t pos =
      index < 1 || static_cast<uint32_t>(index) > count ? count : static_cast<uint32_t>(index - 1);
  picture.layers.insert(pos, layerHandle);
  layerEnteredViews(picture, static_cast<int32_t>(pos + 1));
  setLayerPicture(*layer, picture.base.handle);
  if (layer->palette != 0) picture.palette = layer->palette;
  renumberFrom(picture, pos);
  announceArrangement(picture, arrangementRect(*layer));
  return static_cast<int32_t>(pos + 1);
}

zanHandle removeLayer(Picture& picture, int32_t index) {
  const zanHandle handle = layerAt(picture, index);
  if (handle == 0) return 0;
  const auto pos = static_cast<uint32_t>(index - 1);
  picture.layers.erase(pos);
  layerLeftViews(picture, index);
  renumberFrom(picture, pos);
  Locked<Layer> layer(handle, true);
  if (layer) {
    setLayerPicture(*layer, 0);
    announceArrangement(picture, arrangementRect(*layer));
    destroyReducedCopies(*layer);
  }
  return handle;
}

}  // namespace tessaly::engine
