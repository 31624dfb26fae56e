// Pictures: the class table, creating and destroying, and changes reaching the picture.
#include "picture.h"

#include "property_store.h"
#include "view.h"

namespace tessaly::engine {
namespace {

void destroyPictureOp(HandleObject* self, uint32_t flags) {
  auto* picture = reinterpret_cast<Picture*>(self);
  destroyObject(std::exchange(picture->selection, 0));
  destroyObject(std::exchange(picture->auxLayer, 0));
  zanHandle owned = 0;
  if (storeGet(self, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned) == sizeof owned && owned != 0)
    zanHeapFree(0, owned);
  destroyObject(std::exchange(picture->undoHistory, 0));
  for (const zanHandle layer : picture->layers.snapshot()) destroyObject(layer);
  picture->layers.release();
  // Views are not owned: they only lose their picture, so that none keeps a handle that a later
  // object may reuse.
  for (const zanHandle view : picture->views.snapshot()) forgetPicture(view, self->handle);
  picture->views.release();
  finishDestroy(self, flags);
}

// Every change that reaches the picture goes on to its views and marks the picture modified.
void pictureNotify(HandleObject* self, int32_t code, const RECT& rect) {
  auto* picture = reinterpret_cast<Picture*>(self);
  for (const zanHandle view : picture->views.snapshot()) sendChange(view, code, rect);
  picture->modified = 1;
}

}  // namespace

const ObjectOps Picture::ops = {destroyPictureOp, baseUnlock,      pictureSetHook, pictureGetHook,
                                pictureNotify,    ZAN_TAG_PICTURE, sizeof(Picture)};

zanHandle createPicture() {
  return createObject<Picture>([](Picture& picture) {
    picture.currentLayer = 1;
    picture.bitsPerPixel = 24;
  });
}

int32_t currentLayerIndex(Picture& picture) {
  const auto count = static_cast<int32_t>(picture.layers.count);
  if (picture.currentLayer > count) picture.currentLayer = count;
  if (picture.currentLayer < 0) picture.currentLayer = 0;
  return picture.currentLayer;
}

}  // namespace tessaly::engine
