// What a session that chose the verified way keeps, and the entry points through which the
// session's drivers hand over to it: loading keeps grey working images, ordering runs the pair
// search and the global solution, alignment takes its coarse placements from that solution and
// fits one global transform per cell after refinement, and composition uses those transforms.
// A session without the verified way has no state here and every entry point leaves it alone.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "QuiltexEngine.h"
#include "loader.h"
#include "overlap_pairs.h"
#include "pixel_array.h"
#include "session.h"
#include "verified_pairs.h"
#include "verified_solve.h"
#include "verified_types.h"

namespace tessaly::stitch::verified {

using tessaly::stitch::Session;

// The pair search the session runs; tests put a search of their own in its place.
using PairSearch = std::function<bool(const std::vector<PieceLevels>&, const PairSearchOptions&,
                                      const ProgressCheck&, std::vector<PairHypothesis>&)>;

// The longest side, in pixels, of the level on which pairs are searched.
constexpr int32_t kWorkingSide = 1000;

struct SessionState {
  PairSearch pairSearch = findPairHypotheses;
  PairSearchOptions searchOptions;
  SolveOptions solveOptions;

  int32_t workingLevel = 0;          // the same for every piece
  std::vector<PieceLevels> pieces;   // load order; freed once alignment succeeded
  std::vector<PieceSize> fullSizes;  // load order, unturned, as loaded

  // From the last QXAutoOrder: every hypothesis, and the arrangements offered, best first. The
  // first holds the links the solution kept and their support.
  std::vector<PairHypothesis> hypotheses;
  std::vector<Arrangement> candidates;

  // The arrangement the session holds now (from QXAutoOrder or QXChangeOrder).
  std::vector<int32_t> cellPiece;
  std::vector<int32_t> cellTurns;

  // Per cell after alignment: the placement in the frame of cell 0 at the output level.
  std::vector<tessaly::stitch::Transform> globals;
};

// The style the classic stages see: without QX_STYLE_VERIFIED the caller's value unchanged,
// with it only the low byte (a hint of row or grid).
int32_t baseStyle(int32_t style);

// Gives the session the verified way's state when `style` asks for it. False when memory is
// short.
bool attach(Session& session, int32_t style) noexcept;

// Loading: chooses the working level from the caller's sizes (before any piece is read).
void prepareLoad(Session& session, const POINT* sizes, long count);

// Loading piece `index`: the level images the classic way keeps (only the coarsest), while the
// grey working level and the next finer one are kept aside from the same pyramid.
std::vector<tessaly::stitch::ImagePtr> loadLevels(Session& session, int index,
                                                  tessaly::stitch::LoadedImage& loaded, double a,
                                                  double b);

// Records which piece, turned how, each cell of the applied arrangement holds.
void noteArrangement(Session& session, std::vector<int32_t> cellPiece,
                     std::vector<int32_t> cellTurns);

// QXAutoOrder the verified way. Returns QX_OK, or QX_WARN_LOW_CONFIDENCE when the arrangement
// delivered is not well supported.
long orderPieces(Session& session, long* candidateCount, tagStitchOrderInfo* candidates);

struct AlignStart {
  bool placed = false;  // false: the classic coarse search must place the pairs
  int32_t level = 0;    // the level refinement starts on; every pass there is a later pass
  long warning = QX_OK;
};

// Gives every neighbour pair its coarse transform from the verified solution (or, after
// QXChangeOrder, from the hypotheses that fit the given arrangement), in the units of the level
// above `level`, and its overlap rectangle. Places nothing for a classic session.
AlignStart placeNeighbourPairs(Session& session,
                               const std::vector<tessaly::stitch::NeighbourPair>& pairs);

// After refinement: one global transform per cell by a least-squares fit over the refined
// correspondences of every pair, links that disagree with their loops dropped.
void fitRefined(Session& session, const std::vector<tessaly::stitch::NeighbourPair>& pairs);

// The fitted global transforms for composition; empty when the session has none.
std::vector<tessaly::stitch::Transform> fittedGlobals(const Session& session);

}  // namespace tessaly::stitch::verified
