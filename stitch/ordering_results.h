// The arrangements the ordering search found: the five best by total score, with the whole-grid
// turn that leaves most pieces as they were scanned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly::stitch {

struct CellPlacement {
  int32_t piece;
  int32_t turn;
};

// Pieces on a grid, cells row by row.
struct RankedArrangement {
  double score;
  int32_t columns;
  int32_t rows;
  std::vector<CellPlacement> cells;
};

class ResultList {
 public:
  static constexpr size_t kCapacity = 5;

  // Keeps the arrangement unless its score is within 1e-8 of one already kept (two ways of
  // describing the same arrangement score alike) or the list is full of better ones; a full list
  // gives up its worst (the first of equal worst) for a better score.
  void offer(double score, int32_t columns, int32_t rows, const std::vector<CellPlacement>& cells);

  // True when every arrangement scoring `partial` or more would be turned away, so a search may
  // stop extending one whose links already add up to `partial` (scores are never negative).
  bool rejectsFrom(double partial) const;

  // Ascending by score: the largest (the first of equal largest) goes to the last unsorted place.
  void sortByScore();

  std::vector<RankedArrangement>& arrangements() { return kept_; }
  const std::vector<RankedArrangement>& arrangements() const { return kept_; }

 private:
  bool isDuplicate(double score) const;
  size_t worst() const;

  std::vector<RankedArrangement> kept_;
};

// Which whole-arrangement turns normalising may use: any quarter turn for grids, only the half
// turn for a row (a quarter turn would make it a column).
enum class WholeTurns { Quarter = 1, HalfOnly = 2 };

// Turns the whole arrangement by the turn j (0 to 3, in steps the caller allows) that leaves the
// most pieces unturned, preferring the smaller j: the grid is turned like an image of cells
// (columns and rows swap for odd j) and j is added to every piece's turn. The scanner's own
// orientation is the best guess of which way up the document is.
void normaliseGlobalTurn(RankedArrangement& arrangement, WholeTurns allowed = WholeTurns::Quarter);

// True when the best arrangement's score per link of its grid, counted as (rows + 1) x columns
// - 1, is above threshold.
bool isBelowConfidence(const RankedArrangement& best, double threshold);

}  // namespace tessaly::stitch
