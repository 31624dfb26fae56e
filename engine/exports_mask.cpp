// Exported functions of masks, floating layers and the selection.
#include "export_guard.h"
#include "layer_masks.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API int32_t zanLayerAttachMask(zanHandle layer, zanHandle mask) {
  return guardStatus([&] {
    Locked<Layer> owner(layer, true);
    return owner ? attachMask(*owner, mask) : ZAN_OK;
  });
}

ZAN_API zanHandle zanLayerGetMask(zanHandle layer, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Layer> owner(layer);
    return owner ? owner->mask : 0;
  });
}

ZAN_API zanHandle zanInsertMaskEx(zanHandle layer, zanHandle mask) {
  return guardResult<zanHandle>([&] {
    Locked<Layer> owner(layer, true);
    return owner ? exchangeExternalMask(*owner, mask) : 0;
  });
}

ZAN_API zanHandle zanRemoveMaskEx(zanHandle layer) {
  return guardResult<zanHandle>([&] {
    Locked<Layer> owner(layer, true);
    return owner ? exchangeExternalMask(*owner, 0) : 0;
  });
}

ZAN_API int32_t zanLayerAttachFloat(zanHandle layer, zanHandle floating) {
  return guardStatus([&] {
    Locked<Layer> owner(layer, true);
    if (owner) exchangeFloatingLayer(*owner, floating);
    return ZAN_OK;
  });
}

ZAN_API zanHandle zanLayerGetFloat(zanHandle layer, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Layer> owner(layer);
    return owner ? owner->floatingLayer : 0;
  });
}

ZAN_API zanHandle zanGetSelection(zanHandle picture, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Picture> owner(picture);
    return owner ? owner->selection : 0;
  });
}

ZAN_API zanHandle zanSetSelection(zanHandle picture, zanHandle layer, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Picture> owner(picture, true);
    return owner ? exchangeSelection(*owner, layer) : 0;
  });
}

ZAN_API int32_t zanMergeMasks(zanHandle a, zanHandle b) {
  // Checks both handles and changes nothing.
  return guardStatus([&] {
    Locked<Layer> first(a);
    Locked<Layer> second(b);
    return ZAN_OK;
  });
}

ZAN_API int32_t zanDrawMoveBorder(zanHandle /*view*/, const RECT* /*rect*/, int32_t /*flag*/) {
  return ZAN_OK;
}

}  // extern "C"
