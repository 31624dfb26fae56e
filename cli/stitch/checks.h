// The checks made before any stitch, and the choice between one row and a grid.
#pragma once

#include <optional>
#include <vector>

#include "QuiltexEngine.h"
#include "exit_codes.h"
#include "options.h"
#include "pieces.h"

namespace tessaly::cli::stitch {

struct CheckLimits {
  bool allowManyPieces = false;
  int maxSizeDiffPercent = 20;
  // Sizes are compared side for side whatever way the pieces lie (shorter with shorter, longer
  // with longer): for an engine that finds quarter turns itself, a piece scanned turned is no
  // different in size from its neighbours.
  bool orientationFree = false;
};

// The first reason the pieces cannot be stitched as they are: more pieces than a stitch takes
// without asking (Usage), a resolution under 50 dots per inch or a smallest width times
// smallest height under 1500 pixels, or a spread of width, height or resolution above the limit
// (UnsuitablePieces). Nothing when they pass.
std::optional<Failure> checkPieces(const std::vector<Piece>& pieces, const CheckLimits& limits);

// One row for fewer than 4 pieces or an odd number of them, else a grid; the user's choice wins.
tagStitchStyle chooseStyle(size_t pieceCount, StyleChoice choice);

}  // namespace tessaly::cli::stitch
