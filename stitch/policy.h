// What the session's style decides, worked out once when the session is made. Every stage asks
// this record (or takes the one field it needs) instead of looking at the style itself, so the
// row and grid choices of all stages stand side by side here.
#pragma once

#include <cstdint>

namespace tessaly::stitch {

// How far a neighbour is expected to lie over a piece; sets the windows of ordering's pair match
// and of alignment's coarse search.
enum class NeighbourOverlap {
  Partial,  // a row of pieces: a neighbour covers a seventh to six sevenths of the piece
  Wide,     // a grid: a neighbour may cover almost all of the piece
};

// Which arrangements ordering searches.
enum class ArrangementSearch {
  RowOnly,  // all pieces in one line
  Grids,    // grids of at least two rows (two lines of pieces when there are many)
};

// How composition joins the pieces to the canvas.
enum class Composition {
  Direct,  // every piece straight into the canvas
  ByRows,  // each row below the first built as a strip of its own, strips joined to the row above
};

struct StitchPolicy {
  uint32_t coarsestMinimumSide;  // both sides of the coarsest level must exceed this (pixels)
  ArrangementSearch arrangements;
  double linkThreshold;  // usable neighbour candidates and confidence of the best arrangement
  NeighbourOverlap neighbourOverlap;
  // Mean gradient an overlap must reach in both pieces when some piece shows structure along
  // its borders (ordering's pair match).
  int32_t borderStructureFloor;
  bool keepsWeakCandidates;  // ordering keeps its best guesses even when none is convincing
  Composition composition;
};

// The policy of a style. A style other than QX_STYLE_ROW and QX_STYLE_GRID behaves as a row in
// every stage but composition, where it is joined by rows as a grid is.
StitchPolicy policyFor(int32_t style);

}  // namespace tessaly::stitch
