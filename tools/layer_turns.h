// Turning and mirroring whole layers, with their masks: the work of the rotation and flip
// exports, shared with the picture-wide ones.
#pragma once

#include "layer_access.h"
#include "resample.h"

namespace tessaly::tools {

// The layer turned by params.angle: quarter turns exactly, other angles bilinearly with a coverage
// mask. Placed at the layer's own left-top, or about (centreX, centreY) when useCentre is set.
// Writes the result's size into the record.
OwnedLayer turnLayer(zanHandle layer, RotateParams& params, const ToolProgress* progress);
// The same with the result's left-top given.
OwnedLayer turnLayerTo(zanHandle layer, int32_t angle, POINT leftTop, const ToolProgress* progress);

// The layer rendered through the map into resultRect, with a mask of how much of the source covers
// each result pixel.
OwnedLayer renderWithCoverage(zanHandle layer, const RECT& resultRect, const AffineMap& map,
                              const ToolProgress* progress);

// The layer mirrored left to right (horizontal) or top to bottom, placed on resultRect (a rectangle
// of its size).
OwnedLayer mirrorLayer(zanHandle layer, bool horizontal, const RECT& resultRect,
                       const ToolProgress* progress);

}  // namespace tessaly::tools
