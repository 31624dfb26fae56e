// The per-pixel frame: a new layer made tile by tile, each destination tile computed from the
// source tile at the same place alone.
#pragma once

#include <functional>

#include "layer_access.h"
#include "progress.h"

namespace tessaly::tools {

// Fills destination (zeroed, the target's bits per pixel) from source (the source layer's); both
// blocks have the tile's rectangle and their own strides.
using TileOperation = std::function<void(BlockHeader& destination, const BlockHeader& source)>;

// Runs the operation over every tile of the source into a new layer of the same rectangle and
// tile size with targetBits per pixel (0: the source's). Asks the meter to cancel before every
// tile and advances it by one per tile. A tile without a block reads as zeros. The source's mask
// comes along unchanged unless withMask is false.
OwnedLayer runPixelFrame(zanHandle source, int32_t targetBits, const TileOperation& operation,
                         ProgressMeter& meter, bool withMask = true);

// The number of tiles runPixelFrame walks for the layer.
int64_t tileCount(const LayerGeometry& geometry);

}  // namespace tessaly::tools
