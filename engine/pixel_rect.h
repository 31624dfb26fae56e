// Reading and writing a rectangle of a layer's pixels, tile by tile.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "layer.h"

namespace tessaly::engine {

// The table positions and entries of the tiles that a rectangle (layer coordinates, already
// clipped to the grid) touches, row by row.
std::vector<std::pair<uint32_t, TileEntry>> tilesUnder(const DataLayer& data, const RECT& clip);

// Copies the layer's pixels inside rect (layer coordinates, clipped to the layer) into buffer,
// whose first byte stands for (rect.left, rect.top) and whose rows are stride bytes apart.
// Tiles without a block leave the buffer as it was. Throws ZAN_ERR_ARG when the layer's bits per
// pixel differ from its data layer's (the caller's buffer would not match).
void copyOut(Layer& layer, unsigned char* buffer, const RECT& rect, int32_t stride);

// Writes data (laid out as for copyOut), or with data null the fill value, into rect. Throws
// ZAN_ERR_CREATE when a data layer or block cannot be made, ZAN_ERR_LOCK when a block's memory
// will not lock, ZAN_ERR_ARG for a bits-per-pixel mismatch as above.
void writeIn(Layer& layer, const unsigned char* data, const RECT& rect, int32_t stride,
             int32_t value);

}  // namespace tessaly::engine
