// Brightness balance between neighbouring pieces: each pair's difference measured on the
// miniatures where they overlap, then one offset per piece that evens the differences out.
#pragma once

#include <cstdint>
#include <vector>

#include "QuiltexEngine.h"
#include "geometry.h"

namespace tessaly::stitch {

// Where B's miniature lies over A's: the mean of (A point - B point) over the pair's matched
// points, scaled from output-level to coarsest-level units. A pair without matched points uses
// the translation of its transform instead.
POINT miniatureDisplacement(const PairAlignment& pair, int32_t outputLevel, int32_t coarsest);

// Mean brightness of B minus mean brightness of A over the middle of their overlap (an eighth
// trimmed off every side), counting only pixels that are neither near black nor near white in
// both (channel sums above 45 and below 720). 0 when the overlap is empty or fewer than a tenth
// of its pixels qualify.
int32_t brightnessDifference(const tagPixelArray& a, const tagPixelArray& b, POINT displacement);

// One offset per cell (added to every channel of its piece) from the differences of every pair:
// rightDifference[cell] is the difference from the cell to its right neighbour, belowDifference
// to its lower one (entries without such a neighbour are ignored). Fifty relaxation sweeps, each
// followed by removing the mean offset so the result keeps the pieces' overall brightness.
std::vector<int32_t> balanceOffsets(const std::vector<int32_t>& rightDifference,
                                    const std::vector<int32_t>& belowDifference, int32_t rows,
                                    int32_t columns);

}  // namespace tessaly::stitch
