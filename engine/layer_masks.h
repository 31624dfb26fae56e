// How masks hang on layers and pictures: a layer's mask layer, its external mask, its floating
// layer, and a picture's selection. Each belongs to what it hangs on and goes with it; the
// functions that replace one hand the previous one back to the caller.
#pragma once

#include "layer.h"
#include "picture.h"

namespace tessaly::engine {

// Replaces the layer's mask (0 detaches; the old one is the caller's again): announces a pixel
// change over the old mask's rectangle and over the layer's, and gives the new mask the layer's
// picture. ZAN_ERR_ARG for the layer itself or a mask that is in a picture's list.
int32_t attachMask(Layer& layer, zanHandle mask);

// Sets or clears the external mask, sets the tag (LAYX while one is set, LAYR otherwise) and
// announces an arrangement change. Answers the previous external mask.
zanHandle exchangeExternalMask(Layer& layer, zanHandle mask);

// Sets the floating layer (0 clears) and answers the previous one, now the caller's.
zanHandle exchangeFloatingLayer(Layer& layer, zanHandle floating);

// Sets the selection (0: nothing selected) and answers the previous one, now the caller's.
zanHandle exchangeSelection(Picture& picture, zanHandle selection);

}  // namespace tessaly::engine
