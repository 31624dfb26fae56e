// The picture's built-in properties.
#include "picture.h"
#include "pixel_format.h"
#include "property_store.h"

namespace tessaly::engine {
namespace {

Picture& pictureOf(HandleObject* self) {
  return *reinterpret_cast<Picture*>(self);
}

bool isSize(int32_t v) {
  return v >= 0;
}

}  // namespace

int32_t pictureSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                       uint32_t /*flags*/) {
  Picture& picture = pictureOf(self);
  switch (id) {
    case ZAN_PICT_SOURCEFORMAT:
      return storeValue(picture.sourceFormat, data, size);
    case ZAN_PICT_WIDTH:
      return storeValue(picture.width, data, size, isSize);
    case ZAN_PICT_HEIGHT:
      return storeValue(picture.height, data, size, isSize);
    case ZAN_PICT_MODIFIED:
      return storeValue(picture.modified, data, size);
    case ZAN_PICT_VALUE207:
      return storeValue(picture.auxLayer, data, size);
    case ZAN_PICT_BPP:
      return storeValue(picture.bitsPerPixel, data, size, isValidBpp);
    case ZAN_PICT_UNDOLIMIT:
      return storeValue(picture.undoLimit, data, size);
    case ZAN_PICT_PALETTE:
      return storeValue(picture.palette, data, size);
    case ZAN_PICT_CURRENTLAYER:
      return storeValue(picture.currentLayer, data, size);
    case ZAN_PICT_VALUE217:
      return storeValue(picture.userValue, data, size);
    default:
      return 0;  // the generic store, also for -201, -206 and -215
  }
}

int32_t pictureGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size,
                       uint32_t /*flags*/) {
  Picture& picture = pictureOf(self);
  switch (id) {
    case ZAN_PICT_SOURCEFORMAT:
      return giveValue(buffer, size, picture.sourceFormat);
    case ZAN_PICT_WIDTH:
      return giveValue(buffer, size, picture.width);
    case ZAN_PICT_HEIGHT:
      return giveValue(buffer, size, picture.height);
    case ZAN_PICT_MODIFIED:
      return giveValue(buffer, size, picture.modified);
    case ZAN_PICT_LAYERCOUNT:
      return giveValue(buffer, size, picture.layers.count);
    case ZAN_PICT_VALUE207:
      return giveValue(buffer, size, picture.auxLayer);
    case ZAN_PICT_BPP:
      return giveValue(buffer, size, picture.bitsPerPixel);
    case ZAN_PICT_UNDOLIMIT:
      return giveValue(buffer, size, picture.undoLimit);
    case ZAN_PICT_PALETTE:
      return giveValue(buffer, size, picture.palette);
    case ZAN_PICT_CURRENTLAYER:
      return giveValue(buffer, size, currentLayerIndex(picture));
    case ZAN_PICT_VIEWCOUNT:
      return giveValue(buffer, size, picture.views.count);
    case ZAN_PICT_VALUE217:
      return giveValue(buffer, size, picture.userValue);
    default:
      return 0;  // the generic store, also for -201
  }
}

}  // namespace tessaly::engine
