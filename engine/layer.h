// Layers: a rectangle of pixels placed in a picture, with its properties, masks, reduced copies
// and text record. The pixels themselves are in the layer's data layer (data_layer.h), in layer
// coordinates: (0, 0) is the layer's left-top pixel, so moving a layer touches no pixel.
#pragma once

#include <cstdint>

#include "data_layer.h"
#include "object.h"

namespace tessaly::engine {

constexpr int kReducedLevels = 10;
constexpr uint32_t kTransformBytes = 9 * sizeof(double);
constexpr int32_t kDefaultTileSize = 256;

struct Layer {
  HandleObject base;
  zanHandle dataLayer;   // 0 until pixels are first needed
  zanHandle picture;     // owning picture, 0 while in none
  zanHandle mask;        // mask layer, owned
  zanHandle externMask;  // external mask, owned; the tag is LAYX while it is set
  zanHandle palette;     // palette block, owned
  int32_t visible;
  int32_t index;       // 1-based place in the picture
  int32_t userValue1;  // -106 and -107: the caller's values, stored, copied and returned
  int32_t userValue2;
  uint8_t opacity;
  int32_t bitsPerPixel;
  int32_t tileWidth;
  int32_t tileHeight;
  int32_t kind;
  int32_t toolTag;
  RECT rect;  // picture coordinates
  // Entry k is the layer halved k + 1 times, built by views for zoomed-out display.
  zanHandle reducedCopies[kReducedLevels];
  int32_t cacheKey;
  zanHandle textRecord;     // text record block (ZAN_TEXT_RECORD_SIZE bytes), owned
  zanHandle floatingLayer;  // floating layer, owned
  zanHandle transform;      // block of a 3 x 3 matrix of doubles (row vectors), owned, or 0
  zanHandle ownedObject;    // another engine object the layer owns, or 0

  int32_t width() const { return rect.right - rect.left; }
  int32_t height() const { return rect.bottom - rect.top; }
  DataGeometry geometry() const {
    return DataGeometry{width(), height(), tileWidth, tileHeight, bitsPerPixel, kind};
  }

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<Layer> && std::is_standard_layout_v<Layer>);

// True when right < left, bottom < top, or the size does not fit in 32 bits.
bool isBadLayerRect(const RECT& rect);

// A new layer with the rectangle and the defaults. Throws ZAN_ERR_ARG for a bad rectangle.
zanHandle createLayer(const RECT& rect);

// Sets a property through the layer's hooks or its store and announces the change to the
// picture with the identifier as code. Returns what setProperty returns.
int32_t setLayerProperty(Layer& layer, int32_t id, const void* data, uint32_t size, uint32_t flags);
// Makes picture (0: none) the owner of the layer and of its mask.
void setLayerPicture(Layer& layer, zanHandle picture);

// The layer's property hooks (layer_props.cpp).
int32_t layerSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                     uint32_t flags);
int32_t layerGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size, uint32_t flags);

// Moves or resizes the layer (its mask follows); a new size re-lays the tile grid. Returns the
// bytes taken (16) or ZAN_ERR_ARG.
int32_t setLayerRect(Layer& layer, const RECT& rect);

// The layer's data layer, made (with the layer's geometry) when it has none. Throws
// ZAN_ERR_CREATE.
zanHandle ensureDataLayer(Layer& layer);
// Switches the layer to another data layer (0: none); the previous one goes when unused.
void useDataLayer(Layer& layer, zanHandle dataLayer);
// Lays the data layer's grid out again with the geometry the layer is about to take (pixels are
// dropped). The layer stores its new values only once this went through, so a failure leaves the
// layer and its grid as they were.
void relayTiles(Layer& layer, const DataGeometry& geometry);

// Reduced copies.
void destroyReducedCopies(Layer& layer);
void setReducedCopy(Layer& layer, int level, zanHandle copy);
// Marks a change (picture coordinates) in every reduced copy, halving it level by level.
void markReducedCopies(Layer& layer, const RECT& rect);

// The text record: store copies the record and the text it names; read copies the record and
// always answers 4; free drops both.
int32_t storeTextRecord(Layer& layer, const void* record, uint32_t size);
int32_t readTextRecord(Layer& layer, void* buffer, uint32_t size);
void freeTextRecord(Layer& layer);

// The layer's rectangle united with its floating layer's: what an arrangement change covers.
RECT arrangementRect(const Layer& layer);

// A new layer, in no picture, with the same rectangle, the stored properties, generic
// properties, a copy of the palette and of the text record, and with withPixels a copy of the
// pixels. The mask is not cloned. Throws; nothing is left of a failed clone.
zanHandle cloneLayer(zanHandle layer, bool withPixels);

}  // namespace tessaly::engine
