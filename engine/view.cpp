// Views: the class table, creating, cloning and destroying, the picture a view shows and the
// visibility list that follows that picture's layer list.
#include "view.h"

#include <algorithm>

#include "layer.h"
#include "picture.h"
#include "property_store.h"
#include "zanengin.h"

namespace tessaly::engine {
namespace {

void leavePicture(View& view) {
  Locked<Picture> picture(view.picture, true);
  if (picture) {
    const int64_t at = picture->views.find(view.base.handle);
    if (at >= 0) picture->views.erase(static_cast<uint32_t>(at));
  }
  view.picture = 0;
}

void destroyViewOp(HandleObject* self, uint32_t flags) {
  auto* view = reinterpret_cast<View*>(self);
  leavePicture(*view);
  dropCache(*view);
  view->visibility.release();
  finishDestroy(self, flags);
}

// Changes reaching the view from its picture go to its cache.
void viewNotify(HandleObject* self, int32_t code, const RECT& rect) {
  tellCache(*reinterpret_cast<View*>(self), code, rect);
}

}  // namespace

const ObjectOps View::ops = {destroyViewOp, baseUnlock,   viewSetHook, viewGetHook,
                             viewNotify,    ZAN_TAG_VIEW, sizeof(View)};

RECT View::area() const {
  return RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
}

zanHandle createView(int32_t value306) {
  return createObject<View>([&](View& view) {
    view.zoomNumerator = 1;
    view.zoomDenominator = 1;
    view.qualityGrade = 1;
    view.value306 = value306;
  });
}

zanHandle cloneView(const View& source) {
  const int32_t numerator = source.zoomNumerator;
  const int32_t denominator = source.zoomDenominator;
  const int32_t grade = source.qualityGrade;
  return createObject<View>([&](View& view) {
    view.zoomNumerator = numerator;
    view.zoomDenominator = denominator;
    view.qualityGrade = grade;
  });
}

void attachPicture(View& view, zanHandle pictureHandle) {
  Locked<Picture> picture;
  if (pictureHandle != 0) {
    picture = lockOrThrow<Picture>(pictureHandle, ZAN_ERR_ARG);
    picture.markModified();
  }
  // Room first, so that a failure leaves the view where it was.
  if (picture && picture->views.find(view.base.handle) < 0)
    picture->views.reserve(picture->views.count + 1);
  const uint32_t layers = picture ? picture->layers.count : 0;
  view.visibility.reserve(layers);
  if (view.picture != pictureHandle) leavePicture(view);
  if (picture && picture->views.find(view.base.handle) < 0) picture->views.append(view.base.handle);
  view.picture = pictureHandle;
  view.visibility.resetTo(layers);
  for (uint32_t i = 0; i < layers; ++i) view.visibility.put(i, kFollowLayerFlag);
}

void forgetPicture(zanHandle viewHandle, zanHandle picture) noexcept {
  try {
    Locked<View> view(viewHandle, true);
    if (!view || view->picture != picture) return;
    view->picture = 0;
    view->visibility.resetTo(0);
    const RECT none{0, 0, 0, 0};
    tellCache(*view, ZAN_VIEW_PICTURE, none);
  } catch (...) {
    // The view is left showing nothing; the picture goes either way.
  }
}

void layerEnteredViews(const Picture& picture, int32_t index) {
  for (const zanHandle handle : picture.views.snapshot()) {
    Locked<View> view(handle, true);
    if (!view || index < 1) continue;
    const auto at = std::min(static_cast<uint32_t>(index - 1), view->visibility.count);
    view->visibility.insert(at, kFollowLayerFlag);
  }
}

void layerLeftViews(const Picture& picture, int32_t index) {
  for (const zanHandle handle : picture.views.snapshot()) {
    Locked<View> view(handle, true);
    if (view && index >= 1) view->visibility.erase(static_cast<uint32_t>(index - 1));
  }
}

int32_t layerVisibility(const View& view, int32_t index) {
  if (index < 1 || static_cast<uint32_t>(index) > view.visibility.count) return ZAN_ERR_ARG;
  return view.visibility.get(static_cast<uint32_t>(index - 1));
}

int32_t setLayerVisibility(View& view, int32_t index, int32_t value) {
  const int32_t previous = layerVisibility(view, index);
  if (previous == ZAN_ERR_ARG) return previous;
  view.visibility.put(static_cast<uint32_t>(index - 1), value);
  RECT layerRect{0, 0, 0, 0};
  {
    Locked<Picture> picture(view.picture);
    if (picture) {
      Locked<Layer> layer(layerAt(*picture, index));
      if (layer) layerRect = layer->rect;
    }
  }
  tellCache(view, ZAN_CHANGE_VISIBILITY, layerRect);
  return previous;
}

}  // namespace tessaly::engine
