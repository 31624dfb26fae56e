// Applying tables and per-pixel colour rules to the tiles of the per-pixel frame.
#pragma once

#include <cstdint>

#include "tone_tables.h"
#include "zanEngDefs.h"

namespace tessaly::tools {

// Calls rule(destinationRow, sourceRow, pixels) for every row of the tile.
template <typename Rule>
void forEachRow(BlockHeader& destination, const BlockHeader& source, Rule&& rule) {
  const int32_t width = source.right - source.left;
  for (int32_t y = 0; y < source.bottom - source.top; ++y) {
    rule(destination.data + int64_t{y} * destination.stride,
         static_cast<const unsigned char*>(source.data) + int64_t{y} * source.stride, width);
  }
}

// Maps the tile through the tables: 24-bit pixels through their channel's table, 8- and 16-bit
// bytes through the blue table, 48-bit samples (both bytes) through their channel's table.
void mapTile(BlockHeader& destination, const BlockHeader& source, int32_t bitsPerPixel,
             const ChannelTables& tables);

}  // namespace tessaly::tools
