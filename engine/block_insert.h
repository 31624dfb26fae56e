// Putting a caller's block into a layer's tile table.
#pragma once

#include "block.h"
#include "layer.h"

namespace tessaly::engine {

// Puts the block into the tile starting at its left-top corner. The block's rectangle must be
// that tile's (ZAN_ERR_ARG otherwise); a data layer without tiles first takes the block's size as
// the tile size of every layer sharing it. Answers the block that held the tile, locked once more
// and in no table, or null. A block already in a table is refused with ZAN_ERR_ARG.
Block* insertBlock(Block& block, Layer& layer);

}  // namespace tessaly::engine
