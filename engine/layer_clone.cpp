// Cloning a layer: geometry and stored values, generic properties, palette and text record, and
// the pixels when asked for.
#include "heap_copy.h"
#include "layer.h"
#include "owned.h"
#include "property_store.h"

namespace tessaly::engine {
namespace {

// The built-in values a clone takes over, in the order they are set on it.
constexpr int32_t kClonedProperties[] = {ZAN_LAYER_RECT,    ZAN_LAYER_USER1, ZAN_LAYER_USER2,
                                         ZAN_LAYER_OPACITY, ZAN_LAYER_BPP,   ZAN_LAYER_KIND,
                                         ZAN_LAYER_VISIBLE, ZAN_LAYER_TILEW, ZAN_LAYER_TILEH};

void copyInto(Layer& copy, Layer& source, bool withPixels) {
  for (const int32_t id : kClonedProperties) {
    RECT value{};  // large enough for every value above
    const int32_t size = getProperty(&source.base, id, &value, sizeof value);
    setLayerProperty(copy, id, &value, static_cast<uint32_t>(size), 0);
  }
  copyPropertyStore(&copy.base, &source.base);
  copy.palette = duplicateBlock(source.palette);
  if (source.textRecord != 0) {
    unsigned char record[ZAN_TEXT_RECORD_SIZE];
    readTextRecord(source, record, sizeof record);
    storeTextRecord(copy, record, sizeof record);
  }
  if (withPixels && source.dataLayer != 0) {
    OwnedObject pixels(cloneDataLayer(source.dataLayer));
    useDataLayer(copy, pixels.get());
    pixels.release();
  }
}

}  // namespace

zanHandle cloneLayer(zanHandle layer, bool withPixels) {
  Locked<Layer> source = lockOrThrow<Layer>(layer);
  OwnedObject owned(createLayer(source->rect));
  Locked<Layer> copy = lockOrThrow<Layer>(owned.get());
  copy.markModified();
  copyInto(*copy, *source, withPixels);
  return owned.release();
}

}  // namespace tessaly::engine
