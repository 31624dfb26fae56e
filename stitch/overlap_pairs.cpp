#include "overlap_pairs.h"

namespace tessaly::stitch {

std::vector<NeighbourPair> pairOrder(int32_t columns, int32_t rows) {
  std::vector<NeighbourPair> pairs;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c + 1 < columns; ++c)
      pairs.push_back({r * columns + c, r * columns + c + 1, true, c});
  }
  for (int32_t c = 0; c < columns; ++c) {
    for (int32_t r = 0; r + 1 < rows; ++r)
      pairs.push_back({r * columns + c, (r + 1) * columns + c, false, c});
  }
  return pairs;
}

}  // namespace tessaly::stitch
