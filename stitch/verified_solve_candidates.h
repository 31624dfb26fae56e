// The arrangements the verified way offers: the global solution read as a grid, then the
// readings in which the least certain cuts are bridged by their best rival instead.
#pragma once

#include <vector>

#include "verified_solve.h"
#include "verified_types.h"

namespace tessaly::stitch::verified {

constexpr size_t kMostCandidates = 5;

// Best first, at least one and at most kMostCandidates. Only the first can be well supported.
// When the hypotheses do not join all pieces, the one candidate is the pieces in load order in
// one row, unturned and unsupported, without placements.
std::vector<Arrangement> arrangementsFrom(const std::vector<PieceSize>& sizes,
                                          const std::vector<PairHypothesis>& hypotheses,
                                          const SolveOptions& options);

}  // namespace tessaly::stitch::verified

namespace tessaly::stitch::verified {

// Placements for an arrangement the caller chose: only the hypotheses between grid neighbours
// (diagonal ones included) whose relative turn matches the cells' turns are evidence. Returns per
// cell the turned piece -> frame of cell 0's turned piece (working-level pixels), or nothing when
// those hypotheses do not join every cell.
std::vector<Rigid> placementsForArrangement(const std::vector<PieceSize>& sizes,
                                            const std::vector<PairHypothesis>& hypotheses,
                                            int32_t rows, int32_t columns,
                                            const std::vector<int32_t>& cellPiece,
                                            const std::vector<int32_t>& cellTurns,
                                            const SolveOptions& options);

}  // namespace tessaly::stitch::verified
