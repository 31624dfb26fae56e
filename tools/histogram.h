// Histograms of a layer's bytes, gathered by one pass over its tiles.
#pragma once

#include "layer_access.h"
#include "progress.h"
#include "tone_tables.h"

namespace tessaly::tools {

// Counts per channel: blue, green, red for 24-bit layers; one grey channel (in blue) otherwise.
// Tiles without a block count as zeros. Advances the meter by one per tile.
struct ChannelHistograms {
  Histogram blue{};
  Histogram green{};
  Histogram red{};
};
ChannelHistograms channelHistograms(zanHandle layer, ProgressMeter& meter);

// Visits every tile's block, locked for reading (zeros where a tile has none).
template <typename Visit>
void forEachSourceTile(zanHandle layer, ProgressMeter& meter, Visit&& visit) {
  const LayerGeometry g = readGeometry(layer);
  const TileGrid grid(g);
  for (int32_t row = 0; row < grid.rows(); ++row) {
    for (int32_t column = 0; column < grid.columns(); ++column) {
      meter.checkCancel();
      const RECT tile = grid.tile(column, row);
      const ReadBlock read(layer, tile.left, tile.top);
      if (read.get() != nullptr && read.get()->data != nullptr) {
        visit(*read.get());
      } else {
        const OwnedBlock zeros(tile, g.bitsPerPixel);
        visit(*zeros.get());
      }
      meter.advance();
    }
  }
}

}  // namespace tessaly::tools
