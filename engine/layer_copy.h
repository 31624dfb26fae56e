// Moving pixels between layers: copying a part of one layer into another, cutting the selected
// part of a layer away through its mask, and building or merging down a floating layer.
#pragma once

#include "layer.h"
#include "zanEngDefs.h"

namespace tessaly::engine {

// Copies the part of source inside rect (picture coordinates; null: all of it) into target so
// that the rect's left-top lands on point (picture coordinates; null: 0, 0), clipped to both
// layers on every side. Uniform source tiles are written as fills. ZAN_ERR_ARG when the depths
// differ.
int32_t copyLayer(zanHandle target, zanHandle source, const POINT* point, const RECT* rect);

// Makes the pixels under non-zero selection values transparent through the layer's mask (made,
// fully opaque, when the layer has none). Answers 1.
int32_t cutLayer(Layer& layer, zanHandle selection);

// A floating layer holding the layer's pixels under the selection (0: all of them) with a mask of
// what was selected; 0 when they do not meet. With keep 0 the selection is then cut from the
// layer. Throws on failure; nothing made is left.
zanHandle makeFloatingLayer(zanHandle layer, zanHandle selection, bool keep);

// The layer merged with its floating layer over the union of their rectangles, as a new layer
// with the layer's properties and a mask of the merged coverage. ZAN_ERR_ARG without a floating
// layer.
zanHandle mergeFloatingLayer(zanHandle layer);

// A layer of kind 2 showing the caller's bitmap, which must outlive the layer: its rectangle is
// (left, top, left + width, top + height), one tile of the whole size. ZAN_ERR_ARG for a bad
// size, depth or pixel pointer.
zanHandle wrapBitmap(const ZanBitmap& bitmap);

}  // namespace tessaly::engine
