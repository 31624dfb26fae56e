#include "pixel_frame.h"

#include "guard.h"
#include "mask_pass.h"

namespace tessaly::tools {

int64_t tileCount(const LayerGeometry& geometry) {
  return TileGrid(geometry).count();
}

OwnedLayer runPixelFrame(zanHandle source, int32_t targetBits, const TileOperation& operation,
                         ProgressMeter& meter, bool withMask) {
  const LayerGeometry g = readGeometry(source);
  const int32_t bits = targetBits != 0 ? targetBits : g.bitsPerPixel;
  OwnedLayer result = createLike(source, g.rect, bits);
  const TileGrid grid(g);
  for (int32_t row = 0; row < grid.rows(); ++row) {
    for (int32_t column = 0; column < grid.columns(); ++column) {
      meter.checkCancel();
      const RECT tile = grid.tile(column, row);
      OwnedBlock destination(tile, bits);
      ReadBlock read(source, tile.left, tile.top);
      if (read.get() != nullptr && read.get()->data != nullptr) {
        operation(*destination.get(), *read.get());
      } else {
        const OwnedBlock zeros(tile, g.bitsPerPixel);
        operation(*destination.get(), *zeros.get());
      }
      destination.insertInto(result.get());
      meter.advance();
    }
  }
  if (withMask) copyMask(source, result.get());
  return result;
}

}  // namespace tessaly::tools
