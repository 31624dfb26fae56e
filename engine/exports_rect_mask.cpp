// Exported functions of rectangle masks.
#include "export_guard.h"
#include "rect_mask.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API zanHandle zanCreateRectMask(const RECT* rect, int32_t kind, int32_t* error) {
  return guardCreate<zanHandle>(error,
                                [&] { return createRectMask(rect, static_cast<uint8_t>(kind)); });
}

ZAN_API int32_t zanDestroyRectMask(zanHandle mask) {
  return guardCode([&] {
    Locked<RectMask> locked(mask);
    destroyLocked(locked);
  });
}

ZAN_API int32_t zanRasterRectMask(zanHandle mask, const double* transform) {
  if (mask == 0 || transform == nullptr) return ZAN_OK;
  const int32_t code = guardCode([&] {
    Locked<RectMask> locked(mask, true);
    if (locked) rasteriseRectMask(*locked, transform);
  });
  return code == ZAN_OK ? ZAN_OK : ZAN_ERR_MASK;
}

ZAN_API int32_t zanQueryMaskLineInfo(zanHandle mask, int32_t y, const ZanMaskLine** info) {
  if (info == nullptr) return ZAN_OK;
  *info = nullptr;
  return guardCode([&] {
    Locked<RectMask> locked(mask);
    if (locked) *info = maskLine(*locked, y);
  });
}

ZAN_API int32_t zanGetMaskBoundRect(zanHandle mask, RECT* rect) {
  if (rect == nullptr) return ZAN_OK;
  return guardCode([&] {
    Locked<RectMask> locked(mask);
    if (locked) *rect = locked->bound;
  });
}

}  // extern "C"
