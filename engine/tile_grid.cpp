// Tile grid arithmetic.
#include "tile_grid.h"

#include <algorithm>

#include "data_layer.h"

namespace tessaly::engine {

uint32_t TileGrid::columns() const {
  if (!hasTiles()) return 0;
  return static_cast<uint32_t>((int64_t{width} + tileWidth - 1) / tileWidth);
}

uint32_t TileGrid::rows() const {
  if (!hasTiles()) return 0;
  return static_cast<uint32_t>((int64_t{height} + tileHeight - 1) / tileHeight);
}

int64_t TileGrid::count() const {
  const int64_t n = int64_t{columns()} * rows();
  return n > int64_t{UINT32_MAX / sizeof(TileEntry)} ? -1 : n;
}

RECT TileGrid::tileRect(uint32_t position) const {
  const uint32_t c = position % columns();
  const uint32_t r = position / columns();
  const int64_t left = int64_t{c} * tileWidth;
  const int64_t top = int64_t{r} * tileHeight;
  return RECT{static_cast<int32_t>(left), static_cast<int32_t>(top),
              static_cast<int32_t>(std::min<int64_t>(left + tileWidth, width)),
              static_cast<int32_t>(std::min<int64_t>(top + tileHeight, height))};
}

uint32_t TileGrid::indexAt(int32_t x, int32_t y) const {
  if (!hasTiles() || x < 0 || y < 0 || x >= width || y >= height) return 0;
  return static_cast<uint32_t>(y / tileHeight) * columns() + static_cast<uint32_t>(x / tileWidth) +
         1;
}

}  // namespace tessaly::engine
