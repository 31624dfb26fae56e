// The checks made before a stitch: too many pieces is a question the user answers; a resolution
// below 50 pixels per inch, a piece smaller than 1500 pixels, or pieces differing in size or
// resolution by more than the allowed share cannot be stitched.
#pragma once

#include "piece_list.h"

namespace tessaly::app {

// More pieces than "MaxFilesNum" ask the user first (text 39).
bool tooManyPieces(int count, int maxFiles);
// The resolution, area and spread checks (text 19 when they fail); `maxSizeDiffPercent` is
// "MaxSizeDiff". A spread equal to the limit passes.
bool piecesSuitable(const PieceExtremes& extremes, int maxSizeDiffPercent);

}  // namespace tessaly::app
