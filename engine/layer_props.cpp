// The layer's built-in properties: what a get or set of each identifier reads or changes.
#include <cstring>

#include "layer.h"
#include "pixel_format.h"
#include "property_store.h"

namespace tessaly::engine {
namespace {

Layer& layerOf(HandleObject* self) {
  return *reinterpret_cast<Layer*>(self);
}

// Tile size and bits per pixel shape the tile grid: a new value re-lays it (its pixels go). The
// layer's field and the grid's part of the geometry have the same name.
int32_t setGridValue(Layer& layer, int32_t Layer::*field, int32_t DataGeometry::*part,
                     const void* data, uint32_t size, bool (*valid)(int32_t)) {
  int32_t value = layer.*field;
  const int32_t taken = storeValue(value, data, size, valid);
  if (taken < 0 || value == layer.*field) return taken;
  DataGeometry geometry = layer.geometry();
  geometry.*part = value;
  relayTiles(layer, geometry);
  layer.*field = value;
  return taken;
}

bool isPositive(int32_t v) {
  return v > 0;
}

int32_t setTransform(Layer& layer, const void* data, uint32_t size) {
  if (data == nullptr || size < kTransformBytes) return ZAN_ERR_ARG;
  if (layer.transform == 0) {
    layer.transform = zanHeapAlloc(0, kTransformBytes, ZAN_HEAP_ZEROINIT);
    if (layer.transform == 0) _zanThrow(ZAN_ERR_CREATE);
  }
  zan::HeapLock<unsigned char> matrix(0, layer.transform);
  if (!matrix) _zanThrow(ZAN_ERR_LOCK);
  std::memcpy(matrix.get(), data, kTransformBytes);
  return kTransformBytes;
}

}  // namespace

int32_t layerSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                     uint32_t /*flags*/) {
  Layer& layer = layerOf(self);
  switch (id) {
    case ZAN_LAYER_PICTURE: {
      zanHandle picture = 0;
      if (!takeValue(data, size, picture)) return ZAN_ERR_ARG;
      setLayerPicture(layer, picture);
      return sizeof(zanHandle);
    }
    case ZAN_LAYER_RECT: {
      RECT rect;
      if (!takeValue(data, size, rect)) return ZAN_ERR_ARG;
      return setLayerRect(layer, rect);
    }
    case ZAN_LAYER_INDEX:
      return storeValue(layer.index, data, size);
    case ZAN_LAYER_USER1:
      return storeValue(layer.userValue1, data, size);
    case ZAN_LAYER_USER2:
      return storeValue(layer.userValue2, data, size);
    case ZAN_LAYER_OPACITY:
      return storeValue(layer.opacity, data, size);  // keeps the low byte
    case ZAN_LAYER_PALETTE:
      return storeValue(layer.palette, data, size);
    case ZAN_LAYER_VISIBLE:
      return storeValue(layer.visible, data, size);
    case ZAN_LAYER_KIND:
      return storeValue(layer.kind, data, size);
    case ZAN_LAYER_BPP:
      return setGridValue(layer, &Layer::bitsPerPixel, &DataGeometry::bitsPerPixel, data, size,
                          isValidBpp);
    case ZAN_LAYER_TILEW:
      return setGridValue(layer, &Layer::tileWidth, &DataGeometry::tileWidth, data, size,
                          isPositive);
    case ZAN_LAYER_TILEH:
      return setGridValue(layer, &Layer::tileHeight, &DataGeometry::tileHeight, data, size,
                          isPositive);
    case ZAN_LAYER_TAG:
      return storeValue(layer.toolTag, data, size);
    case ZAN_LAYER_CACHEKEY: {
      const int32_t taken = storeValue(layer.cacheKey, data, size);
      if (taken < 0) return taken;
      destroyReducedCopies(layer);
      Locked<Layer> floating(layer.floatingLayer, true);
      if (floating) destroyReducedCopies(*floating);
      return taken;
    }
    case ZAN_LAYER_TEXT:
      return storeTextRecord(layer, data, size);
    case ZAN_LAYER_TRANSFORM:
      return setTransform(layer, data, size);
    default:
      return 0;  // the generic store, also for -101, -103
  }
}

int32_t layerGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size,
                     uint32_t /*flags*/) {
  Layer& layer = layerOf(self);
  switch (id) {
    case ZAN_LAYER_PICTURE:
      return giveValue(buffer, size, layer.picture);
    case ZAN_LAYER_TILECOUNT: {
      Locked<DataLayer> data(ensureDataLayer(layer));
      return giveValue(buffer, size, data ? data->tiles.count : 0u);
    }
    case ZAN_LAYER_RECT:
      return giveValue(buffer, size, layer.rect);
    case ZAN_LAYER_INDEX:
      return giveValue(buffer, size, layer.index);
    case ZAN_LAYER_USER1:
      return giveValue(buffer, size, layer.userValue1);
    case ZAN_LAYER_USER2:
      return giveValue(buffer, size, layer.userValue2);
    case ZAN_LAYER_OPACITY:
      return giveValue(buffer, size, int32_t{layer.opacity});
    case ZAN_LAYER_PALETTE:
      return giveValue(buffer, size, layer.palette);
    case ZAN_LAYER_VISIBLE:
      return giveValue(buffer, size, layer.visible);
    case ZAN_LAYER_KIND:
      return giveValue(buffer, size, layer.kind);
    case ZAN_LAYER_BPP:
      return giveValue(buffer, size, layer.bitsPerPixel);
    case ZAN_LAYER_TILEW:
      return giveValue(buffer, size, layer.tileWidth);
    case ZAN_LAYER_TILEH:
      return giveValue(buffer, size, layer.tileHeight);
    case ZAN_LAYER_TAG:
      return giveValue(buffer, size, layer.toolTag);
    case ZAN_LAYER_CACHEKEY:
      return giveValue(buffer, size, layer.cacheKey);
    case ZAN_LAYER_TEXT:
      return readTextRecord(layer, buffer, size);
    default:
      return 0;  // the generic store, also for -101 and -120
  }
}

}  // namespace tessaly::engine
