// Pictures: a canvas holding an ordered list of layers (index 1 at the bottom), the views that
// show it, its undo history, selection and stored values.
#pragma once

#include <cstdint>

#include "object.h"

namespace tessaly::engine {

struct Picture {
  HandleObject base;
  int32_t width;
  int32_t height;
  zanHandle undoHistory;        // undo history, owned
  HeapArray<zanHandle> layers;  // owned, bottom first
  HeapArray<zanHandle> views;   // attached views (not owned)
  int32_t currentLayer;         // 1-based
  int32_t modified;
  int32_t bitsPerPixel;
  zanHandle palette;    // not owned: a layer's palette or the caller's block
  int32_t userValue;    // -217: the caller's value, stored, copied and returned
  zanHandle auxLayer;   // owned
  zanHandle selection;  // owned
  uint32_t sourceFormat;
  int32_t undoLimit;

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<Picture> && std::is_standard_layout_v<Picture>);

zanHandle createPicture();

// The property hooks (picture_props.cpp).
int32_t pictureSetHook(HandleObject* self, int32_t id, const void* data, uint32_t size,
                       uint32_t flags);
int32_t pictureGetHook(HandleObject* self, int32_t id, void* buffer, uint32_t size, uint32_t flags);

// The current layer, first clamped to 0 ... layer count and stored back.
int32_t currentLayerIndex(Picture& picture);

// The layer list (picture_layers.cpp). insertLayer puts the layer before position index (0 or
// past the end: on top) and answers its index; a layer already in a picture is refused with
// ZAN_ERR_ARG. removeLayer takes the layer out (it stays alive) and answers it, or 0 for an
// index outside 1 ... count. Both announce ZAN_CHANGE_ARRANGEMENT.
int32_t insertLayer(Picture& picture, zanHandle layer, int32_t index);
zanHandle removeLayer(Picture& picture, int32_t index);
zanHandle layerAt(const Picture& picture, int32_t index);
// The 1-based place of the layer in the list, 0 when it is not there.
int32_t indexOfLayer(const Picture& picture, zanHandle layer);

// Exchanges the layers at two 1-based indices (the current layer moves along) and announces
// ZAN_CHANGE_ARRANGEMENT over both; ZAN_ERR_ARG when either is out of range (picture_swap.cpp).
int32_t swapLayers(Picture& picture, int32_t a, int32_t b);
// The lowest index whose layer has a floating layer, 0 when none has.
int32_t findLayerWithFloat(const Picture& picture);

// Copies the settable built-in values and the generic store of source onto target; the
// auxiliary layer and the owned block are copied so each picture owns its own (picture_clone.cpp).
void copyPictureProperties(Picture& target, Picture& source);
// A new picture with source's properties and, with withLayers, clones of its layers (pixels and
// masks included). Throws; nothing is left of a failed clone.
zanHandle clonePicture(zanHandle source, bool withLayers);

}  // namespace tessaly::engine
