// Exported functions of a picture's layer list and of cloning layers.
#include "export_guard.h"
#include "layer.h"
#include "picture.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API int32_t zanInsertLayer(zanHandle picture, zanHandle layer, int32_t index) {
  return guardStatus([&] {
    Locked<Picture> owner(picture, true);
    if (!owner || layer == 0) return ZAN_OK;
    return insertLayer(*owner, layer, index);
  });
}

ZAN_API zanHandle zanRemoveLayer(zanHandle picture, int32_t index, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Picture> owner(picture, true);
    return owner ? removeLayer(*owner, index) : 0;
  });
}

ZAN_API int32_t zanSwapLayer(zanHandle picture, int32_t a, int32_t b) {
  return guardStatus([&] {
    Locked<Picture> owner(picture, true);
    return owner ? swapLayers(*owner, a, b) : ZAN_OK;
  });
}

ZAN_API int32_t zanFindLayerWithFloat(zanHandle picture) {
  return guardResult<int32_t>([&] {
    Locked<Picture> owner(picture);
    return owner ? findLayerWithFloat(*owner) : 0;
  });
}

ZAN_API zanHandle zanCloneLayer(zanHandle layer, int32_t withPixels, void* /*reserved*/) {
  return guardResult<zanHandle>(
      [&] { return Locked<Layer>(layer) ? cloneLayer(layer, withPixels != 0) : zanHandle{0}; });
}

}  // extern "C"
