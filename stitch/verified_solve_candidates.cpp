#include "verified_solve_candidates.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "verified_arrangement.h"

namespace tessaly::stitch::verified {

namespace {

Arrangement loadOrderRow(int32_t count) {
  Arrangement a;
  a.rows = 1;
  a.columns = count;
  for (int32_t i = 0; i < count; ++i) {
    a.cellPiece.push_back(i);
    a.cellTurns.push_back(0);
  }
  return a;
}

Arrangement arrangementOf(const Solution& s, const std::vector<PieceSize>& sizes,
                          const std::vector<Link>& links,
                          const std::vector<PairHypothesis>& hypotheses) {
  const GridReading grid = readGrid(s.poses, sizes);
  Arrangement a;
  a.rows = grid.rows;
  a.columns = grid.columns;
  a.cellPiece = grid.cellPiece;
  a.cellTurns = grid.cellTurns;
  a.cellPlacement = grid.cellPlacement;
  for (size_t k : s.keptLinks) a.keptLinks.push_back(hypotheses[links[k].hypothesis]);
  const bool regular = grid.irregularity < kRegularGrid && grid.neighboursOverlap;
  a.support = regular ? s.support : 0.0;
  a.wellSupported = s.supported && regular;
  return a;
}

bool sameReading(const Arrangement& x, const Arrangement& y) {
  return x.rows == y.rows && x.columns == y.columns && x.cellPiece == y.cellPiece &&
         x.cellTurns == y.cellTurns;
}

}  // namespace

std::vector<Arrangement> arrangementsFrom(const std::vector<PieceSize>& sizes,
                                          const std::vector<PairHypothesis>& hypotheses,
                                          const SolveOptions& options) {
  const int32_t count = static_cast<int32_t>(sizes.size());
  const std::vector<Link> links = linksFrom(sizes, hypotheses, options);
  const Solution best = solveLinks(count, links, sizes, options);
  if (!best.connected) return {loadOrderRow(count)};

  std::vector<Arrangement> found{arrangementOf(best, sizes, links, hypotheses)};
  // The least certain cuts first: their rival readings are the likeliest alternatives.
  std::vector<size_t> slots(best.treeLinks.size());
  std::iota(slots.begin(), slots.end(), 0);
  std::stable_sort(slots.begin(), slots.end(),
                   [&](size_t x, size_t y) { return best.cutMargin[x] < best.cutMargin[y]; });
  for (size_t slot : slots) {
    if (found.size() >= kMostCandidates) break;
    if (best.cutRival[slot] < 0) continue;
    const Solution other = withSwappedLink(best, slot, static_cast<size_t>(best.cutRival[slot]),
                                           count, links, sizes, options);
    if (!other.connected) continue;
    Arrangement alternative = arrangementOf(other, sizes, links, hypotheses);
    alternative.wellSupported = false;
    const bool known = std::any_of(found.begin(), found.end(), [&](const Arrangement& a) {
      return sameReading(a, alternative);
    });
    if (!known) found.push_back(std::move(alternative));
  }
  return found;
}

}  // namespace tessaly::stitch::verified

namespace tessaly::stitch::verified {

std::vector<Rigid> placementsForArrangement(const std::vector<PieceSize>& sizes,
                                            const std::vector<PairHypothesis>& hypotheses,
                                            int32_t rows, int32_t columns,
                                            const std::vector<int32_t>& cellPiece,
                                            const std::vector<int32_t>& cellTurns,
                                            const SolveOptions& options) {
  const int32_t count = static_cast<int32_t>(sizes.size());
  if (static_cast<int64_t>(rows) * columns != count || cellPiece.size() != sizes.size() ||
      cellTurns.size() != sizes.size())
    return {};
  std::vector<int32_t> cellOf(count, -1);
  for (int32_t cell = 0; cell < count; ++cell) {
    if (cellPiece[cell] < 0 || cellPiece[cell] >= count || cellOf[cellPiece[cell]] >= 0) return {};
    cellOf[cellPiece[cell]] = cell;
  }
  std::vector<PairHypothesis> fitting;
  for (const PairHypothesis& h : hypotheses) {
    if (h.a < 0 || h.b < 0 || h.a >= count || h.b >= count) continue;
    const int32_t ca = cellOf[h.a], cb = cellOf[h.b];
    const bool neighbours = std::abs(ca / columns - cb / columns) <= 1 &&
                            std::abs(ca % columns - cb % columns) <= 1 && ca != cb;
    const int32_t turn = ((cellTurns[cb] - cellTurns[ca]) % 4 + 4) % 4;
    if (neighbours && turn == ((h.quarterTurnsB % 4) + 4) % 4) fitting.push_back(h);
  }
  const std::vector<Link> links = linksFrom(sizes, fitting, options);
  const Solution s = solveLinks(count, links, sizes, options);
  if (!s.connected) return {};

  // The turned piece of every cell placed by the poses, relative to cell 0's.
  std::vector<Rigid> cellPose;
  for (int32_t cell = 0; cell < count; ++cell) {
    const PieceSize& size = sizes[cellPiece[cell]];
    cellPose.push_back(
        compose(s.poses[cellPiece[cell]],
                inverse(quarterTurnMotion(cellTurns[cell], size.width, size.height))));
  }
  const Rigid toCell0 = inverse(cellPose[0]);
  for (Rigid& pose : cellPose) pose = compose(toCell0, pose);
  return cellPose;
}

}  // namespace tessaly::stitch::verified
