// Drawing a view on a caller's device: from its cache, or composed afresh.
#pragma once

#include <cstdint>

#include "layer.h"
#include "view.h"
#include "zanengin.h"

namespace tessaly::engine {

// Draws the part (layer coordinates) of a layer's pixels on the device, each tile in turn, with
// the layer's (0, 0) at the device point origin; with gamma the tables correct a copy of the
// pixels first. Tiles without a block draw nothing. palette: 256 entries for 8-bit layers (null:
// grey).
struct DrawOptions {
  POINT origin;
  uint32_t rasterOp = ZAN_ROP_SRCCOPY;
  bool gamma = false;
  const unsigned char* palette = nullptr;
};
void drawLayerPixels(Layer& layer, const RECT& part, const ZanDevice& device,
                     const DrawOptions& options);

// Draws rect (view coordinates from 0, 0, already checked non-empty) of the view. Throws; what
// was drawn before a failure stays drawn.
void drawView(View& view, const ZanDevice& device, const RECT& rect, bool useCache);

// Whether display gamma applies to the view: it is not switched off for the view, and the tables
// correct something.
bool viewGammaOn(View& view);

}  // namespace tessaly::engine
