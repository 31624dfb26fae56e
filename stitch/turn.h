// Quarter turns of 24-bit images.
//
// Turn 1 is the elementary turn: output row r, column c comes from input row c, column
// (input width - 1 - r). Turn 2 is two of them (output (r, c) from input (height - 1 - r,
// width - 1 - c)) and turn 3 three. Width and height swap for turns 1 and 3.
#pragma once

#include "pixel_array.h"
#include "progress.h"
#include "turn_side.h"

namespace tessaly::stitch {

// Returns image turned by code quarter turns (1, 2 or 3; anything else throws QX_ERR_INPUT).
// Reports once per band of 16 output columns for turns 1 and 3 (16 source rows) and of 16 output
// rows for turn 2. Uses the fastest way this processor runs (turn_side.h).
ImagePtr quarterTurn(const tagPixelArray& image, int code, const ProgressRange& range = {});

// The same made a chosen way (an unavailable way falls back to the portable
// one), so tests and benchmarks can hold the ways against each other.
ImagePtr quarterTurn(const tagPixelArray& image, int code, TurnWay way,
                     const ProgressRange& range = {});

}  // namespace tessaly::stitch
