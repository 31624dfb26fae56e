// The target side of a composition: one tile of the target layer locked for writing, and the
// target mask's values over the part being composed, written back when the tile is done.
#pragma once

#include <vector>

#include "block.h"
#include "layer.h"

namespace tessaly::engine {

struct TargetTile {
  Layer& target;
  BlockLock block;                  // locked with memory, as modified
  RECT part;                        // target layer coordinates, inside the block
  std::vector<unsigned char> mask;  // the target mask's values over part; empty without a mask

  RECT pictureRect() const;                          // part in the scaled picture space
  unsigned char* pixel(int32_t x, int32_t y) const;  // target layer coordinates
  unsigned char* maskRow(int32_t y);                 // null without a mask
};

// Locks the tile at the table position of the target's data layer for writing: a tile without a
// block gets a zeroed one. Reads the target mask's values over part. When the caller will write
// every pixel of part and part is the whole tile, a tile still without memory gets it unfilled:
// filling it first would only be overwritten. Throws ZAN_ERR_CREATE or ZAN_ERR_LOCK.
TargetTile openTargetTile(Layer& target, uint32_t position, const RECT& part,
                          bool overwritten = false);

// Writes the mask values back into the target's mask layer.
void closeTargetTile(TargetTile& tile);

}  // namespace tessaly::engine
