// A crop proposal for the composed canvas: a rectangle whose edges lie on fully covered rows and
// columns, so that cropping to it leaves no white from outside the pieces.
#pragma once

#include "QuiltexEngine.h"
#include "straighten_bit_image.h"

namespace tessaly::stitch {

// Searches inward from each side, at most a fifth of the canvas: top is the first row whose
// middle 80 % is covered (a fifth of the height when none is), bottom one past the last such
// row; left and right the outermost columns covered over more than 9 / 10 of the rows between
// top and bottom. In canvas coordinates.
RECT coveredRectangle(const BitImage& coverage);

}  // namespace tessaly::stitch
