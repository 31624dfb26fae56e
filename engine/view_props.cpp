// The built-in properties of views. A new value of the view's own settings is told to the cache
// first (it decides what to compose again from the old and the new state), then stored.
#include "property_store.h"
#include "rect_util.h"
#include "view.h"
#include "view_gamma.h"
#include "zanengin.h"

namespace tessaly::engine {
namespace {

View& viewOf(HandleObject* self) {
  return *reinterpret_cast<View*>(self);
}

bool isGamma(int32_t id) {
  return id == ZAN_VIEW_GAMMA_RED || id == ZAN_VIEW_GAMMA_GREEN || id == ZAN_VIEW_GAMMA_BLUE;
}
GammaChannel channelOf(int32_t id) {
  return static_cast<GammaChannel>(ZAN_VIEW_GAMMA_RED - id);
}

const RECT kNoRect{0, 0, 0, 0};

// A 32-bit stored value: compared, told, stored.
int32_t setValue(View& view, int32_t id, int32_t& field, const void* data, uint32_t size) {
  int32_t value = 0;
  if (!takeValue(data, size, value)) return ZAN_ERR_ARG;
  if (value != field) {
    tellCache(view, id, kNoRect);
    field = value;
  }
  return sizeof value;
}

int32_t setRect(View& view, const void* data, uint32_t size) {
  RECT rect{};
  if (!takeValue(data, size, rect) || rect.right < rect.left || rect.bottom < rect.top)
    return ZAN_ERR_ARG;
  if (!sameRect(rect, view.rect)) {
    tellCache(view, ZAN_VIEW_RECT, rect);
    view.rect = rect;
  }
  return sizeof rect;
}

int32_t setZoom(View& view, const void* data, uint32_t size) {
  int32_t zoom[2] = {0, 0};
  if (!takeValue(data, size, zoom)) return ZAN_ERR_ARG;
  // A ratio that is not positive maps nothing anywhere and divides by zero on the way back.
  if (zoom[0] <= 0 || zoom[1] <= 0) return ZAN_ERR_ARG;
  if (zoom[0] != view.zoomNumerator || zoom[1] != view.zoomDenominator) {
    tellCache(view, ZAN_VIEW_ZOOM, kNoRect);
    view.zoomNumerator = zoom[0];
    view.zoomDenominator = zoom[1];
  }
  return sizeof zoom;
}

int32_t setScroll(View& view, const void* data, uint32_t size) {
  int32_t scroll[2] = {0, 0};
  if (!takeValue(data, size, scroll)) return ZAN_ERR_ARG;
  if (scroll[0] != view.scrollX || scroll[1] != view.scrollY) {
    tellCache(view, ZAN_VIEW_SCROLL, kNoRect);
    view.scrollX = scroll[0];
    view.scrollY = scroll[1];
  }
  return sizeof scroll;
}

int32_t setPicture(View& view, const void* data, uint32_t size) {
  zanHandle picture = 0;
  if (!takeValue(data, size, picture)) return ZAN_ERR_ARG;
  if (picture != view.picture) {
    tellCache(view, ZAN_VIEW_PICTURE, kNoRect);
    attachPicture(view, picture);
  }
  return sizeof picture;
}

}  // namespace

int32_t viewSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                    uint32_t /*flags*/) {
  View& view = viewOf(self);
  switch (id) {
    case ZAN_VIEW_RECT:
      return setRect(view, data, size);
    case ZAN_VIEW_ZOOM:
      return setZoom(view, data, size);
    case ZAN_VIEW_SCROLL:
      return setScroll(view, data, size);
    case ZAN_VIEW_PICTURE:
      return setPicture(view, data, size);
    case ZAN_VIEW_VALUE306:
      return setValue(view, id, view.value306, data, size);
    case ZAN_VIEW_VALUE308:
      return setValue(view, id, view.value308, data, size);
    case ZAN_VIEW_VALUE309:
      return setValue(view, id, view.value309, data, size);
    default:
      break;
  }
  if (isGamma(id)) {
    int32_t value = 0;
    if (!takeValue(data, size, value)) return ZAN_ERR_ARG;
    setGammaValue(channelOf(id), value);
    return sizeof value;
  }
  return 0;
}

int32_t viewGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size,
                    uint32_t /*flags*/) {
  const View& view = viewOf(self);
  switch (id) {
    case ZAN_VIEW_RECT:
      return giveValue(buffer, size, view.rect);
    case ZAN_VIEW_ZOOM: {
      const int32_t zoom[2] = {view.zoomNumerator, view.zoomDenominator};
      return giveValue(buffer, size, zoom);
    }
    case ZAN_VIEW_SCROLL: {
      const int32_t scroll[2] = {view.scrollX, view.scrollY};
      return giveValue(buffer, size, scroll);
    }
    case ZAN_VIEW_PICTURE:
      return giveValue(buffer, size, view.picture);
    case ZAN_VIEW_VALUE306:
      return giveValue(buffer, size, view.value306);
    case ZAN_VIEW_VALUE309:
      return giveValue(buffer, size, view.value309);
    default:
      break;
  }
  if (isGamma(id)) return giveValue(buffer, size, gammaValue(channelOf(id)));
  return 0;
}

}  // namespace tessaly::engine
