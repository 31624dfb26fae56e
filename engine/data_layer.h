// Data layers: the tile table behind one or more layers.
//
// A data layer cuts width x height pixels into a grid of tiles (tile_grid.h) and keeps one entry
// per tile: the tile's block (0 until something is written there), the tile's rectangle and the
// part of the tile changed since the views last looked. Several layers may share one data layer;
// each attached layer hears about every modified block, moved by its own origin.
#pragma once

#include <cstdint>

#include "object.h"
#include "tile_grid.h"

namespace tessaly::engine {

struct TileEntry {
  zanHandle block;  // 0 = no block yet
  RECT rect;        // the tile, in layer coordinates
  RECT changed;     // the part changed since the views last looked
};
static_assert(std::is_trivially_copyable_v<TileEntry>);

struct DataLayer {
  HandleObject base;
  int32_t bitsPerPixel;
  int32_t tileWidth;
  int32_t tileHeight;
  int32_t kind;
  int32_t width;
  int32_t height;
  HeapArray<TileEntry> tiles;
  HeapArray<zanHandle> layers;  // the attached layers

  TileGrid grid() const { return TileGrid{width, height, tileWidth, tileHeight}; }

  static const ObjectOps ops;
};
static_assert(std::is_trivially_copyable_v<DataLayer> && std::is_standard_layout_v<DataLayer>);

// The geometry a data layer takes from the layer that makes it.
struct DataGeometry {
  int32_t width;
  int32_t height;
  int32_t tileWidth;
  int32_t tileHeight;
  int32_t bitsPerPixel;
  int32_t kind;
};

// A new data layer with its grid laid out and no attached layer. Throws ZAN_ERR_CREATE.
zanHandle createDataLayer(const DataGeometry& geometry);

// Takes the geometry and lays the grid out again: every tile loses its block (blocks nobody holds
// are destroyed), rectangles are recomputed, every changed rectangle is the whole tile.
void relayDataLayer(DataLayer& data, const DataGeometry& geometry);

// Attaching and detaching a layer. Detaching the last layer destroys the data layer.
void attachLayer(DataLayer& data, zanHandle layer);
void detachLayer(zanHandle data, zanHandle layer);

// A copy with clones of every block whose memory locks. Throws when memory runs out.
zanHandle cloneDataLayer(zanHandle source);

// Adds the rectangle (layer coordinates) to the changed rectangle of every tile it meets.
void markChanged(DataLayer& data, const RECT& rect);

// Tells every attached layer that the pixels of a block changed: ZAN_CHANGE_PIXELS over the
// block's rectangle moved by that layer's left-top corner.
void announceBlockChange(zanHandle data, const RECT& blockRect) noexcept;

}  // namespace tessaly::engine
