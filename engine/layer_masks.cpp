// Masks, external masks, floating layers and the selection.
#include "layer_masks.h"

#include <utility>

namespace tessaly::engine {
namespace {

void announce(Layer& layer, int32_t code, const RECT& rect) {
  layer.base.ops->notify(&layer.base, code, rect);
}

// A layer that hangs on another must not be that layer or be listed in a picture: either would
// give it two owners.
void checkHangable(const Layer& layer, zanHandle other) {
  if (other == 0) return;
  if (other == layer.base.handle) _zanThrow(ZAN_ERR_ARG);
  Locked<Layer> hanging = lockOrThrow<Layer>(other, ZAN_ERR_ARG);
  if (hanging->index != 0 && hanging->picture != 0) {
    Locked<Picture> picture(hanging->picture);
    if (picture && indexOfLayer(*picture, other) > 0) _zanThrow(ZAN_ERR_ARG);
  }
}

}  // namespace

int32_t attachMask(Layer& layer, zanHandle mask) {
  checkHangable(layer, mask);
  const zanHandle old = std::exchange(layer.mask, mask);
  if (old != 0 && old != mask) {
    Locked<Layer> previous(old);
    if (previous) announce(layer, ZAN_CHANGE_PIXELS, previous->rect);
  }
  {
    Locked<Layer> now(mask, true);
    if (now) now->picture = layer.picture;
  }
  announce(layer, ZAN_CHANGE_PIXELS, layer.rect);
  return ZAN_OK;
}

zanHandle exchangeExternalMask(Layer& layer, zanHandle mask) {
  checkHangable(layer, mask);
  const zanHandle old = std::exchange(layer.externMask, mask);
  layer.base.tag = mask != 0 ? ZAN_TAG_LAYER_EXTMASK : ZAN_TAG_LAYER;
  announce(layer, ZAN_CHANGE_ARRANGEMENT, layer.rect);
  return old == mask ? 0 : old;
}

zanHandle exchangeFloatingLayer(Layer& layer, zanHandle floating) {
  checkHangable(layer, floating);
  const zanHandle old = std::exchange(layer.floatingLayer, floating);
  return old == floating ? 0 : old;
}

zanHandle exchangeSelection(Picture& picture, zanHandle selection) {
  if (selection != 0) {
    Locked<Layer> layer = lockOrThrow<Layer>(selection, ZAN_ERR_ARG);
    if (indexOfLayer(picture, selection) > 0) _zanThrow(ZAN_ERR_ARG);
  }
  const zanHandle old = std::exchange(picture.selection, selection);
  return old == selection ? 0 : old;
}

}  // namespace tessaly::engine
