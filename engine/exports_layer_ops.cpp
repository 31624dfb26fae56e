// Exported functions that move pixels between layers: copying, cutting, floating layers and
// wrapped bitmaps.
#include "export_guard.h"
#include "layer_copy.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API int32_t zanCopyLayer(zanHandle target, zanHandle source, const POINT* point,
                             const RECT* rect) {
  return guardStatus([&] { return copyLayer(target, source, point, rect); });
}

ZAN_API int32_t zanCutLayer(zanHandle layer, zanHandle selection) {
  if (selection == 0) return 0;
  if (layer == 0) return ZAN_ERR_ARG;
  return guardStatus([&] {
    Locked<Layer> owner(layer, true);
    if (!owner) return ZAN_ERR_LOCK;
    return cutLayer(*owner, selection);
  });
}

ZAN_API zanHandle zanCreateFloatLayer(zanHandle layer, zanHandle selection, int32_t keep,
                                      int32_t* error) {
  if (layer == 0) {
    if (error != nullptr) *error = ZAN_ERR_ARG;
    return 0;
  }
  int32_t code = ZAN_OK;
  const zanHandle made =
      guardCreate<zanHandle>(&code, [&] { return makeFloatingLayer(layer, selection, keep != 0); });
  // Whatever stopped it, the caller learns that no floating layer could be made.
  if (error != nullptr) *error = made != 0 ? ZAN_OK : ZAN_ERR_FLOAT;
  return made;
}

ZAN_API zanHandle zanDiscardFloatLayer(zanHandle layer, int32_t* error) {
  if (layer == 0) {
    if (error != nullptr) *error = ZAN_ERR_ARG;
    return 0;
  }
  return guardCreate<zanHandle>(error, [&] { return mergeFloatingLayer(layer); });
}

ZAN_API zanHandle zanDib2Layer(const ZanBitmap* bitmap) {
  if (bitmap == nullptr) return 0;
  return guardResult<zanHandle>([&] { return wrapBitmap(*bitmap); });
}

}  // extern "C"
