// Depth-first search over arrangements of the pieces on a grid, built from the trimmed neighbour
// lists: each cell takes a usable candidate of its left neighbour (or, first in its row, of the
// cell above), and complete grids are offered to the result list by their total link score.
#pragma once

#include <cstdint>
#include <functional>

#include "ordering_lists.h"
#include "ordering_results.h"
#include "progress.h"

namespace tessaly::stitch {

// Link score assumed between two grid cells whose relation the lists do not hold.
inline constexpr double kGridThreshold = 3000;
// Usable-candidate threshold of the row search.
inline constexpr double kRowThreshold = 1650;

struct GridShape {
  int32_t rows;
  int32_t columns;
};

// Whether `piece` may stand in `cell`; an empty filter allows every piece everywhere.
using CellFilter = std::function<bool(int32_t cell, int32_t piece)>;

// Every arrangement of the grid that starts from any allowed piece in any turn in cell 0. The
// total is the sum of every right link inside the rows plus every below link inside the columns.
// Reports inside range once per start piece.
void searchGrid(const NeighbourLists& lists, GridShape shape, const CellFilter& allowed,
                ResultList& results, const ProgressRange& range);

// The row: all pieces in one line, turned half round as a whole when that leaves more pieces
// unturned.
void searchRow(const NeighbourLists& lists, ResultList& results, const ProgressRange& range);

// Grids of at least two rows: every row count b with b * b <= count that divides the count
// (grids taller than wide come out of the normalising turn). Then every kept arrangement is given
// its normalising whole-grid turn.
void searchGrids(const NeighbourLists& lists, ResultList& results, const ProgressRange& range);

// Many pieces in two lines: the first half of the load order forms one line and the second half
// the other, as a scanner operator covering the document line by line produces them. Each half is
// chained as a row and set against the other (either on top), below links looked up between the
// two; turned grids deliver the two-column shape. Nothing is searched for an odd count. Kept
// arrangements are given their normalising turn.
void searchTwoLines(const NeighbourLists& lists, ResultList& results, const ProgressRange& range);

}  // namespace tessaly::stitch
