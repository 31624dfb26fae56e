#include "ordering_results.h"

#include <cmath>
#include <utility>

namespace tessaly::stitch {

bool ResultList::isDuplicate(double score) const {
  for (const RankedArrangement& a : kept_) {
    // Equality covers two totals that both overflowed to infinity.
    if (a.score == score || std::abs(a.score - score) <= 1e-8) return true;
  }
  return false;
}

size_t ResultList::worst() const {
  size_t w = 0;
  for (size_t i = 1; i < kept_.size(); ++i) {
    if (kept_[i].score > kept_[w].score) w = i;
  }
  return w;
}

void ResultList::offer(double score, int32_t columns, int32_t rows,
                       const std::vector<CellPlacement>& cells) {
  if (isDuplicate(score)) return;
  if (kept_.size() < kCapacity) {
    kept_.push_back({score, columns, rows, cells});
    return;
  }
  RankedArrangement& replaced = kept_[worst()];
  if (score < replaced.score) replaced = {score, columns, rows, cells};
}

bool ResultList::rejectsFrom(double partial) const {
  if (std::isinf(partial)) return kept_.size() == kCapacity || isDuplicate(partial);
  if (kept_.size() < kCapacity) return false;
  // The complete total is summed in another order than the partial one; the margin keeps
  // rounding from cutting off an arrangement that would just have made it.
  return partial - kept_[worst()].score > 1e-9 * partial;
}

void ResultList::sortByScore() {
  for (size_t unsorted = kept_.size(); unsorted > 1; --unsorted) {
    size_t largest = 0;
    for (size_t i = 1; i < unsorted; ++i) {
      if (kept_[i].score > kept_[largest].score) largest = i;
    }
    std::swap(kept_[largest], kept_[unsorted - 1]);
  }
}

namespace {

int32_t unturnedAfter(const RankedArrangement& a, int32_t j) {
  int32_t n = 0;
  for (const CellPlacement& c : a.cells) n += (j + c.turn) % 4 == 0;
  return n;
}

// One elementary quarter turn of the cell grid: new cell (r, c) takes old cell
// (c, columns - 1 - r), the same mapping as the pixels of a turned image.
void turnGridOnce(RankedArrangement& a) {
  std::vector<CellPlacement> turned(a.cells.size());
  const int32_t newColumns = a.rows, newRows = a.columns;
  for (int32_t r = 0; r < newRows; ++r) {
    for (int32_t c = 0; c < newColumns; ++c) {
      CellPlacement cell = a.cells[static_cast<size_t>(c) * a.columns + (a.columns - 1 - r)];
      cell.turn = (cell.turn + 1) % 4;
      turned[static_cast<size_t>(r) * newColumns + c] = cell;
    }
  }
  a.cells = std::move(turned);
  a.columns = newColumns;
  a.rows = newRows;
}

}  // namespace

void normaliseGlobalTurn(RankedArrangement& arrangement, WholeTurns allowed) {
  int32_t best = 0;
  for (int32_t j = static_cast<int32_t>(allowed); j < 4; j += static_cast<int32_t>(allowed)) {
    if (unturnedAfter(arrangement, j) > unturnedAfter(arrangement, best)) best = j;
  }
  for (int32_t k = 0; k < best; ++k) turnGridOnce(arrangement);
}

bool isBelowConfidence(const RankedArrangement& best, double threshold) {
  const double links = static_cast<double>(best.rows + 1) * best.columns - 1;
  return best.score / links > threshold;
}

}  // namespace tessaly::stitch
