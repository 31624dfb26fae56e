// Exported functions of pictures. Each locks its handle, works and unlocks before returning; a
// zero handle or one that is not a picture gives the neutral result.
#include <algorithm>

#include "export_guard.h"
#include "export_properties.h"
#include "layer.h"
#include "picture.h"
#include "property_store.h"
#include "zanengin.h"

using namespace tessaly::engine;

namespace {

int32_t clampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanCreatePicture(int32_t* error) {
  return guardCreate<zanHandle>(error, [] { return createPicture(); });
}

ZAN_API int32_t zanDestroyPicture(zanHandle picture) {
  return guardCode([&] {
    Locked<Picture> locked(picture);
    destroyLocked(locked);
  });
}

ZAN_API zanHandle zanClonePicture(zanHandle picture, int32_t withLayers, int32_t* error) {
  if (picture == 0) return 0;
  return guardCreate<zanHandle>(error, [&] { return clonePicture(picture, withLayers != 0); });
}

ZAN_API int32_t zanClonePictureProp(zanHandle target, zanHandle source, void* /*reserved*/) {
  return guardStatus([&] {
    Locked<Picture> to(target, true);
    Locked<Picture> from(source);
    if (!to || !from) return ZAN_ERR_FAILED;
    if (target != source) copyPictureProperties(*to, *from);
    return ZAN_OK;
  });
}

ZAN_API int32_t zanGetPictureProperty(zanHandle picture, int32_t id, void* buffer, uint32_t size,
                                      int32_t* outCount) {
  // A read of the current layer stores the clamped value back.
  return exportGetProperty<Picture>(picture, id, buffer, size, outCount,
                                    id == ZAN_PICT_CURRENTLAYER);
}

ZAN_API int32_t zanSetPictureProperty(zanHandle picture, int32_t id, const void* data,
                                      uint32_t size, uint32_t flags) {
  return guardStatus([&] {
    Locked<Picture> locked(picture, true);
    return locked ? setProperty(locked.base(), id, data, size, flags) : 0;
  });
}

ZAN_API int32_t zanEnumPictureProperties(zanHandle picture, ZanPropEnumProc callback, void* user) {
  return exportEnumProperties<Picture>(picture, callback, user);
}

ZAN_API int32_t zanPictureGetSize(zanHandle picture, const int32_t* ratio, int32_t* width,
                                  int32_t* height) {
  const int64_t numerator = ratio != nullptr ? ratio[0] : 1;
  const int64_t denominator = ratio != nullptr ? ratio[1] : 1;
  if (denominator == 0) return ZAN_ERR_ARG;
  return guardStatus([&] {
    Locked<Picture> locked(picture);
    if (!locked) return ZAN_OK;
    if (width != nullptr) *width = clampToInt32(locked->width * numerator / denominator);
    if (height != nullptr) *height = clampToInt32(locked->height * numerator / denominator);
    return ZAN_OK;
  });
}

ZAN_API zanHandle zanGetLayer(zanHandle picture, int32_t index, void* /*reserved*/) {
  return guardResult<zanHandle>([&] {
    Locked<Picture> locked(picture);
    return locked ? layerAt(*locked, index) : 0;
  });
}

ZAN_API int32_t zanCheckBaseObjectType(zanHandle handle, int32_t kind) {
  static constexpr uint32_t kTags[] = {ZAN_TAG_LAYER, ZAN_TAG_PICTURE, ZAN_TAG_VIEW};
  if (kind < 0 || kind > 2) return 0;
  return guardResult<int32_t>([&] {
    Locked<HandleObject> object(handle);
    return object && object->tag == kTags[kind] ? 1 : 0;
  });
}

}  // extern "C"
