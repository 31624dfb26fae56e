// Exported functions of views: creating and destroying, properties, visibility, the cache,
// drawing, the selection outline and point conversion.
#include "export_guard.h"
#include "export_properties.h"
#include "layer.h"
#include "property_store.h"
#include "rect_util.h"
#include "view.h"
#include "view_draw.h"
#include "view_selection.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

// The layer's mapping between picture and layer coordinates; false for a zero or foreign layer.
bool layerMappingOf(zanHandle layer, PointMapping& mapping) {
  Locked<Layer> locked(layer);
  if (!locked) return false;
  mapping = layerMapping(locked->rect.left, locked->rect.top);
  return true;
}

bool viewMappingOf(zanHandle view, PointMapping& mapping) {
  Locked<View> locked(view);
  if (!locked) return false;
  mapping = locked->mapping();
  return true;
}

// The area a caller asks for: the view's area, cut to rect when given.
RECT requestedArea(const View& view, const RECT* rect) {
  return rect != nullptr ? intersect(*rect, view.area()) : view.area();
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanCreateView(int32_t value, int32_t* error) {
  return guardCreate<zanHandle>(error, [&] { return createView(value); });
}

ZAN_API zanHandle zanCloneView(zanHandle view, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<View> source(view);
    return source ? cloneView(*source) : 0;
  });
}

ZAN_API int32_t zanDestroyView(zanHandle view) {
  return guardCode([&] {
    if (Locked<View>(view)) destroyObject(view);
  });
}

ZAN_API int32_t zanGetViewProperty(zanHandle view, int32_t id, void* buffer, uint32_t size,
                                   int32_t* outCount) {
  return exportGetProperty<View>(view, id, buffer, size, outCount, false);
}

ZAN_API int32_t zanSetViewProperty(zanHandle view, int32_t id, const void* data, uint32_t size,
                                   uint32_t flags) {
  guardCode([&] {
    Locked<View> locked(view, true);
    if (locked) setProperty(locked.base(), id, data, size, flags);
  });
  return 1;
}

ZAN_API int32_t zanGetLayerVisibility(zanHandle view, int32_t index) {
  return guardStatus([&] {
    Locked<View> locked(view);
    return locked ? layerVisibility(*locked, index) : ZAN_ERR_ARG;
  });
}

ZAN_API int32_t zanSetLayerVisibility(zanHandle view, int32_t index, int32_t value) {
  return guardStatus([&] {
    Locked<View> locked(view, true);
    return locked ? setLayerVisibility(*locked, index, value) : ZAN_ERR_ARG;
  });
}

ZAN_API int32_t zanViewSetShowQualityGrade(zanHandle view, int32_t grade) {
  if (view == 0 || (grade != 0 && grade != 1)) return ZAN_ERR_ARG;
  return guardStatus([&] {
    Locked<View> locked(view, true);
    if (!locked) return ZAN_ERR_LOCK;
    locked->qualityGrade = grade;
    return ZAN_OK;
  });
}

ZAN_API int32_t zanViewGetDirty(zanHandle view, RECT* rect) {
  if (view == 0 || rect == nullptr) return ZAN_ERR_ARG;
  *rect = RECT{0, 0, 0, 0};
  return guardStatus([&] {
    Locked<View> locked(view);
    return locked ? cacheDirty(*locked, *rect) : ZAN_ERR_LOCK;
  });
}

ZAN_API zanHandle zanGetViewCache(zanHandle view, int32_t kind) {
  if (kind < 1 || kind > 3) return 0;
  return guardResult<zanHandle>([&] {
    Locked<View> locked(view, true);
    return locked ? refreshCache(*locked, locked->area()) : 0;
  });
}

ZAN_API int32_t zanDrawView(zanHandle view, const ZanDevice* device, const RECT* rect,
                            int32_t useCache) {
  if (rect != nullptr && isEmpty(*rect)) return ZAN_ERR_ARG;
  if (view == 0 || device == nullptr || device->display == nullptr) return ZAN_OK;
  // A failure part way leaves what was drawn; the caller learns nothing more from a code.
  guardCode([&] {
    Locked<View> locked(view, true);
    if (!locked) return;
    const RECT area = requestedArea(*locked, rect);
    if (!isEmpty(area)) drawView(*locked, *device, area, useCache != 0);
  });
  return ZAN_OK;
}

ZAN_API int32_t zanGetZoomLevel(zanHandle /*view*/) {
  return 0;
}

ZAN_API int32_t zanShowSelection(zanHandle view, const ZanDevice* device, const RECT* rect,
                                 int32_t flag) {
  if (view == 0) return 1;
  bool locked = false;
  guardCode([&] {
    Locked<View> owner(view);
    if (!owner) return;
    locked = true;
    const RECT area = requestedArea(*owner, rect);
    if (device != nullptr && device->display != nullptr && !isEmpty(area))
      showSelection(*owner, *device, area, flag);
  });
  return locked ? 1 : ZAN_ERR_CREATE;
}

ZAN_API int32_t zanLPtoPP(zanHandle layer, POINT* points, int32_t count) {
  PointMapping mapping{};
  if (points != nullptr && layerMappingOf(layer, mapping)) mapping.inverse(points, count);
  return ZAN_OK;
}

ZAN_API int32_t zanPPtoLP(zanHandle layer, POINT* points, int32_t count) {
  PointMapping mapping{};
  if (points != nullptr && layerMappingOf(layer, mapping)) mapping.forward(points, count);
  return ZAN_OK;
}

ZAN_API int32_t zanPPtoVP(zanHandle view, POINT* points, int32_t count) {
  PointMapping mapping{};
  if (points != nullptr && viewMappingOf(view, mapping)) mapping.forward(points, count);
  return ZAN_OK;
}

ZAN_API int32_t zanVPtoPP(zanHandle view, POINT* points, int32_t count) {
  PointMapping mapping{};
  if (points != nullptr && viewMappingOf(view, mapping)) mapping.inverse(points, count);
  return ZAN_OK;
}

ZAN_API int32_t zanLPtoVP(zanHandle layer, zanHandle view, POINT* points, int32_t count) {
  PointMapping toPicture{};
  PointMapping toView{};
  if (points == nullptr || !layerMappingOf(layer, toPicture) || !viewMappingOf(view, toView))
    return ZAN_OK;
  toPicture.inverse(points, count);
  toView.forward(points, count);
  return ZAN_OK;
}

ZAN_API int32_t zanVPtoLP(zanHandle view, zanHandle layer, POINT* points, int32_t count) {
  PointMapping toPicture{};
  PointMapping toLayer{};
  if (points == nullptr || !viewMappingOf(view, toPicture) || !layerMappingOf(layer, toLayer))
    return ZAN_OK;
  toPicture.inverse(points, count);
  toLayer.forward(points, count);
  return ZAN_OK;
}

}  // extern "C"
