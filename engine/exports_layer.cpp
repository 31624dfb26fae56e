// Exported functions of layers.
#include "export_guard.h"
#include "export_properties.h"
#include "layer.h"
#include "picture.h"
#include "property_store.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

int32_t getLayerProperty(zanHandle layer, int32_t id, void* buffer, uint32_t size,
                         int32_t* outCount) {
  // Reading the tile count may make the data layer.
  return exportGetProperty<Layer>(layer, id, buffer, size, outCount, id == ZAN_LAYER_TILECOUNT);
}

int32_t setLayerPropertyGuarded(zanHandle layer, int32_t id, const void* data, uint32_t size,
                                uint32_t flags) {
  return guardStatus([&] {
    Locked<Layer> locked(layer, true);
    return locked ? setLayerProperty(*locked, id, data, size, flags) : 0;
  });
}

// Takes the layer out of its picture, found by handle (its stored index is only a hint).
void leavePicture(zanHandle layer) {
  zanHandle picture = 0;
  {
    Locked<Layer> locked(layer);
    if (locked) picture = locked->picture;
  }
  Locked<Picture> owner(picture, true);
  if (!owner) return;
  const int32_t index = indexOfLayer(*owner, layer);
  if (index > 0) removeLayer(*owner, index);
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanCreateLayer(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                 int32_t* error) {
  return guardCreate<zanHandle>(error, [&] { return createLayer(RECT{left, top, right, bottom}); });
}

ZAN_API int32_t zanDestroyLayer(zanHandle layer) {
  return guardCode([&] {
    if (!Locked<Layer>(layer)) return;
    leavePicture(layer);
    destroyObject(layer);
  });
}

ZAN_API int32_t zanIsExternLayer(zanHandle layer) {
  return guardResult<int32_t>([&] {
    Locked<Layer> locked(layer);
    return locked && locked->base.tag == ZAN_TAG_LAYER_EXTMASK ? 1 : 0;
  });
}

ZAN_API int32_t zanGetLayerProperty(zanHandle layer, int32_t id, void* buffer, uint32_t size,
                                    int32_t* outCount) {
  return getLayerProperty(layer, id, buffer, size, outCount);
}

ZAN_API int32_t zanSetLayerProperty(zanHandle layer, int32_t id, const void* data, uint32_t size,
                                    uint32_t flags) {
  return setLayerPropertyGuarded(layer, id, data, size, flags);
}

ZAN_API int32_t zanEnumLayerProperties(zanHandle layer, ZanPropEnumProc callback, void* user) {
  return exportEnumProperties<Layer>(layer, callback, user);
}

ZAN_API int32_t zanGetTextProperty(zanHandle layer, int32_t id, void* buffer, uint32_t size,
                                   int32_t* outCount) {
  return getLayerProperty(layer, id, buffer, size, outCount);
}

ZAN_API int32_t zanSetTextProperty(zanHandle layer, int32_t id, const void* data, uint32_t size,
                                   uint32_t flags) {
  return setLayerPropertyGuarded(layer, id, data, size, flags);
}

}  // extern "C"
