// Layers: the class table, creating and destroying, and how changes travel on to the picture.
#include "layer.h"

#include "owned.h"
#include "property_store.h"
#include "rect_util.h"

namespace tessaly::engine {
namespace {

void destroyLayerOp(HandleObject* self, uint32_t flags) {
  auto* layer = reinterpret_cast<Layer*>(self);
  if (layer->dataLayer != 0) detachLayer(layer->dataLayer, self->handle);
  layer->dataLayer = 0;
  if (layer->palette != 0) zanHeapFree(0, layer->palette);
  layer->palette = 0;
  destroyObject(std::exchange(layer->floatingLayer, 0));
  destroyReducedCopies(*layer);
  destroyObject(std::exchange(layer->mask, 0));
  destroyObject(std::exchange(layer->externMask, 0));
  freeTextRecord(*layer);
  if (layer->transform != 0) zanHeapFree(0, std::exchange(layer->transform, 0));
  destroyObject(std::exchange(layer->ownedObject, 0));
  finishDestroy(self, flags);
}

// Pixel changes mark the reduced copies; every change goes on to the picture.
void layerNotify(HandleObject* self, int32_t code, const RECT& rect) {
  auto* layer = reinterpret_cast<Layer*>(self);
  if (code == ZAN_CHANGE_PIXELS) markReducedCopies(*layer, rect);
  if (layer->picture != 0) sendChange(layer->picture, code, rect);
}

}  // namespace

const ObjectOps Layer::ops = {destroyLayerOp, baseUnlock,    layerSetHook, layerGetHook,
                              layerNotify,    ZAN_TAG_LAYER, sizeof(Layer)};

bool isBadLayerRect(const RECT& rect) {
  return rect.right < rect.left || rect.bottom < rect.top || rectWidth(rect) > INT32_MAX ||
         rectHeight(rect) > INT32_MAX;
}

zanHandle createLayer(const RECT& rect) {
  if (isBadLayerRect(rect)) _zanThrow(ZAN_ERR_ARG);
  return createObject<Layer>([&](Layer& layer) {
    layer.rect = rect;
    layer.visible = 1;
    layer.opacity = 255;
    layer.bitsPerPixel = 24;
    layer.tileWidth = kDefaultTileSize;
    layer.tileHeight = kDefaultTileSize;
    layer.kind = ZAN_LAYERKIND_RASTER;
  });
}

int32_t setLayerProperty(Layer& layer, int32_t id, const void* data, uint32_t size,
                         uint32_t flags) {
  const RECT before = layer.rect;
  const int32_t result = setProperty(&layer.base, id, data, size, flags);
  if (result < 0) return result;  // refused: nothing changed, nothing to announce
  layerNotify(&layer.base, id, unite(before, layer.rect));
  return result;
}

void setLayerPicture(Layer& layer, zanHandle picture) {
  layer.picture = picture;
  // The mask belongs to the layer and so to the layer's picture.
  Locked<Layer> mask(layer.mask, true);
  if (mask) mask->picture = picture;
}

RECT arrangementRect(const Layer& layer) {
  Locked<Layer> floating(layer.floatingLayer);
  return floating ? unite(layer.rect, floating->rect) : layer.rect;
}

zanHandle ensureDataLayer(Layer& layer) {
  if (Locked<DataLayer>(layer.dataLayer)) return layer.dataLayer;
  OwnedObject owned(createDataLayer(layer.geometry()));
  {
    Locked<DataLayer> data = lockOrThrow<DataLayer>(owned.get(), ZAN_ERR_CREATE);
    data.markModified();
    attachLayer(*data, layer.base.handle);
  }
  layer.dataLayer = owned.release();
  return layer.dataLayer;
}

void useDataLayer(Layer& layer, zanHandle dataLayer) {
  if (dataLayer == layer.dataLayer) return;
  if (dataLayer != 0) {
    Locked<DataLayer> data = lockOrThrow<DataLayer>(dataLayer, ZAN_ERR_ARG);
    data.markModified();
    attachLayer(*data, layer.base.handle);
  }
  const zanHandle previous = std::exchange(layer.dataLayer, dataLayer);
  if (previous != 0) detachLayer(previous, layer.base.handle);
}

void relayTiles(Layer& layer, const DataGeometry& geometry) {
  Locked<DataLayer> data(layer.dataLayer, true);
  if (data) relayDataLayer(*data, geometry);
}

}  // namespace tessaly::engine
