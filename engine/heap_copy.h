// Copies of plain heap blocks (palettes, owned data blocks) for objects that own them.
#pragma once

#include "zanTypes.h"

namespace tessaly::engine {

// A new default-heap block with the same bytes; 0 for 0 or a handle that is not a live block.
// Throws ZAN_ERR_CREATE when memory runs out.
zanHandle duplicateBlock(zanHandle block);

}  // namespace tessaly::engine
