// Set arithmetic on rectangle lists in banded form (the canonical form described in zanRgn.h).
#pragma once

#include <vector>

#include "zanTypes.h"

namespace tessaly::pltfm {

// The pixels of a that are not in b, in banded form. a and b must be banded.
std::vector<RECT> subtractBanded(const std::vector<RECT>& a, const std::vector<RECT>& b);

// Whether rects keep the banded form: non-empty, bands top to bottom without overlap, spans
// left to right neither overlapping nor touching, touching bands not alike.
bool isBanded(const std::vector<RECT>& rects);

}  // namespace tessaly::pltfm
