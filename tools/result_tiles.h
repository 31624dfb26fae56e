// The walk every operation that makes a new layer tile by tile shares: one block per tile of the
// result, filled by the operation, then put into the result; cancel is asked before each tile
// and progress advances after it.
#pragma once

#include "layer_access.h"
#include "progress.h"

namespace tessaly::tools {

// A new layer like `source` covering resultRect; fill(tile block, tile in the result's frame)
// writes each tile's pixels.
template <typename Fill>
OwnedLayer forResultTiles(zanHandle source, const RECT& resultRect, ProgressMeter& meter,
                          Fill&& fill) {
  const LayerGeometry g = readGeometry(source);
  OwnedLayer result = createLike(source, resultRect);
  LayerGeometry r = g;
  r.rect = resultRect;
  const TileGrid grid(r);
  for (int32_t row = 0; row < grid.rows(); ++row) {
    for (int32_t column = 0; column < grid.columns(); ++column) {
      meter.checkCancel();
      const RECT tile = grid.tile(column, row);
      OwnedBlock out(tile, g.bitsPerPixel);
      fill(*out.get(), tile);
      out.insertInto(result.get());
      meter.advance();
    }
  }
  return result;
}

}  // namespace tessaly::tools
