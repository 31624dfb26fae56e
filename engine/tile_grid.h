// The tile grid of a data layer: columns and rows of tiles cut from width x height pixels, the
// last column and row narrower when the size is not a multiple of the tile size. Tiles are
// numbered row by row; index 0 means "no tile".
#pragma once

#include <cstdint>

#include "zanTypes.h"

namespace tessaly::engine {

struct TileGrid {
  int32_t width;
  int32_t height;
  int32_t tileWidth;
  int32_t tileHeight;

  // A grid without tiles when the size or the tile size is not positive.
  bool hasTiles() const { return width > 0 && height > 0 && tileWidth > 0 && tileHeight > 0; }
  uint32_t columns() const;
  uint32_t rows() const;
  // columns x rows, or -1 when the table would not fit the heap's 32-bit sizes.
  int64_t count() const;
  // Rectangle of the tile at a 0-based position.
  RECT tileRect(uint32_t position) const;
  // 1-based index of the tile holding (x, y); 0 outside the grid.
  uint32_t indexAt(int32_t x, int32_t y) const;
};

}  // namespace tessaly::engine
