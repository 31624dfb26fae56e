// The least-cost seam through the overlap of a new piece with what is already painted: a path
// from top to bottom, one column per row, moving at most one column between rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::stitch {

// Per-cell cost of cutting between the two images there; kAbsent where one of them has no pixel.
struct CostMap {
  static constexpr uint16_t kAbsent = 0xFFFF;

  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint16_t> cells;  // row after row

  CostMap(int32_t w, int32_t h) : width(w), height(h), cells(static_cast<size_t>(w) * h, kAbsent) {}
  uint16_t& at(int32_t x, int32_t y) { return cells[static_cast<size_t>(y) * width + x]; }
  uint16_t at(int32_t x, int32_t y) const { return cells[static_cast<size_t>(y) * width + x]; }
};

struct Seam {
  int32_t firstRow = 0;
  std::vector<int32_t> columns;  // for rows firstRow, firstRow + 1, ...

  bool empty() const { return columns.empty(); }
  // The seam's column in any row: rows above it take its first column, rows below its last.
  int32_t columnAt(int32_t row) const;
};

// Rows where at least half the cells are present bound the search (first such row from the top,
// first from the bottom). Running costs go down from the first; an absent cell is never part of
// the path, and the search stops early at a row that no path reaches. The path ends at the
// cheapest cell of its last row away from the sides (a fifteenth of the width left out on each)
// and is traced back up. Empty when no row is half present.
Seam findSeam(const CostMap& map);

}  // namespace tessaly::stitch
