// The run heap: the heap all pixel memory of blocks comes from.
#pragma once

#include "zanTypes.h"

namespace tessaly::engine {

// The heap new pixel memory is taken from: the default heap until initRunHeap names another.
zanHeap runHeap();

// Names the run heap. Only the first call takes effect (1); later calls and a heap that does not
// exist answer 0. Blocks remember the heap their memory came from, so memory taken before the
// first call stays valid.
int32_t initRunHeap(zanHeap heap);

}  // namespace tessaly::engine
