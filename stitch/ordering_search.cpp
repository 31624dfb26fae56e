#include "ordering_search.h"

#include <vector>

namespace tessaly::stitch {

namespace {

class GridSearch {
 public:
  GridSearch(const NeighbourLists& lists, GridShape shape, const CellFilter& allowed,
             ResultList& results)
      : lists_(lists),
        shape_(shape),
        allowed_(allowed),
        results_(results),
        cellCount_(shape.rows * shape.columns),
        cells_(cellCount_),
        rightLink_(cellCount_),
        belowLink_(cellCount_),
        placed_(lists.count, false) {}

  void run(const ProgressRange& range) {
    for (int32_t piece = 0; piece < lists_.count; ++piece) {
      range.at(static_cast<double>(piece) / lists_.count);
      if (!mayStand(0, piece)) continue;
      for (int32_t turn = 0; turn < 4; ++turn) {
        place(0, {piece, turn});
        extend(1, 0.0);
        placed_[piece] = false;
      }
    }
  }

 private:
  bool mayStand(int32_t cell, int32_t piece) const { return !allowed_ || allowed_(cell, piece); }

  void place(int32_t cell, CellPlacement placement) {
    cells_[cell] = placement;
    rightLink_[cell] = kGridThreshold;
    belowLink_[cell] = kGridThreshold;
    placed_[placement.piece] = true;
  }

  // The score of `below` under `above` as the above cell's kept below candidates hold it.
  double belowScore(const CellPlacement& above, const CellPlacement& below) const {
    for (const NeighbourCandidate& c : lists_.belowOf(above.piece, above.turn).entries) {
      if (c.piece == below.piece && c.turn == below.turn) return c.score;
    }
    return kGridThreshold;
  }

  // Fills `cell` with each unplaced usable candidate in turn, last in the list first, and goes on
  // with the next cell. `partial` is the sum of the links fixed so far.
  void extend(int32_t cell, double partial) {
    if (cell == cellCount_) {
      results_.offer(total(), shape_.columns, shape_.rows, cells_);
      return;
    }
    if (results_.rejectsFrom(partial)) return;
    const int32_t column = cell % shape_.columns;
    const CellPlacement& from = cells_[column > 0 ? cell - 1 : cell - shape_.columns];
    const CandidateList& source =
        column > 0 ? lists_.rightOf(from.piece, from.turn) : lists_.belowOf(from.piece, from.turn);
    for (int32_t k = source.usable - 1; k >= 0; --k) {
      const NeighbourCandidate& c = source.entries[k];
      if (placed_[c.piece] || !mayStand(cell, c.piece)) continue;
      place(cell, {c.piece, c.turn});
      double added = c.score;
      if (column > 0) {
        rightLink_[cell - 1] = c.score;
        if (cell >= shape_.columns) {
          belowLink_[cell - shape_.columns] =
              belowScore(cells_[cell - shape_.columns], cells_[cell]);
          added += belowLink_[cell - shape_.columns];
        }
      } else {
        belowLink_[cell - shape_.columns] = c.score;
      }
      extend(cell + 1, partial + added);
      placed_[c.piece] = false;
    }
  }

  double total() const {
    double sum = 0;
    for (int32_t r = 0; r < shape_.rows; ++r) {
      for (int32_t c = 0; c + 1 < shape_.columns; ++c) sum += rightLink_[r * shape_.columns + c];
    }
    for (int32_t c = 0; c < shape_.columns; ++c) {
      for (int32_t r = 0; r + 1 < shape_.rows; ++r) sum += belowLink_[r * shape_.columns + c];
    }
    return sum;
  }

  const NeighbourLists& lists_;
  const GridShape shape_;
  const CellFilter& allowed_;
  ResultList& results_;
  const int32_t cellCount_;
  std::vector<CellPlacement> cells_;
  std::vector<double> rightLink_;  // per cell: the link to its right neighbour
  std::vector<double> belowLink_;  // per cell: the link to the cell below
  std::vector<bool> placed_;       // per piece
};

void normaliseAll(ResultList& results, WholeTurns allowed = WholeTurns::Quarter) {
  for (RankedArrangement& a : results.arrangements()) normaliseGlobalTurn(a, allowed);
}

}  // namespace

void searchGrid(const NeighbourLists& lists, GridShape shape, const CellFilter& allowed,
                ResultList& results, const ProgressRange& range) {
  if (shape.rows * shape.columns != lists.count || lists.count < 1) return;
  GridSearch(lists, shape, allowed, results).run(range);
}

void searchRow(const NeighbourLists& lists, ResultList& results, const ProgressRange& range) {
  searchGrid(lists, {1, lists.count}, {}, results, range);
  // A row and the same row turned half round score alike; which one the search meets first
  // depends only on the load order, so a row scanned right to left would come back upside down.
  normaliseAll(results, WholeTurns::HalfOnly);
}

void searchGrids(const NeighbourLists& lists, ResultList& results, const ProgressRange& range) {
  const int32_t n = lists.count;
  std::vector<int32_t> rowCounts;
  if (n > 3) {
    for (int32_t b = 2; b * b <= n; ++b) {
      if (n % b == 0) rowCounts.push_back(b);
    }
  }
  for (size_t i = 0; i < rowCounts.size(); ++i) {
    const double shares = static_cast<double>(rowCounts.size());
    searchGrid(lists, {rowCounts[i], n / rowCounts[i]}, {}, results,
               range.sub(i / shares, (i + 1) / shares));
  }
  normaliseAll(results);
}

void searchTwoLines(const NeighbourLists& lists, ResultList& results, const ProgressRange& range) {
  const int32_t n = lists.count, half = n / 2;
  if (n % 2 != 0 || n < 2) return;
  for (int first = 0; first < 2; ++first) {
    // `first` says whether the earlier half of the load order is the top line.
    const CellFilter allowed = [&](int32_t cell, int32_t piece) {
      const bool topLine = cell < half;
      const bool earlierHalf = piece < half;
      return (topLine == earlierHalf) == (first == 0);
    };
    searchGrid(lists, {2, half}, allowed, results, range.sub(first / 2.0, (first + 1) / 2.0));
  }
  normaliseAll(results);
}

}  // namespace tessaly::stitch
