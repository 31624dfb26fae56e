// The order in which alignment visits the neighbour pairs of a grid arrangement.
#pragma once

#include <cstdint>
#include <vector>

namespace tessaly::stitch {

// Two grid neighbours: A is the left or upper cell, B the right or lower one.
struct NeighbourPair {
  int32_t cellA = 0;
  int32_t cellB = 0;
  bool horizontal = true;
  int32_t columnA = 0;  // grid column of A
};

// First the horizontal pairs row by row from the top, left to right; then the vertical pairs
// column by column from the left, top to bottom. Cells are numbered row by row.
std::vector<NeighbourPair> pairOrder(int32_t columns, int32_t rows);

}  // namespace tessaly::stitch
