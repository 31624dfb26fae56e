// From placements to a grid: the whole mosaic is turned by the quarter turn that leaves most
// pieces as scanned, every piece gets the quarter turns that make it upright, and the pieces'
// centres are read as rows and columns.
#pragma once

#include <cstdint>
#include <vector>

#include "verified_solve.h"
#include "verified_types.h"

namespace tessaly::stitch::verified {

struct GridReading {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<int32_t> cellPiece;    // per cell, row by row
  std::vector<int32_t> cellTurns;    // per cell
  std::vector<Rigid> cellPlacement;  // per cell: turned piece -> frame of cell 0's turned piece
  // How far the centres are from a clean grid: the largest spread within a row (column) over the
  // gap to the next row (column). Under kRegularGrid the reading is a grid.
  double irregularity = 0;
  bool neighboursOverlap = false;  // every pair of grid neighbours overlaps
};

constexpr double kRegularGrid = 0.5;

// The grid the placed pieces form. `poses` map each unturned piece (working-level pixels) into a
// common frame; every piece must be placed.
GridReading readGrid(const std::vector<Rigid>& poses, const std::vector<PieceSize>& sizes);

}  // namespace tessaly::stitch::verified
