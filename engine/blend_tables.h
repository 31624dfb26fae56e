// The fixed tables composition blends with, built once when the library loads. Row j, column k:
//   keep[j][k]  = ((255 - j) * k + 127) / 255   weight of the existing value under coverage j
//   take[j][k]  = (k * j + 127) / 255           weight of the new value under coverage j; also
//                                               opacity x mask value
//   unite[j][k] = k + j - (k * j + 127) / 255   coverage of two stacked coverages
//   ratio[j][k] = j * 256 / k (0 for k = 0)     coverage ratios in 1/256 steps
// All divisions truncate.
#pragma once

#include <cstdint>

namespace tessaly::engine {

struct BlendTables {
  uint8_t keep[256][256];
  uint8_t take[256][256];
  uint8_t unite[256][256];
  uint16_t ratio[256][256];
};

const BlendTables& blendTables();

// x / 255 truncated, for 0 <= x <= 65152 (the largest value the tables divide), without a
// division, so that loops over rows vectorise. Equal to the tables' arithmetic (tested
// exhaustively).
inline uint32_t div255(uint32_t x) {
  return (x + 1 + (x >> 8)) >> 8;
}

}  // namespace tessaly::engine
